#include "lan_hash.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <vector>

#include "lan_files.h"

namespace lan {
namespace {

// Large reads keep the hash near the speed of the page cache.
constexpr std::size_t kReadChunk = 1u << 20;
// A cache file far beyond any real share is not read.
constexpr std::size_t kMaxCacheFileBytes = 64u << 20;

std::int64_t ModificationNs(const struct stat& info) {
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

bool IsHashText(const std::string& text) {
  if (text.size() != kHashHexLength) return false;
  for (const char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context) EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr);
}

Sha256::~Sha256() { EVP_MD_CTX_free(state_->context); }

void Sha256::Update(const void* data, std::size_t size) {
  if (state_->context && size > 0) EVP_DigestUpdate(state_->context, data, size);
}

std::string Sha256::FinishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!state_->context || EVP_DigestFinal_ex(state_->context, digest, &length) != 1) return {};
  EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kDigits[digest[i] >> 4]);
    hex.push_back(kDigits[digest[i] & 15]);
  }
  return hex;
}

bool HashFileDescriptor(int fd, std::int64_t length, Sha256& hasher, const std::atomic<bool>* stop) {
  std::vector<unsigned char> buffer(kReadChunk);
  std::int64_t done = 0;
  std::int64_t offset = 0;
  while (length < 0 || done < length) {
    if (stop && stop->load()) return false;
    std::size_t want = buffer.size();
    if (length >= 0 && static_cast<std::int64_t>(want) > length - done) {
      want = static_cast<std::size_t>(length - done);
    }
    const ssize_t got = ::pread(fd, buffer.data(), want, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return length < 0;
    hasher.Update(buffer.data(), static_cast<std::size_t>(got));
    done += got;
    offset += got;
  }
  return true;
}

std::string HashCache::HashOf(const std::string& realPath, const std::atomic<bool>* stop) {
  const int fd = ::open(realPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return {};
  }
  const std::int64_t size = info.st_size;
  const std::int64_t mtime = ModificationNs(info);
  {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(realPath);
    if (found != entries_.end() && found->second.size == size && found->second.mtimeNs == mtime) {
      ::close(fd);
      return found->second.hash;
    }
  }
  Sha256 hasher;
  const bool read = HashFileDescriptor(fd, size, hasher, stop);
  ::close(fd);
  if (!read) return {};
  std::string hash = hasher.FinishHex();
  std::lock_guard lock(mutex_);
  entries_[realPath] = Entry{size, mtime, hash};
  return hash;
}

std::string HashCache::CachedHash(const std::string& realPath, std::int64_t size, std::int64_t mtimeNs) const {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(realPath);
  if (found == entries_.end() || found->second.size != size || found->second.mtimeNs != mtimeNs) return {};
  return found->second.hash;
}

void HashCache::Load(const std::string& file) {
  std::string bytes;
  if (!ReadSmallFile(file, kMaxCacheFileBytes, bytes)) return;
  std::istringstream lines(bytes);
  std::string line;
  std::lock_guard lock(mutex_);
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Entry entry;
    std::string path;
    if (!(fields >> entry.hash >> entry.size >> entry.mtimeNs)) continue;
    fields.get();  // the blank before the path, which may itself hold blanks
    std::getline(fields, path);
    if (!IsHashText(entry.hash) || entry.size < 0 || path.empty() || path[0] != '/') continue;
    entries_[path] = entry;
  }
}

bool HashCache::Save(const std::string& file) const {
  std::string bytes;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [path, entry] : entries_) {
      if (path.find('\n') != std::string::npos) continue;
      bytes += entry.hash + ' ' + std::to_string(entry.size) + ' ' + std::to_string(entry.mtimeNs) + ' ' +
               path + '\n';
    }
  }
  return WriteFileAtomically(file, bytes);
}

std::size_t HashCache::Size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace lan
