// Downloading a search result from a peer (the parts' entry points are in
// lan_plugin.h), and the file steps of a download that need no program, so
// they can be checked on their own (lan_download_files.cpp).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lan_hash.h"

namespace lan {

// folder + '/' + name, without doubling a '/' the folder ends with.
std::string JoinPath(const std::string& folder, const std::string& name);

// The part file's name in the temporary folder: the first 16 hex digits of
// the content hash (of the address when the peer gave no hash), '-', the safe
// name, ".part". Two downloads of the same content and name share it, so a
// retry or a later run resumes where the last one stopped.
std::string PartFileName(const std::string& hash, const std::string& address, const std::string& safeName);

// Moves the finished part into the folder as `name`, or "name (2).ext" and so
// on when that exists: an existing file is never replaced. Across file
// systems the bytes are copied into a temporary beside the target, flushed to
// disk and only then put in place. On success the part is gone and
// finalPath names the file; on failure the part stays.
bool MoveIntoFolder(const std::string& partPath, const std::string& folder, const std::string& name,
                    std::string& finalPath);

// Hashes and writes what a transfer receives, in order, on two threads of its
// own: receiving, hashing and writing then overlap. The threads make no call
// to the program, so the transfer may wait for them. The hasher and the file
// are the writer's until Drain() returns.
class BlockWriter {
 public:
  // Writes of a few hundred KiB reach the page cache fastest; writes of
  // several MiB were many times slower on the machines we measured.
  static constexpr std::size_t kBlockBytes = 256u << 10;
  static constexpr int kBlocks = 32;
  // A large download streams through the page cache instead of filling it:
  // it would push out what the user is working with, and on virtual machines
  // the first touch of fresh memory costs more than the disk write itself
  // (a gigabyte took 10 s written plainly, 1.2 s streamed).
  static constexpr std::int64_t kStreamChunk = 8 << 20;
  static constexpr std::int64_t kCachedBytes = 64 << 20;

  BlockWriter(int fd, Sha256& hasher);
  ~BlockWriter();
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Takes a copy of the bytes that belong at `offset` onwards; waits while
  // every block is busy. False once a write failed.
  bool Append(const char* data, std::size_t size, std::int64_t offset);
  // Waits until everything given is hashed and written; false when a write failed.
  bool Drain();

 private:
  struct Block {
    std::vector<char> bytes;
    std::size_t used = 0;
    std::int64_t offset = 0;
    int pending = 0;  // of the two stages, those still to come
  };

  void Submit();
  bool Write(const Block& block);
  // After a write: starts the disk write of what is new and lets the page
  // cache go of what was written more than kCachedBytes ago.
  void StreamOut(std::int64_t end);
  // One stage: the hasher's or the file's. Blocks pass each in the order given.
  void Work(bool hashing);

  const int fd_;
  Sha256& hasher_;
  std::vector<std::unique_ptr<Block>> blocks_;  // owns every block
  Block* current_ = nullptr;                     // the appending thread's only
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Block*> toWrite_;
  std::deque<Block*> toHash_;
  std::vector<Block*> free_;
  int working_ = 0;  // blocks a stage holds right now
  // The writing stage's own: where the disk write was last started, and
  // below which the page cache has been let go.
  std::int64_t started_ = -1;
  std::int64_t dropped_ = -1;
  bool failed_ = false;
  bool quit_ = false;
  std::thread writer_;
  std::thread hashing_;
};

}  // namespace lan
