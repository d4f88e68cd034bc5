#include "core/sharing/share_folder_reader.h"

#include <algorithm>
#include <utility>

#include "core/sharing/share_manager.h"

namespace kp {

TShareFolderReader::TShareFolderReader(TShareManager& shares, TReadDone done)
    : shares_(shares), done_(std::move(done)), thread_([this] { Run(); }) {}

TShareFolderReader::~TShareFolderReader() {
  {
    std::lock_guard lock(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::uint64_t TShareFolderReader::Read(std::string virtualPath) {
  std::uint64_t ticket = 0;
  {
    std::lock_guard lock(lock_);
    // The dropped one counts as ended, so nobody waits for it.
    if (pending_) ended_ = std::max(ended_, asked_);
    pending_ = std::move(virtualPath);
    ticket = ++asked_;
  }
  changed_.notify_all();
  return ticket;
}

bool TShareFolderReader::WaitFor(std::uint64_t ticket, std::chrono::milliseconds limit) {
  std::unique_lock lock(lock_);
  return changed_.wait_for(lock, limit, [&] { return ended_ >= ticket; });
}

void TShareFolderReader::Run() {
  std::unique_lock lock(lock_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
    if (stopping_) return;
    const std::string path = std::move(*pending_);
    pending_.reset();
    const std::uint64_t ticket = asked_;
    lock.unlock();
    shares_.ReadFromDisk(path);
    if (done_) done_(ticket);
    lock.lock();
    ended_ = std::max(ended_, ticket);
    changed_.notify_all();
  }
}

}  // namespace kp
