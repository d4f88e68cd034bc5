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

// Hashes and writes what a transfer receives, in order, on a thread of its
// own: receiving, hashing and writing then overlap. The thread makes no call
// to the program, so the transfer may wait for it. The hasher and the file
// are the writer's until Drain() returns.
class BlockWriter {
 public:
  // Writes of a few hundred KiB reach the page cache fastest; writes of
  // several MiB were many times slower on the machines we measured.
  static constexpr std::size_t kBlockBytes = 256u << 10;
  static constexpr int kBlocks = 32;

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
  };

  void Submit();
  bool Write(const Block& block);
  void Work();

  const int fd_;
  Sha256& hasher_;
  std::unique_ptr<Block> current_;  // the appending thread's only
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::unique_ptr<Block>> full_;
  std::vector<std::unique_ptr<Block>> free_;
  bool busy_ = false;
  bool failed_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace lan
