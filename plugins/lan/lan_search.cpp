// A search asks every peer of the node at once from one thread of its own
// (curl multi), reports each peer's hits as its answer arrives and completes
// the search when every peer has answered, failed or timed out. Closing the
// search stops the thread's reports; the thread itself is joined later, never
// from an event while it may be waiting for the main thread.
#include "lan_search.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "keplinor_plugin.h"
#include "lan_http_fetch.h"
#include "lan_http_text.h"
#include "lan_nodes.h"
#include "lan_peer_answers.h"
#include "lan_plugin.h"

KP_IMPORT(SearchResultAdd);
KP_IMPORT(SearchComplete);

namespace lan {
namespace {

constexpr long kConnectTimeoutMs = 3000;
constexpr long kAnswerTimeoutMs = 8000;
constexpr std::size_t kMaxAnswerBytes = 4u << 20;
constexpr std::size_t kMaxPeersAsked = 512;
constexpr std::size_t kMaxSearchTextBytes = 256;
constexpr int kPollMs = 500;

struct Search {
  kp_handle service = 0;
  std::int32_t id = 0;
  std::string query;
  CurlMulti multi;  // lives until the thread is joined, so a close can wake it
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  std::thread thread;

  void Stop() {
    stop = true;
    if (multi) curl_multi_wakeup(multi.get());
  }
};

// One peer's request inside a search.
struct Ask {
  std::string peer;
  CurlEasy easy;
  BoundedBody body;
  ResponseHeaders headers;
};

// Touched by events (main thread) and StopAllSearches; the search threads
// never take it, so an event never waits for them.
std::mutex searchesLock;
std::vector<std::unique_ptr<Search>> searches;

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string CleanSearchText(const char* text) {
  return Trimmed(CleanText(text ? text : "", kMaxSearchTextBytes, kMaxSearchTextBytes));
}

// Sizes above 4 GiB do not fit the contract's 32-bit field; the largest value
// it holds reads as "very large" instead of a wrapped small size.
std::int32_t ContractSize(std::int64_t size) {
  const auto clamped = static_cast<std::uint32_t>(std::min<std::int64_t>(size, 0xFFFFFFFFLL));
  return static_cast<std::int32_t>(clamped);
}

void Report(Search& search, const Ask& ask) {
  PeerSearchAnswer answer;
  if (!ParseSearchAnswer(ask.body.bytes, answer)) return;
  const std::string nick = answer.node.empty() ? ask.peer : answer.node;
  for (const PeerHit& hit : answer.hits) {
    if (search.stop) return;
    const std::string info = hit.path + " on " + ask.peer;
    const std::string url = MakeResultUrl(ask.peer, hit.path, hit.size, hit.hash);
    SearchResultAdd(search.service, search.id, hit.name.c_str(), hit.hash.c_str(), nick.c_str(),
                    ContractSize(hit.size), hit.bitrate, hit.length, hit.frequency,
                    hit.mp3 ? KP_TRUE : KP_FALSE, "", info.c_str(), url.c_str());
  }
}

void AskPeers(Search& search) {
  NodeSettings settings;
  if (!GetNodeSettings(search.service, settings) || search.stop) return;
  std::vector<std::string> peers = PeersOf(search.service);
  if (search.stop || !search.multi) return;
  if (peers.size() > kMaxPeersAsked) peers.resize(kMaxPeersAsked);

  curl_slist* accept = curl_slist_append(nullptr, "Accept: application/json");
  std::vector<std::unique_ptr<Ask>> asks;
  for (const std::string& peer : peers) {
    if (!IsValidPeer(peer)) continue;
    auto ask = std::make_unique<Ask>();
    ask->peer = peer;
    ask->body.limit = kMaxAnswerBytes;
    ask->easy =
        NewPeerRequest("http://" + peer + search.query, settings.user, settings.password, kConnectTimeoutMs);
    if (!ask->easy) continue;
    CURL* easy = ask->easy.get();
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, kAnswerTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, accept);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, ask.get());
    CollectHeaders(easy, ask->headers);
    CollectBody(easy, ask->body);
    if (curl_multi_add_handle(search.multi.get(), easy) == CURLM_OK) asks.push_back(std::move(ask));
  }

  int running = static_cast<int>(asks.size());
  while (running > 0 && !search.stop) {
    if (curl_multi_perform(search.multi.get(), &running) != CURLM_OK) break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(search.multi.get(), &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      Ask* ask = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&ask));
      if (ask && message->data.result == CURLE_OK && ask->headers.status == 200 && !ask->body.overflowed) {
        Report(search, *ask);
      }
      if (ask) ask->body.bytes = std::string();  // answers can be large; keep one at a time
    }
    if (running > 0 && !search.stop) curl_multi_poll(search.multi.get(), nullptr, 0, kPollMs, nullptr);
  }
  for (const auto& ask : asks) curl_multi_remove_handle(search.multi.get(), ask->easy.get());
  asks.clear();
  curl_slist_free_all(accept);
}

void Run(Search& search) {
  AskPeers(search);
  // After a close the program drops it anyway; at the end it is not carried out.
  if (!search.stop) SearchComplete(search.service, search.id);
  search.done = true;
}

// Joins the threads that have ended; they make no call after `done`.
void ReapLocked() {
  std::erase_if(searches, [](const std::unique_ptr<Search>& search) {
    if (!search->done) return false;
    if (search->thread.joinable()) search->thread.join();
    return true;
  });
}

}  // namespace

std::string SearchQuery(const std::string& text1, const std::string& text2, bool mp3,
                        std::int32_t maximumSize, std::int32_t minimumSize, std::int32_t minimumBitrate) {
  const std::string first = CleanSearchText(text1.c_str());
  const std::string second = mp3 ? CleanSearchText(text2.c_str()) : std::string();
  const std::string words = Trimmed(first + " " + second);
  if (words.empty()) return {};
  std::string query = "/?format=json&search=" + http::PercentEncodeName(words);
  if (minimumSize > 0) query += "&min=" + std::to_string(minimumSize);
  if (maximumSize > 0) query += "&max=" + std::to_string(maximumSize);
  if (minimumBitrate > 0) query += "&bitrate=" + std::to_string(minimumBitrate);
  if (mp3)
    query += "&mp3=1&artist=" + http::PercentEncodeName(first) + "&title=" + http::PercentEncodeName(second);
  return query;
}

void StartSearch(kp_handle service, std::int32_t searchId, const char* text1, const char* text2, bool mp3,
                 std::int32_t maximumSize, std::int32_t minimumSize, std::int32_t minimumBitrate) {
  auto search = std::make_unique<Search>();
  search->service = service;
  search->id = searchId;
  search->query =
      SearchQuery(text1 ? text1 : "", text2 ? text2 : "", mp3, maximumSize, minimumSize, minimumBitrate);
  if (search->query.empty()) {
    SearchComplete(service, searchId);  // nothing to ask for; on the main thread this is carried out at once
    return;
  }
  search->multi = NewMulti();
  std::lock_guard lock(searchesLock);
  ReapLocked();
  // The same search asked again for the same service replaces the first.
  for (const auto& old : searches) {
    if (old->service == service && old->id == searchId) old->Stop();
  }
  Search& running = *search;
  try {
    running.thread = std::thread([&running] { Run(running); });
  } catch (const std::system_error&) {
    SearchComplete(service, searchId);
    return;
  }
  searches.push_back(std::move(search));
}

void CloseSearch(std::int32_t searchId) {
  std::lock_guard lock(searchesLock);
  for (const auto& search : searches) {
    if (search->id == searchId) search->Stop();
  }
  ReapLocked();
}

void StopAllSearches() {
  std::vector<std::unique_ptr<Search>> stopping;
  {
    std::lock_guard lock(searchesLock);
    for (const auto& search : searches) search->Stop();
    stopping.swap(searches);
  }
  for (const auto& search : stopping) {
    if (search->thread.joinable()) search->thread.join();
  }
}

}  // namespace lan
