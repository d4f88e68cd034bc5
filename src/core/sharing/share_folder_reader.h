#pragma once
// Reads folders of the share tree from the disk on a thread of its own. The first
// visit of a folder with a hundred thousand files spends a quarter of a second in
// the file system alone; a window hands that here and lists the folder once read.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kp {

class TShareManager;

class TShareFolderReader {
 public:
  // Runs on the reader's thread after each read, with the read's ticket.
  using TReadDone = std::function<void(std::uint64_t ticket)>;

  TShareFolderReader(TShareManager& shares, TReadDone done);
  TShareFolderReader(const TShareFolderReader&) = delete;
  TShareFolderReader& operator=(const TShareFolderReader&) = delete;
  // Waits for the read under way; reads not yet begun are dropped.
  ~TShareFolderReader();

  // Asks for the folder at the virtual path; a read asked for earlier and not yet
  // begun is dropped, since its window has moved on.
  std::uint64_t Read(std::string virtualPath);
  // Whether the read of the ticket has ended within the limit (a dropped read
  // ends when the next is asked for; tickets end in order).
  bool WaitFor(std::uint64_t ticket, std::chrono::milliseconds limit);

 private:
  void Run();

  TShareManager& shares_;
  TReadDone done_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::optional<std::string> pending_;  // guarded by lock_
  std::uint64_t asked_ = 0;             // tickets handed out
  std::uint64_t ended_ = 0;             // reads ended, dropped ones included
  bool stopping_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace kp
