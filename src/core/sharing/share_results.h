#pragma once
// A browse cursor over one directory of the share tree, optionally with
// everything below it: the files of a directory first, then its subdirectories,
// each subdirectory (when recursive) followed at once by its whole content.
//
// A cursor is owned by whoever opened it and may be stepped from any one thread
// at a time. While any cursor of a manager is open nothing is deleted from its
// tree, only marked removed, so positions stay put. The manager must outlive its
// cursors, or detaches them (they then list nothing) when it goes first.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kp {

class TShareDirectory;
class TShareManager;

class TShareResults {
 public:
  TShareResults(const TShareResults&) = delete;
  TShareResults& operator=(const TShareResults&) = delete;
  // Unregisters; the last cursor of a manager to go purges its tree.
  ~TShareResults();

  // Moves to the next entry; false when there is none. A directory entered on a
  // recursive browse is read from the disk first.
  [[nodiscard]] bool Next();

  [[nodiscard]] bool Recursive() const noexcept { return recursive_; }

  // The current entry, valid after Next returned true; the texts stay put until
  // the next step.
  [[nodiscard]] bool IsDirectory() const noexcept { return entry_.directory; }
  [[nodiscard]] const std::string& Name() const noexcept { return entry_.name; }
  [[nodiscard]] const std::string& RealPath() const noexcept { return entry_.realPath; }
  [[nodiscard]] const std::string& VirtualPath() const noexcept { return entry_.virtualPath; }
  // Zero for directories.
  [[nodiscard]] bool IsMP3() const noexcept { return entry_.isMP3; }
  [[nodiscard]] std::uint32_t Size() const noexcept { return entry_.size; }
  [[nodiscard]] std::uint32_t Bitrate() const noexcept { return entry_.bitrate; }
  [[nodiscard]] std::uint32_t Length() const noexcept { return entry_.length; }
  [[nodiscard]] std::uint32_t Frequency() const noexcept { return entry_.frequency; }

 private:
  friend class TShareManager;

  // Where the cursor stands: a directory, the next indices in its lists, and
  // the directory's paths as they were when the cursor entered it.
  struct TPosition {
    std::shared_ptr<TShareDirectory> directory;
    std::size_t nextFile = 0;
    std::size_t nextSubdirectory = 0;
    std::string realPath;
    std::string virtualPath;
  };
  struct TEntry {
    bool directory = false;
    std::string name;
    std::string realPath;
    std::string virtualPath;
    bool isMP3 = false;
    std::uint32_t size = 0;
    std::uint32_t bitrate = 0;
    std::uint32_t length = 0;
    std::uint32_t frequency = 0;
  };

  TShareResults(TShareManager& manager, bool recursive) noexcept;
  void Enter(std::shared_ptr<TShareDirectory> directory);
  // Called by the manager when it goes before the cursor.
  void Detach();

  std::atomic<TShareManager*> manager_;
  const bool recursive_;
  std::mutex lock_;  // one step at a time
  TPosition current_;
  std::vector<TPosition> stack_;
  TEntry entry_;
};

}  // namespace kp
