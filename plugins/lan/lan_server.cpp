// Serving one node over HTTP with libmicrohttpd.
//
// One thread per connection: answering a request makes calls that wait for the
// program's main thread (access decisions, the upload queue), a paused upload
// holds its sender, throttling sleeps, and a search may hash files. In a
// thread pool each of those would stall every connection sharing the thread;
// here only the one client waits, and the connection limit bounds the threads.
#include "lan_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "keplinor_plugin.h"
#include "lan_http_text.h"
#include "lan_plugin.h"
#include "lan_uploads.h"

KP_IMPORT(SharedStartDirectory);
KP_IMPORT(SharedGetNextResult);
KP_IMPORT(SharedEndDirectory);
KP_IMPORT(SharedCheckReadAccess);
KP_IMPORT(SharedGetRealPath);
KP_IMPORT(SharedFileExists);
KP_IMPORT(SharedDirectoryExists);
KP_IMPORT(UsersCheckAccess);

namespace lan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kConnectionLimit = 256;
constexpr unsigned kConnectionsPerAddress = 16;
constexpr unsigned kConnectionTimeoutSeconds = 30;
constexpr std::size_t kConnectionMemory = 32 * 1024;
// Large reads keep a loopback transfer near the page cache's speed; the
// connection limit bounds what all buffers together can take.
constexpr std::size_t kSendBlock = 512 * 1024;
constexpr std::size_t kMaxListingEntries = 100000;
constexpr std::size_t kMaxSearchHits = 1000;
// A retired server is stopped (its thread joined) only once it has had no
// connection for a good while: by then no request can be inside a call that
// waits for the main thread.
constexpr auto kRetiredGrace = std::chrono::seconds(60);
const char* const kRealm = "Basic realm=\"Keplinor\"";

struct Node {
  kp_handle service = 0;
  std::uint16_t port = 0;
  MHD_Daemon* daemon = nullptr;
  std::atomic<bool> stopping{false};
  int heldSocket = -1;  // the listening socket's number after quiescing; closed after MHD_stop_daemon
  Clock::time_point retiredAt{};
};

// One served file.
struct Sender {
  Node* node = nullptr;
  int fd = -1;
  std::int64_t first = 0;
  std::int64_t length = 0;
  std::shared_ptr<Upload> upload;  // none for HEAD
  std::unique_ptr<UploadFlow> flow;
  std::atomic<std::int64_t> handed{0};
  std::atomic<const char*> failure{"The peer went away"};

  ~Sender() {
    if (fd >= 0) ::close(fd);
  }
};

// One request, from its first line to its end.
struct Request {
  Node* node = nullptr;
  std::string target;  // as it came, before any decoding
  bool seen = false;
  bool answered = false;
  std::shared_ptr<Sender> sender;
};

struct Credentials {
  std::string user;
  std::string password;
};

// Main thread only.
std::map<kp_handle, std::unique_ptr<Node>> liveNodes;
std::vector<std::unique_ptr<Node>> retiredNodes;
std::atomic<bool> ending{false};

std::mutex hashesMutex;
bool hashesLoaded = false;

std::string HashFile() { return LibraryFolder() + "LanHashes.txt"; }

std::string NodeName(kp_handle service) {
  NodeSettings settings;
  return GetNodeSettings(service, settings) ? settings.name : std::string();
}

std::string PeerAddress(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  char text[INET6_ADDRSTRLEN] = {};
  if (info && info->client_addr) {
    if (info->client_addr->sa_family == AF_INET) {
      ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(info->client_addr)->sin_addr, text, sizeof text);
    } else if (info->client_addr->sa_family == AF_INET6) {
      ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(info->client_addr)->sin6_addr, text, sizeof text);
    }
  }
  return text[0] ? text : "unknown";
}

std::string Header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value ? value : "";
}

MHD_Result Reply(MHD_Connection* connection, unsigned status, const std::string& body, const char* type,
                 const std::vector<std::pair<const char*, std::string>>& headers = {}) {
  MHD_Response* response =
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (!response) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
  for (const auto& [name, value] : headers) MHD_add_response_header(response, name, value.c_str());
  const MHD_Result queued = MHD_queue_response(connection, status, response);
  MHD_destroy_response(response);
  return queued;
}

MHD_Result ReplyText(MHD_Connection* connection, unsigned status, const char* text,
                     const std::vector<std::pair<const char*, std::string>>& headers = {}) {
  return Reply(connection, status, std::string(text) + "\n", "text/plain; charset=utf-8", headers);
}

MHD_Result Unauthorized(MHD_Connection* connection) {
  return ReplyText(connection, MHD_HTTP_UNAUTHORIZED, "Unauthorized", {{MHD_HTTP_HEADER_WWW_AUTHENTICATE, kRealm}});
}

MHD_Result Refused(MHD_Connection* connection, const Credentials& who) {
  return who.user.empty() ? Unauthorized(connection) : ReplyText(connection, MHD_HTTP_FORBIDDEN, "Forbidden");
}

// The real size on disk; the record's 32-bit field only when the disk says nothing.
std::int64_t DiskSize(const char* realPath, std::int32_t recorded) {
  struct stat info {};
  if (realPath && realPath[0] && ::stat(realPath, &info) == 0 && S_ISREG(info.st_mode)) return info.st_size;
  return static_cast<std::uint32_t>(recorded);
}

// Walks one folder of the shared namespace as the user sees it; `each` answers
// false to stop early. False when the node is stopping.
bool Browse(const Node& node, const Credentials& who, const std::string& virtualPath, bool recursive,
            const std::function<bool(const kp_shared_result&)>& each) {
  const kp_handle browse = SharedStartDirectory(node.service, who.user.c_str(), who.password.c_str(),
                                                virtualPath.c_str(), recursive ? KP_TRUE : KP_FALSE);
  if (browse != 0) {
    const kp_shared_result* entry = kp_shared_result_at(browse);
    while (!node.stopping.load() && SharedGetNextResult(browse) != 0) {
      if (!each(*entry)) break;
    }
    SharedEndDirectory(browse);
  }
  return !node.stopping.load();
}

http::ListingEntry EntryOf(const kp_shared_result& result) {
  http::ListingEntry entry;
  entry.name = kp_text(result.sName);
  entry.directory = result.bDirectory != 0;
  if (!entry.directory) {
    entry.size = DiskSize(kp_text(result.sRealPath), result.iSize);
    entry.mp3 = result.bMP3 != 0;
    if (entry.mp3) {
      entry.bitrate = result.iBitrate;
      entry.length = result.iLength;
      entry.frequency = result.iFrequency;
    }
  }
  return entry;
}

bool WantsJson(MHD_Connection* connection, const http::Target& target) {
  const auto format = target.query.find("format");
  return (format != target.query.end() && format->second == "json") ||
         http::AcceptsJson(Header(connection, MHD_HTTP_HEADER_ACCEPT));
}

MHD_Result Listing(MHD_Connection* connection, Node& node, const Credentials& who, const http::Target& target) {
  std::vector<http::ListingEntry> entries;
  if (!Browse(node, who, target.virtualPath, false, [&entries](const kp_shared_result& result) {
        entries.push_back(EntryOf(result));
        return entries.size() < kMaxListingEntries;
      })) {
    return MHD_NO;
  }
  const std::string name = NodeName(node.service);
  if (WantsJson(connection, target)) {
    return Reply(connection, MHD_HTTP_OK, http::ListingJson(name, target.virtualPath, entries), "application/json");
  }
  return Reply(connection, MHD_HTTP_OK, http::ListingHtml(name, target.virtualPath, entries),
               "text/html; charset=utf-8");
}

std::int64_t QueryNumber(const http::Target& target, const char* key) {
  const auto found = target.query.find(key);
  std::int64_t value = 0;
  if (found == target.query.end() || !http::ParseDecimal(found->second, value)) return 0;
  return value;
}

std::string QueryText(const http::Target& target, const char* key) {
  const auto found = target.query.find(key);
  return found == target.query.end() ? std::string() : found->second;
}

bool IsSearch(const http::Target& target) {
  return target.names.empty() && (target.query.count("search") != 0 || target.query.count("artist") != 0 ||
                                  target.query.count("title") != 0);
}

struct Candidate {
  http::SearchHit hit;
  std::string realPath;
};

MHD_Result Search(MHD_Connection* connection, Node& node, const Credentials& who, const http::Target& target) {
  const bool mp3 = QueryText(target, "mp3") == "1";
  const std::vector<std::string> words =
      http::SearchWords(mp3 ? QueryText(target, "artist") + " " + QueryText(target, "title")
                            : QueryText(target, "search"));
  const std::int64_t minimum = QueryNumber(target, "min");
  const std::int64_t maximum = QueryNumber(target, "max");
  const std::int64_t bitrate = QueryNumber(target, "bitrate");
  std::vector<Candidate> candidates;

  const auto consider = [&](const kp_shared_result& result) {
    if (result.bDirectory != 0) return true;
    const std::string name = kp_text(result.sName);
    if (!http::NameHasAllWords(name, words)) return true;
    if (mp3 && result.bMP3 == 0) return true;
    if (bitrate > 0 && (result.bMP3 == 0 || result.iBitrate < bitrate)) return true;
    const char* realPath = kp_text(result.sRealPath);
    const std::int64_t size = DiskSize(realPath, result.iSize);
    if (size < minimum || (maximum > 0 && size > maximum)) return true;
    Candidate candidate;
    candidate.realPath = realPath;
    candidate.hit.path = kp_text(result.sVirtualPath);
    candidate.hit.name = name;
    candidate.hit.size = size;
    candidate.hit.mp3 = result.bMP3 != 0;
    if (candidate.hit.mp3) {
      candidate.hit.bitrate = result.iBitrate;
      candidate.hit.length = result.iLength;
      candidate.hit.frequency = result.iFrequency;
    }
    candidates.push_back(std::move(candidate));
    return candidates.size() < kMaxSearchHits;
  };

  if (!words.empty()) {
    // The root lists every shared item to everybody; what a user may see and
    // have offered in searches is decided per item. A folder's browse carries
    // that right in its record from the start; a single shared file has no
    // browse of its own, so it is offered to those who may read it.
    std::vector<std::string> folders;
    std::vector<std::string> files;
    if (!Browse(node, who, "/", false, [&](const kp_shared_result& result) {
          (result.bDirectory != 0 ? folders : files).emplace_back(kp_text(result.sVirtualPath));
          return true;
        })) {
      return MHD_NO;
    }
    for (const std::string& folder : folders) {
      if (candidates.size() >= kMaxSearchHits) break;
      const bool browsed = Browse(node, who, folder, true, [&](const kp_shared_result& result) {
        return result.bIncludeInSearchRequests != 0 && consider(result);
      });
      if (!browsed) return MHD_NO;
    }
    if (!files.empty() && candidates.size() < kMaxSearchHits &&
        !Browse(node, who, "/", false, [&](const kp_shared_result& result) {
          if (result.bDirectory != 0 ||
              SharedCheckReadAccess(node.service, who.user.c_str(), who.password.c_str(),
                                    kp_text(result.sVirtualPath)) != KP_SHARED_OK) {
            return true;
          }
          return consider(result);
        })) {
      return MHD_NO;
    }
  }
  // Hashed after every browse has ended: a browse left open holds back the
  // program's clean-up of its shared files.
  std::vector<http::SearchHit> hits;
  for (Candidate& candidate : candidates) {
    if (node.stopping.load()) return MHD_NO;
    candidate.hit.hash = Hashes().HashOf(candidate.realPath, &node.stopping);
    if (!candidate.hit.hash.empty()) hits.push_back(std::move(candidate.hit));
  }
  return Reply(connection, MHD_HTTP_OK, http::SearchJson(NodeName(node.service), hits), "application/json");
}

ssize_t ReadFile(void* cls, std::uint64_t position, char* buffer, std::size_t most) {
  Sender& sender = **static_cast<std::shared_ptr<Sender>*>(cls);
  const auto offset = static_cast<std::int64_t>(position);
  if (!sender.flow || offset >= sender.length) return MHD_CONTENT_READER_END_WITH_ERROR;
  const std::int64_t wanted = std::min<std::int64_t>(static_cast<std::int64_t>(most), sender.length - offset);
  const std::int64_t allowed = sender.flow->BeforeSend(wanted);
  if (allowed < 0) {
    sender.failure = sender.upload->removed.load() ? "Removed" : "The node stopped serving";
    return MHD_CONTENT_READER_END_WITH_ERROR;
  }
  ssize_t got = -1;
  do {
    got = ::pread(sender.fd, buffer, static_cast<std::size_t>(allowed), sender.first + offset);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    sender.failure = "The file could not be read";  // shortened or unreadable meanwhile
    return MHD_CONTENT_READER_END_WITH_ERROR;
  }
  sender.handed = offset + got;
  sender.flow->AfterSend(got, offset + got);
  return got;
}

void FreeSender(void* cls) { delete static_cast<std::shared_ptr<Sender>*>(cls); }

MHD_Result ServeFile(MHD_Connection* connection, Request& request, const Credentials& who,
                     const http::Target& target, bool head) {
  Node& node = *request.node;
  char realPath[KP_FIXED_TEXT_SIZE] = {};
  const std::int32_t found = SharedGetRealPath(node.service, who.user.c_str(), who.password.c_str(),
                                               target.virtualPath.c_str(), realPath);
  if (node.stopping.load()) return MHD_NO;
  if (found == KP_SHARED_REFUSED) return Refused(connection, who);
  if (found != KP_SHARED_OK || realPath[0] == '\0') return ReplyText(connection, MHD_HTTP_NOT_FOUND, "Not found");

  auto sender = std::make_shared<Sender>();
  sender->node = &node;
  // Nothing but the regular file itself: no link in the last name, no device.
  sender->fd = ::open(realPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  struct stat info {};
  if (sender->fd < 0 || ::fstat(sender->fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return ReplyText(connection, MHD_HTTP_NOT_FOUND, "Not found");
  }
  const std::int64_t size = info.st_size;
  const http::ByteRange range = http::ParseRange(Header(connection, MHD_HTTP_HEADER_RANGE), size);
  if (range.kind == http::ByteRange::Kind::kUnsatisfiable) {
    return ReplyText(connection, MHD_HTTP_RANGE_NOT_SATISFIABLE, "Range not satisfiable",
                     {{MHD_HTTP_HEADER_CONTENT_RANGE, "bytes */" + std::to_string(size)}});
  }
  const bool partial = range.kind == http::ByteRange::Kind::kPartial;
  sender->first = partial ? range.first : 0;
  sender->length = partial ? range.last - range.first + 1 : size;
  const std::string name = target.names.back();

  if (!head) {
    const std::string nick = who.user.empty() ? "guest@" + PeerAddress(connection) : who.user;
    const Admission admission = AdmitUpload(node.service, nick, target.virtualPath, name, node.stopping);
    switch (admission.kind) {
      case Admission::Kind::kStopped:
        return MHD_NO;
      case Admission::Kind::kRefused:
        return Reply(connection, MHD_HTTP_SERVICE_UNAVAILABLE, http::BusyJson(false, 0, 0), "application/json",
                     {{MHD_HTTP_HEADER_RETRY_AFTER, "30"}});
      case Admission::Kind::kQueued:
        return Reply(connection, MHD_HTTP_SERVICE_UNAVAILABLE,
                     http::BusyJson(true, admission.position, admission.queueLength), "application/json",
                     {{MHD_HTTP_HEADER_RETRY_AFTER, std::to_string(kQueuedRetrySeconds)}});
      case Admission::Kind::kGo:
        sender->upload = admission.upload;
        sender->flow = std::make_unique<UploadFlow>(sender->upload, sender->first, sender->length, node.stopping);
        break;
    }
  }

  auto* holder = new std::shared_ptr<Sender>(sender);
  MHD_Response* response =
      MHD_create_response_from_callback(static_cast<std::uint64_t>(sender->length), kSendBlock, &ReadFile, holder,
                                        &FreeSender);
  if (!response) {
    delete holder;
    if (sender->upload) FinishUpload(sender->upload, false, sender->first, sender->length, "Out of memory");
    return MHD_NO;
  }
  // From here the upload's end is reported when the request ends, whatever happens.
  request.sender = sender;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/octet-stream");
  MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_DISPOSITION, http::ContentDisposition(name).c_str());
  if (partial) {
    const std::string contentRange = "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                     "/" + std::to_string(size);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, contentRange.c_str());
  }
  const std::int64_t modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  const std::string hash = Hashes().CachedHash(realPath, size, modified);
  if (!hash.empty()) MHD_add_response_header(response, "X-Keplinor-Hash", hash.c_str());
  const MHD_Result queued =
      MHD_queue_response(connection, partial ? MHD_HTTP_PARTIAL_CONTENT : MHD_HTTP_OK, response);
  MHD_destroy_response(response);
  return queued;
}

MHD_Result Answer(Request& request, MHD_Connection* connection, const char* method) {
  Node& node = *request.node;
  const bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
  if (!head && std::strcmp(method, MHD_HTTP_METHOD_GET) != 0) {
    return ReplyText(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed",
                     {{MHD_HTTP_HEADER_ALLOW, "GET, HEAD"}});
  }
  http::Target target;
  switch (http::ParseTarget(request.target, target)) {
    case http::TargetStatus::kBadRequest:
      return ReplyText(connection, MHD_HTTP_BAD_REQUEST, "Bad request");
    case http::TargetStatus::kTooLong:
      return ReplyText(connection, MHD_HTTP_URI_TOO_LONG, "URI too long");
    case http::TargetStatus::kOk:
      break;
  }
  ExpireQueuedUploads();

  Credentials who;
  const char* authorization = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION);
  if (authorization) {
    if (!http::DecodeBasicAuthorization(authorization, who.user, who.password)) return Unauthorized(connection);
    const std::int32_t valid = UsersCheckAccess(node.service, who.user.c_str(), who.password.c_str());
    if (node.stopping.load()) return MHD_NO;
    if (valid != 1) return Unauthorized(connection);
  }

  if (target.names.empty()) {
    return IsSearch(target) ? Search(connection, node, who, target) : Listing(connection, node, who, target);
  }
  // Rights first, then existence: a stranger learns nothing of what is there.
  const char* path = target.virtualPath.c_str();
  const std::int32_t access = SharedCheckReadAccess(node.service, who.user.c_str(), who.password.c_str(), path);
  if (node.stopping.load()) return MHD_NO;
  if (access != KP_SHARED_OK) {
    // The program refuses a name that does not exist as it refuses a closed
    // one. Whoever may read the shared item at the top is told it is not
    // there; anyone else learns nothing about what the item holds.
    const std::string item = "/" + target.names.front();
    const bool readsItem = target.names.size() > 1 &&
                           SharedCheckReadAccess(node.service, who.user.c_str(), who.password.c_str(),
                                                 item.c_str()) == KP_SHARED_OK;
    if (node.stopping.load()) return MHD_NO;
    return readsItem ? ReplyText(connection, MHD_HTTP_NOT_FOUND, "Not found") : Refused(connection, who);
  }
  if (SharedDirectoryExists(node.service, who.user.c_str(), who.password.c_str(), path) == 1) {
    return node.stopping.load() ? MHD_NO : Listing(connection, node, who, target);
  }
  const std::int32_t file = SharedFileExists(node.service, who.user.c_str(), who.password.c_str(), path);
  if (node.stopping.load()) return MHD_NO;
  if (file != 1) return ReplyText(connection, MHD_HTTP_NOT_FOUND, "Not found");
  return ServeFile(connection, request, who, target, head);
}

// libmicrohttpd's callbacks. The first-line callback sees the target before
// any decoding, which is what lets an encoded '/' be told from a real one.
void* NewRequest(void* cls, const char* uri, MHD_Connection*) {
  auto* request = new (std::nothrow) Request;
  if (request) {
    request->node = static_cast<Node*>(cls);
    request->target = uri ? uri : "";
  }
  return request;
}

MHD_Result HandleRequest(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                         const char*, std::size_t* uploadSize, void** context) {
  auto* request = static_cast<Request*>(*context);
  if (!request) {
    request = static_cast<Request*>(NewRequest(cls, url, connection));
    if (!request) return MHD_NO;
    *context = request;
  }
  if (request->node->stopping.load()) return MHD_NO;
  const bool wanted = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
  // A request is answered once it has been read whole: an answer queued
  // earlier makes libmicrohttpd close the connection instead of keeping it.
  // Other methods are refused at once and their body never read.
  if (!request->seen && wanted) {
    request->seen = true;
    return MHD_YES;
  }
  if (*uploadSize != 0) {
    *uploadSize = 0;  // a body we do not want
    return MHD_YES;
  }
  if (request->answered) return MHD_YES;
  request->answered = true;
  try {
    return Answer(*request, connection, method);
  } catch (const std::exception&) {
    return MHD_NO;  // out of memory and the like: drop the connection, keep the node
  }
}

void RequestDone(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode how) {
  auto* request = static_cast<Request*>(*context);
  *context = nullptr;
  if (!request) return;
  if (request->sender && request->sender->upload) {
    Sender& sender = *request->sender;
    const bool complete = how == MHD_REQUEST_TERMINATED_COMPLETED_OK && sender.handed.load() == sender.length;
    const char* reason = how == MHD_REQUEST_TERMINATED_DAEMON_SHUTDOWN ? "The node stopped serving"
                                                                       : sender.failure.load();
    FinishUpload(sender.upload, complete, sender.first, sender.length, reason);
  }
  delete request;
}

// Stops accepting and frees the port at once, without waiting for anything.
// The socket's number stays taken by a placeholder until MHD_stop_daemon, so
// the server's own thread never polls a number that meanwhile names another file.
void CloseListeningSocket(Node& node) {
  const MHD_socket listening = MHD_quiesce_daemon(node.daemon);
  if (listening == MHD_INVALID_SOCKET) return;
  // Out of the listening state now, so a new server may bind the port while
  // the old thread still holds the socket for a moment.
  ::shutdown(listening, SHUT_RDWR);
  const int placeholder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (placeholder >= 0) {
    ::dup3(placeholder, listening, O_CLOEXEC);
    ::close(placeholder);
  }
  node.heldSocket = listening;
}

void StopDaemon(Node& node) {
  node.stopping = true;
  if (node.daemon) MHD_stop_daemon(node.daemon);
  node.daemon = nullptr;
  if (node.heldSocket >= 0) ::close(node.heldSocket);
  node.heldSocket = -1;
}

void RetireNode(kp_handle service) {
  const auto found = liveNodes.find(service);
  if (found == liveNodes.end()) return;
  std::unique_ptr<Node> node = std::move(found->second);
  liveNodes.erase(found);
  node->stopping = true;
  CloseListeningSocket(*node);
  node->retiredAt = Clock::now();
  retiredNodes.push_back(std::move(node));
}

void ReapRetiredNodes() {
  const Clock::time_point now = Clock::now();
  std::erase_if(retiredNodes, [now](const std::unique_ptr<Node>& node) {
    if (now - node->retiredAt < kRetiredGrace) return false;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(node->daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    if (!info || info->num_connections != 0) return false;
    StopDaemon(*node);
    return true;
  });
}

void LoadHashesOnce() {
  std::lock_guard lock(hashesMutex);
  if (hashesLoaded) return;
  hashesLoaded = true;
  Hashes().Load(HashFile());
}

}  // namespace

HashCache& Hashes() {
  static HashCache cache;
  return cache;
}

bool SaveHashCache() {
  {
    std::lock_guard lock(hashesMutex);
    if (!hashesLoaded) return true;  // never loaded: saving would wipe the kept hashes
  }
  return Hashes().Save(HashFile());
}

bool StartServing(kp_handle service, std::uint16_t port, std::string& reason) {
  reason.clear();
  if (ending.load()) {
    reason = "The plugin is stopping";
    return false;
  }
  if (port == 0) {
    reason = "No port is set";
    return false;
  }
  LoadHashesOnce();
  RetireNode(service);
  ReapRetiredNodes();

  auto node = std::make_unique<Node>();
  node->service = service;
  node->port = port;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  errno = 0;
  node->daemon = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL | MHD_USE_ITC, port, nullptr,
      nullptr, &HandleRequest, node.get(), MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address),
      MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT, kConnectionsPerAddress,
      MHD_OPTION_CONNECTION_TIMEOUT, kConnectionTimeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
      kConnectionMemory, MHD_OPTION_URI_LOG_CALLBACK, &NewRequest, node.get(), MHD_OPTION_NOTIFY_COMPLETED,
      &RequestDone, node.get(), MHD_OPTION_END);
  if (!node->daemon) {
    const int error = errno;
    reason = "Port " + std::to_string(port) + " could not be opened";
    if (error != 0) reason += std::string(" (") + std::strerror(error) + ")";
    return false;
  }
  liveNodes[service] = std::move(node);
  return true;
}

void StopServing(kp_handle service) {
  RetireNode(service);
  ReapRetiredNodes();
  EndQueuedUploadsOf(service);
}

void StopAllServing() {
  ending = true;
  // Flags first, so every sender lets go while the daemons are stopped one by one.
  for (auto& [service, node] : liveNodes) node->stopping = true;
  for (auto& node : retiredNodes) node->stopping = true;
  for (auto& [service, node] : liveNodes) StopDaemon(*node);
  for (auto& node : retiredNodes) StopDaemon(*node);
  liveNodes.clear();
  retiredNodes.clear();
  ForgetAllUploads();
  SaveHashCache();
}

bool OnUploadPauseEvent(kp_handle upload) { return PauseUpload(upload); }
bool OnUploadResumeEvent(kp_handle upload) { return ResumeUpload(upload); }
bool OnUploadRemoveEvent(kp_handle upload) { return RemoveUpload(upload); }

}  // namespace lan
