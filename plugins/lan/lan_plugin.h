// What the LAN plugin's parts share. The plugin is one network: every service
// of its type is a node that serves the user's shared files over HTTP on a TCP
// port and asks a list of peer nodes (and those DNS-SD finds) when the user
// searches or downloads.
//
// Parts and their files:
//   lan_plugin.cpp      entry points; routes the program's events to the parts
//   lan_nodes.*         the service type, the nodes, their settings file
//   lan_panels.*        the wizard pages and the main panel (Qt, desktop only)
//   lan_discovery.*     DNS-SD announcement and browsing (Avahi)
//   lan_server.*        serving one node over HTTP (libmicrohttpd)
//   lan_uploads.*       what a served file asks of the program's upload queue
//   lan_search.*        asking peers and reporting their hits (libcurl)
//   lan_downloads.*     fetching a result, resuming, checking, finishing (libcurl)
//   lan_hash.*, lan_files.*, lan_http_text.*   helpers without program calls
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keplinor_types.h"

namespace lan {

// ---- A node's settings (lan_nodes.cpp keeps them in "Lan.cfg" beside the library)

struct NodeSettings {
  kp_guid guid{};
  std::string name;                // the service's caption and the nick peers show
  std::uint16_t port = 0;          // where it listens
  std::vector<std::string> peers;  // "host:port", as the user typed them
  std::string user;                // the account presented to peers; empty for none
  std::string password;
  bool discover = true;            // announce and browse with DNS-SD
};

inline constexpr std::uint16_t kDefaultPort = 8441;

// The node's settings and the peers DNS-SD found for it, copied; false for a
// handle that is not one of our services. Safe from any thread.
bool GetNodeSettings(kp_handle service, NodeSettings& settings);
std::vector<std::string> PeersOf(kp_handle service);  // typed ones first, then discovered
bool IsOurService(kp_handle service);
// The folder of our library, with a trailing '/'.
const std::string& LibraryFolder();

// ---- Serving (lan_server.cpp)

// Starts or restarts serving the node on its port; false with a reason when the
// port cannot be opened. Main thread only; never waits for a serving thread.
bool StartServing(kp_handle service, std::uint16_t port, std::string& reason);
// Stops serving the node. From the main thread this does not wait for the
// serving threads (they may be waiting for the main thread); they end on
// their own and StopAllServing joins what is left.
void StopServing(kp_handle service);
// At the end (OnApplicationEnd or shutdown): stops every node and joins every thread.
void StopAllServing();
// The upload events; false when the upload is not one of ours.
bool OnUploadPauseEvent(kp_handle upload);
bool OnUploadResumeEvent(kp_handle upload);
bool OnUploadRemoveEvent(kp_handle upload);

// ---- Searching (lan_search.cpp)

void StartSearch(kp_handle service, std::int32_t searchId, const char* text1, const char* text2, bool mp3,
                 std::int32_t maximumSize, std::int32_t minimumSize, std::int32_t minimumBitrate);
void CloseSearch(std::int32_t searchId);
void StopAllSearches();  // joins

// ---- Downloading (lan_downloads.cpp)

void ExecuteResult(kp_handle result);
bool OnDownloadStartEvent(kp_handle download);
bool OnDownloadPauseEvent(kp_handle download);
bool OnDownloadResumeEvent(kp_handle download);
bool OnDownloadRemoveEvent(kp_handle download);
void StopAllDownloads();  // joins

}  // namespace lan
