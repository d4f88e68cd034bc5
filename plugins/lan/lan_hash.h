// Content hashes: SHA-256 (OpenSSL's libcrypto), written as 64 lower-case hex
// digits. Peers name a file by it in search answers, so the same file on two
// machines groups into one row, and a finished download is checked against it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lan {

inline constexpr std::size_t kHashHexLength = 64;

// Whether the text is a hash as we write it (64 hex digits, any case).
bool IsHashText(const std::string& text);

// An incremental SHA-256. Not copyable; one per file being hashed.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, std::size_t size);
  // The digest of everything so far; the hasher starts afresh afterwards.
  std::string FinishHex();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Feeds the first `length` bytes of the open file (all of it for a negative
// length) to the hasher. False when a read fails, the file is shorter, or
// `stop` was set meanwhile (a large file takes seconds; nobody must wait for it
// when the program ends).
bool HashFileDescriptor(int fd, std::int64_t length, Sha256& hasher, const std::atomic<bool>* stop = nullptr);

// Hashes of files on disk, kept by path and recomputed only when the file's size
// or modification time changed. Shared by the serving threads; the lock is not
// held while a file is read, so two threads may hash the same new file at once
// (both get the same answer).
class HashCache {
 public:
  // The file's hash, or "" when it cannot be read (not a regular file, gone,
  // unreadable) or `stop` was set meanwhile. Follows no link in the last name.
  std::string HashOf(const std::string& realPath, const std::atomic<bool>* stop = nullptr);
  // The hash kept for a file of this size and modification time, or "" when
  // none is kept; never reads the file.
  std::string CachedHash(const std::string& realPath, std::int64_t size, std::int64_t mtimeNs) const;

  // Kept between runs in a small text file: "hash size mtime path" per line.
  // Loading a missing or damaged file keeps what can be read; saving replaces
  // the file atomically and answers false when that failed.
  void Load(const std::string& file);
  bool Save(const std::string& file) const;
  std::size_t Size() const;

 private:
  struct Entry {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string hash;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

}  // namespace lan
