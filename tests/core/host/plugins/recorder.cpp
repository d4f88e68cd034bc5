#include "recorder.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {
std::mutex mutex;
std::vector<std::string> records;
}  // namespace

extern "C" {

void kp_test_record(const char* text) {
  std::lock_guard lock(mutex);
  records.emplace_back(text ? text : "");
}

size_t kp_test_record_count(void) {
  std::lock_guard lock(mutex);
  return records.size();
}

void kp_test_record_at(size_t i, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  std::lock_guard lock(mutex);
  const std::string text = i < records.size() ? records[i] : std::string();
  const size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

void kp_test_record_clear(void) {
  std::lock_guard lock(mutex);
  records.clear();
}
}
