// What the example's downloads and uploads share. Every transfer runs on a
// thread of its own and reports from there; the events that steer it arrive on
// the main thread and only set flags, so neither side ever waits for the other
// while it might be inside a call to the program.
#include "example_transfers.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "keplinor_plugin.h"

KP_IMPORT(DownloadGetSuggestedDirectory);

namespace example::transfer {

namespace {

struct Worker {
  std::thread thread;
  std::shared_ptr<Control> control;
  std::shared_ptr<std::atomic<bool>> done;
};

// Main thread only: Launch and StopAll run in events and in the panel's slots.
std::vector<Worker> workers;
bool stopping = false;

// A finished thread is joined the next time one starts, so a long session does
// not collect them; joining one that has returned takes no time.
void JoinFinished() {
  std::erase_if(workers, [](Worker& worker) {
    if (!worker.done->load()) return false;
    worker.thread.join();
    return true;
  });
}

double TimeScale() {
  static const double scale = [] {
    const char* text = std::getenv("KEPLINOR_EXAMPLE_TIME_SCALE");
    const double value = text ? std::atof(text) : 1.0;
    return value >= 1.0 && value <= 1000.0 ? value : 1.0;
  }();
  return scale;
}

uint64_t Hash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Cuts at most `length` bytes, never inside a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t length) {
  if (text.size() <= length) return std::string(text);
  while (length > 0 && IsUtf8Continuation(text[length])) --length;
  return std::string(text.substr(0, length));
}

}  // namespace

void Control::Pause() {
  std::lock_guard guard(lock_);
  paused_ = true;
}

void Control::Resume() {
  {
    std::lock_guard guard(lock_);
    paused_ = false;
  }
  changed_.notify_all();
}

void Control::Remove() {
  {
    std::lock_guard guard(lock_);
    removed_ = true;
  }
  changed_.notify_all();
}

void Control::Stop() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
}

bool Control::Wait(std::chrono::milliseconds time) {
  std::unique_lock guard(lock_);
  const auto ended = [this] { return removed_ || stopping_; };
  if (time.count() > 0 && changed_.wait_for(guard, time, ended)) return false;
  changed_.wait(guard, [&] { return !paused_ || ended(); });
  return !ended();
}

bool Control::Ended() const {
  std::lock_guard guard(lock_);
  return removed_ || stopping_;
}

bool Control::Removed() const {
  std::lock_guard guard(lock_);
  return removed_;
}

bool Launch(std::shared_ptr<Control> control, std::function<void()> work) {
  if (stopping) return false;
  try {
    JoinFinished();
    // Room first: a thread that runs must be listed, or nothing would join it.
    workers.reserve(workers.size() + 1);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), done] {
      try {
        work();
      } catch (const std::exception&) {
        // Out of memory: the transfer stops where it is; an exception must not
        // leave the thread.
      }
      done->store(true);
    });
    workers.push_back(Worker{std::move(thread), std::move(control), std::move(done)});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void StopAll() {
  stopping = true;
  for (Worker& worker : workers) worker.control->Stop();
  for (Worker& worker : workers) worker.thread.join();
  workers.clear();
}

bool Stopping() { return stopping; }

std::chrono::milliseconds Scaled(std::chrono::milliseconds time) {
  return std::chrono::milliseconds(static_cast<int64_t>(static_cast<double>(time.count()) / TimeScale()));
}

int32_t PeerSpeed(std::string_view key) {
  constexpr int32_t kSlowest = 64 * 1024;
  constexpr int32_t kFastest = 256 * 1024;
  return kSlowest + static_cast<int32_t>(Hash(key) % (kFastest - kSlowest + 1));
}

int64_t BytesPerTick(int32_t speed) {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_real_distribution<double> variation(0.75, 1.25);
  const double perTick = static_cast<double>(speed) * static_cast<double>(kTick.count()) / 1000.0;
  return std::max<int64_t>(1, static_cast<int64_t>(perTick * variation(random)));
}

std::string SafeFileName(std::string_view name) {
  std::string safe;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    safe += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
  }
  const std::size_t first = safe.find_first_not_of(' ');
  safe =
      first == std::string::npos ? std::string() : safe.substr(first, safe.find_last_not_of(' ') - first + 1);
  // A leading dot would hide the file, and "." and ".." are no files at all.
  if (!safe.empty() && safe.front() == '.') safe.front() = '_';
  if (safe.empty() || safe == "_" || safe == "_.") return "download";
  // Most file systems take 255 bytes; the core's texts 254. Room is left for
  // " (999)" and the program's own additions; the extension is kept.
  constexpr std::size_t kLongest = 200;
  if (safe.size() <= kLongest) return safe;
  const std::size_t dot = safe.rfind('.');
  const std::string extension = dot != std::string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : "";
  return CutUtf8(safe, kLongest - extension.size()) + extension;
}

std::string SuggestedFolder(int32_t directoryType) {
  char buffer[KP_FIXED_TEXT_SIZE] = {};
  DownloadGetSuggestedDirectory(0, directoryType, buffer);
  buffer[KP_FIXED_TEXT_SIZE - 1] = '\0';
  std::string folder = buffer;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

void FillContent(std::string_view name, int64_t offset, char* buffer, std::size_t size) {
  const std::string line = "Example network test data of " + std::string(name) + "\n";
  for (std::size_t i = 0; i < size; ++i) {
    buffer[i] = line[static_cast<std::size_t>((offset + static_cast<int64_t>(i)) %
                                              static_cast<int64_t>(line.size()))];
  }
}

std::string MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  // Two of our threads finishing files of one name must not pick the same
  // free name.
  static std::mutex naming;
  std::lock_guard guard(naming);
  std::error_code error;
  fs::create_directories(folder, error);
  const fs::path plain(name);
  for (int number = 1; number < 1000; ++number) {
    const fs::path target =
        fs::path(folder) / (number == 1 ? plain
                                        : fs::path(plain.stem().string() + " (" + std::to_string(number) +
                                                   ")" + plain.extension().string()));
    if (fs::exists(fs::symlink_status(target, error))) continue;
    fs::rename(from, target, error);
    if (error == std::errc::cross_device_link) {
      // The two folders lie on different file systems.
      if (!fs::copy_file(from, target, error)) {
        // A partial copy is ours; a file that appeared meanwhile is not.
        if (error != std::errc::file_exists) fs::remove(target, error);
        return {};
      }
      fs::remove(from, error);
      error.clear();
    }
    return error ? std::string() : target.string();
  }
  return {};
}

}  // namespace example::transfer
