// The file steps of a download: placing the finished file, naming the part,
// and the writer thread that hashes and stores the received bytes.
#include "lan_downloads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lan_peer_answers.h"

namespace lan {
namespace {

constexpr int kMaxNumberedNames = 9999;

// Moves `from` to `to` unless `to` exists; 0 or the errno.
int PlaceWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system without the no-replace rename: a hard link refuses an existing name too.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

bool CopyAll(int from, int to) {
  std::vector<char> buffer(BlockWriter::kBlockBytes);
  while (true) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t written = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += written;
    }
  }
}

// The part copied into a temporary file of the folder, on disk; "" on failure.
std::string CopyBeside(const std::string& partPath, const std::string& folder) {
  std::string temporary = JoinPath(folder, ".lan-download-XXXXXX");
  const int to = ::mkstemp(temporary.data());
  if (to < 0) return {};
  const int from = ::open(partPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  bool copied = from >= 0 && CopyAll(from, to) && ::fchmod(to, 0644) == 0 && ::fsync(to) == 0;
  if (from >= 0) ::close(from);
  copied = ::close(to) == 0 && copied;
  if (!copied) {
    ::unlink(temporary.c_str());
    return {};
  }
  return temporary;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + '/' + name;
}

BlockWriter::BlockWriter(int fd, Sha256& hasher) : fd_(fd), hasher_(hasher) {
  for (int i = 0; i < kBlocks; ++i) {
    auto block = std::make_unique<Block>();
    block->bytes.resize(kBlockBytes);
    free_.push_back(block.get());
    blocks_.push_back(std::move(block));
  }
  writer_ = std::thread([this] { Work(false); });
  hashing_ = std::thread([this] { Work(true); });
}

BlockWriter::~BlockWriter() {
  {
    std::lock_guard guard(lock_);
    quit_ = true;
  }
  wake_.notify_all();
  writer_.join();
  hashing_.join();
}

bool BlockWriter::Append(const char* data, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    if (!current_) {
      std::unique_lock guard(lock_);
      wake_.wait(guard, [&] { return !free_.empty() || failed_; });
      if (failed_) return false;
      current_ = free_.back();
      free_.pop_back();
      current_->used = 0;
      current_->offset = offset;
    }
    const std::size_t room = std::min(size, current_->bytes.size() - current_->used);
    std::memcpy(current_->bytes.data() + current_->used, data, room);
    current_->used += room;
    data += room;
    size -= room;
    offset += static_cast<std::int64_t>(room);
    if (current_->used == current_->bytes.size()) Submit();
  }
  return true;
}

bool BlockWriter::Drain() {
  Submit();
  std::unique_lock guard(lock_);
  // Also after a failure: the hasher must be ours again when this returns.
  wake_.wait(guard, [&] { return toWrite_.empty() && toHash_.empty() && working_ == 0; });
  return !failed_;
}

void BlockWriter::Submit() {
  if (!current_) return;
  std::lock_guard guard(lock_);
  if (current_->used == 0) {
    free_.push_back(current_);
  } else {
    current_->pending = 2;
    toWrite_.push_back(current_);
    toHash_.push_back(current_);
  }
  current_ = nullptr;
  wake_.notify_all();
}

bool BlockWriter::Write(const Block& block) {
  std::size_t done = 0;
  while (done < block.used) {
    const ssize_t written = ::pwrite(fd_, block.bytes.data() + done, block.used - done,
                                     block.offset + static_cast<std::int64_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

void BlockWriter::StreamOut(std::int64_t end) {
  if (started_ < 0 || end < started_) started_ = dropped_ = end;  // the first write, or a restart from 0
  if (end - started_ < kStreamChunk) return;
  ::sync_file_range(fd_, started_, end - started_, SYNC_FILE_RANGE_WRITE);
  started_ = end;
  while (end - dropped_ > kCachedBytes) {
    ::sync_file_range(fd_, dropped_, kStreamChunk,
                      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    ::posix_fadvise(fd_, dropped_, kStreamChunk, POSIX_FADV_DONTNEED);
    dropped_ += kStreamChunk;
  }
}

void BlockWriter::Work(bool hashing) {
  std::deque<Block*>& queue = hashing ? toHash_ : toWrite_;
  std::unique_lock guard(lock_);
  while (true) {
    wake_.wait(guard, [&] { return quit_ || !queue.empty(); });
    if (queue.empty()) return;
    Block* const block = queue.front();
    queue.pop_front();
    ++working_;
    const bool skip = failed_;  // after a failed write the rest only goes back
    guard.unlock();
    bool done = true;
    if (!skip) {
      if (hashing) {
        hasher_.Update(block->bytes.data(), block->used);
      } else {
        done = Write(*block);
        if (done) StreamOut(block->offset + static_cast<std::int64_t>(block->used));
      }
    }
    guard.lock();
    --working_;
    if (!done) failed_ = true;
    if (--block->pending == 0) free_.push_back(block);
    wake_.notify_all();
  }
}

std::string PartFileName(const std::string& hash, const std::string& address, const std::string& safeName) {
  std::string key = hash;
  if (!IsHashText(key)) {
    Sha256 hasher;
    hasher.Update(address.data(), address.size());
    key = hasher.FinishHex();
  }
  return key.substr(0, 16) + "-" + safeName + ".part";
}

bool MoveIntoFolder(const std::string& partPath, const std::string& folder, const std::string& name,
                    std::string& finalPath) {
  std::string source = partPath;
  std::string copied;  // the temporary copy when the folder is on another file system
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    const std::string target = JoinPath(folder, NumberedName(name, n));
    const int error = PlaceWithoutReplacing(source, target);
    if (error == 0) {
      if (!copied.empty()) ::unlink(partPath.c_str());
      finalPath = target;
      return true;
    }
    if (error == EEXIST) continue;
    if (error != EXDEV || !copied.empty()) break;
    copied = CopyBeside(partPath, folder);
    if (copied.empty()) return false;
    source = copied;
    --n;  // the same name again, now from the copy
  }
  if (!copied.empty()) ::unlink(copied.c_str());
  return false;
}

}  // namespace lan
