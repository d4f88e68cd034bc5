// The nodes: the service type, one service per node, their settings file
// "Lan.cfg" and the checks every typed setting passes. The file's reader and
// writer and the checks are pure functions (lan_node_settings.cpp); the node
// list (lan_nodes.cpp) is guarded by a mutex, never held while calling the
// program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lan_plugin.h"

namespace lan {

inline constexpr std::size_t kMaxNodes = 64;
inline constexpr std::size_t kMaxPeers = 256;
inline constexpr std::size_t kMaxLineBytes = 4096;
inline constexpr std::size_t kMaxNameChars = 64;
inline constexpr std::size_t kMaxCredentialBytes = 255;
inline constexpr const char* kNodesFileName = "Lan.cfg";

// ---- Pure parts (lan_node_settings.cpp)

// "This computer" on the default port, discovering; no GUID yet.
NodeSettings DefaultNodeSettings();
// Appends the peer unless the list has it already (letter case ignored).
bool AddPeerOnce(std::vector<std::string>& peers, std::string_view peer);

// "{8-4-4-4-12}" in upper-case hex.
std::string GuidText(const kp_guid& guid);
bool ParseGuidText(std::string_view text, kp_guid& guid);
bool SameGuid(const kp_guid& a, const kp_guid& b);

// Decimal 1..65535, nothing else.
bool ParsePort(std::string_view text, std::uint16_t& port);
// 1..64 characters of valid UTF-8, none of them a control character.
bool IsValidNodeName(std::string_view name);
// "host:port": a host name of [A-Za-z0-9.-] or a dotted IPv4 address.
bool IsValidPeer(std::string_view peer);
// Presented to peers as HTTP Basic credentials: bounded, no control characters,
// and no ':' in the user name (Basic splits at the first one).
bool IsValidUser(std::string_view user);
bool IsValidPassword(std::string_view password);

// Splits the peers as typed (one per line; commas separate too), trims blanks,
// drops empty entries and repeats. False at the first entry that is not a
// peer, which `bad` then holds, or when there are more than kMaxPeers.
bool ParsePeerText(std::string_view text, std::vector<std::string>& peers, std::string& bad);

// A node's fields as the user types them in a page; settings checked from it.
struct SettingsDraft {
  std::string name;
  std::string port;
  std::string peers;  // one per line
  std::string user;
  std::string password;
  bool discover = true;
};
SettingsDraft DraftOf(const NodeSettings& settings);
// Fills `settings` (its GUID is left alone) or answers false with what to say
// to the user.
bool SettingsFromDraft(const SettingsDraft& draft, NodeSettings& settings, std::string& problem);

// Reads the text of Lan.cfg. Nodes without a valid GUID, and repeats of a GUID
// already read, are dropped; a bad value is skipped and its field keeps the
// default (name "This computer", port 8441, discovery on). Bounded as the
// constants above say.
std::vector<NodeSettings> ParseNodesFile(std::string_view text);
std::string FormatNodesFile(const std::vector<NodeSettings>& nodes);

// ---- The node list (main thread unless said)

// Registers the type and one service per node of Lan.cfg in the folder (made
// with one default node when the file does not exist).
void StartNodes(const std::string& libraryFolder);
// OnApplicationStart: serves every node and starts DNS-SD.
void ServeAllNodes();
// The end: the servers are stopped by then; nothing is called.
void ForgetNodes();

kp_handle NodeType();

// Our own number for the node of a service, 0 when it is not ours. Resolves
// the handle of a service being added (ServiceAdd calls us back before it
// returns the handle).
std::uint32_t NodeIdOf(kp_handle service);

struct NodeView {
  std::uint32_t id = 0;
  kp_handle handle = 0;
  NodeSettings settings;
  bool listening = false;
  std::string reason;  // why it does not listen
  bool wanted = false;
};
// Any thread.
bool GetNodeView(std::uint32_t id, NodeView& view);

// What the wizard and the panel ask for. False with the problem to show; the
// node list and the file are then as they were.
bool AddNode(const NodeSettings& settings, std::string& problem);
bool ChangeNode(std::uint32_t id, const NodeSettings& settings, std::string& problem);
// OnServiceWizardRemove.
void RemoveNode(kp_handle service);
// OnServiceCheck: the service's check box serves the node (ticked) or stops
// serving it. Every start serves every node and ticks its box.
void SetNodeWanted(kp_handle service, bool wanted);

}  // namespace lan
