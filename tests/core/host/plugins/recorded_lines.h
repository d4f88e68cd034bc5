#pragma once
// The shared log of the test plugins as C++ lines, for the tests that read it.

#include <string>
#include <vector>

#include "recorder.h"

namespace kp::test {

inline std::vector<std::string> RecordedLines() {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kp_test_record_count(); ++i) {
    char buffer[1024];
    kp_test_record_at(i, buffer, sizeof buffer);
    lines.emplace_back(buffer);
  }
  return lines;
}

}  // namespace kp::test
