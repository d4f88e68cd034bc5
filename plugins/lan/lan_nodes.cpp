// The LAN plugin's nodes: one service of our type per node, registered at
// every start from Lan.cfg with the GUID it was first given (the program ties a
// service's access rights to it). The list is read by serving, searching and
// downloading threads, so it sits behind a mutex; the program is never called
// while that mutex is held, as a call may come back to us as an event.
#include "lan_nodes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <random>

#include "keplinor_plugin.h"
#include "lan_discovery.h"
#include "lan_files.h"
#include "lan_panels.h"

KP_IMPORT(ServiceAddType);
KP_IMPORT(ServiceAdd);
KP_IMPORT(ServiceEdit);
KP_IMPORT(ServiceSetOnline);
KP_IMPORT(ServiceSetCheck);

namespace lan {
namespace {

const char* const kTypeName = "LAN sharing";
const char* const kTypeIcon = "SmallOnlineIcon.bmp";
const char* const kOnlineIcon = "SmallOnlineIcon.bmp";
const char* const kOfflineIcon = "SmallOfflineIcon.bmp";
const char* const kNotWanted = "Not serving: the node's box in the list of services is not ticked.";
const kp_guid kTypeGuid = {0x5E0B7C2A, 0x91D4, 0x4F3B, {0xA6, 0xE8, 0x2C, 0x47, 0xD1, 0x9B, 0x3F, 0x60}};

// 64 nodes of a handful of lines, each at most kMaxLineBytes.
constexpr std::size_t kMaxFileBytes = 4u << 20;

// ---- The node list

struct Node {
  std::uint32_t id = 0;  // ours, passed as the service's Data; never reused
  kp_handle handle = 0;  // the program's, once known
  NodeSettings settings;
  bool listening = false;
  std::string reason;
  // The service's check box: ticked while the node is to be served. Every
  // start serves every node and ticks it.
  bool wanted = false;
};

std::mutex mutex;
std::vector<Node> nodes;
kp_handle serviceType = 0;
std::uint32_t nextId = 1;
std::string libraryFolder;
std::string nodesFile;
// Empty while Lan.cfg may be written; otherwise why it must not be.
std::string fileProblem;

Node* FindById(std::uint32_t id) {
  for (Node& node : nodes) {
    if (node.id == id) return &node;
  }
  return nullptr;
}

Node* FindByHandle(kp_handle handle) {
  if (handle == 0) return nullptr;
  for (Node& node : nodes) {
    if (node.handle == handle) return &node;
  }
  return nullptr;
}

std::vector<NodeSettings> AllSettings() {
  std::lock_guard lock(mutex);
  std::vector<NodeSettings> all;
  for (const Node& node : nodes) all.push_back(node.settings);
  return all;
}

bool Save(const std::vector<NodeSettings>& all, std::string& problem) {
  if (!fileProblem.empty()) {
    problem = fileProblem;
    return false;
  }
  if (WriteFileAtomically(nodesFile, FormatNodesFile(all))) return true;
  problem = "The settings could not be saved in " + nodesFile + ".";
  return false;
}

// Two of our nodes cannot listen on one port; said before anything changes.
bool PortTaken(const std::vector<NodeSettings>& others, std::uint16_t port, std::string& problem) {
  for (const NodeSettings& other : others) {
    if (other.port != port) continue;
    problem = "Port " + std::to_string(port) + " is the port of the node \"" + other.name + "\".";
    return true;
  }
  return false;
}

bool NewGuid(kp_guid& guid) {
  try {
    std::random_device random;
    std::uint32_t words[4];
    for (std::uint32_t& word : words) word = static_cast<std::uint32_t>(random());
    guid.Data1 = words[0];
    guid.Data2 = static_cast<std::uint16_t>(words[1] >> 16);
    // Version 4 (random) and the RFC 4122 variant.
    guid.Data3 = static_cast<std::uint16_t>((words[1] & 0x0FFFu) | 0x4000u);
    for (int i = 0; i < 4; ++i) {
      guid.Data4[i] = static_cast<std::uint8_t>(words[2] >> (8 * i));
      guid.Data4[4 + i] = static_cast<std::uint8_t>(words[3] >> (8 * i));
    }
    guid.Data4[0] = static_cast<std::uint8_t>((guid.Data4[0] & 0x3Fu) | 0x80u);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Tells DNS-SD what to announce (listening nodes that want it) and whether to
// browse (any node that wants it).
void PublishDiscovery() {
  std::vector<Announcement> announcements;
  bool browse = false;
  {
    std::lock_guard lock(mutex);
    for (const Node& node : nodes) {
      if (!node.settings.discover) continue;
      browse = true;
      if (node.listening) announcements.push_back(Announcement{node.settings.name, node.settings.port});
    }
  }
  SetDiscovery(std::move(announcements), browse);
}

// Puts the node into the list before ServiceAdd, which may call us back
// (OnServiceSelect) before it returns the handle. Answers the handle, 0 when
// the program did not take it (the entry is gone again then).
kp_handle Register(const NodeSettings& settings, std::uint32_t& id) {
  {
    std::lock_guard lock(mutex);
    id = nextId++;
    nodes.push_back(Node{id, 0, settings, false, {}, false});
  }
  const kp_handle handle =
      ServiceAdd(serviceType, settings.name.c_str(), kOnlineIcon, kOfflineIcon, id, settings.guid);
  std::lock_guard lock(mutex);
  Node* node = FindById(id);
  if (!node) return 0;
  if (handle == 0) {
    std::erase_if(nodes, [id](const Node& entry) { return entry.id == id; });
    return 0;
  }
  node->handle = handle;
  return handle;
}

// Starts (or restarts) serving the node; online exactly while it listens.
void Serve(std::uint32_t id) {
  kp_handle handle = 0;
  std::uint16_t port = 0;
  {
    std::lock_guard lock(mutex);
    const Node* node = FindById(id);
    if (!node || node->handle == 0) return;
    handle = node->handle;
    port = node->settings.port;
  }
  std::string reason;
  const bool listening = StartServing(handle, port, reason);
  {
    std::lock_guard lock(mutex);
    Node* node = FindById(id);
    if (!node) return;  // removed meanwhile
    node->listening = listening;
    node->reason = listening ? std::string() : (reason.empty() ? "The port could not be opened." : reason);
  }
  ServiceSetOnline(handle, listening ? KP_TRUE : KP_FALSE);
  PublishDiscovery();
  RefreshMainPanel();
}

// Ticks the node's box and serves it. Marked first: ServiceSetCheck tells us
// of the change, and that event must find nothing left to do.
void Want(std::uint32_t id) {
  kp_handle handle = 0;
  {
    std::lock_guard lock(mutex);
    Node* node = FindById(id);
    if (!node || node->handle == 0) return;
    node->wanted = true;
    handle = node->handle;
  }
  ServiceSetCheck(handle, KP_TRUE);
  Serve(id);
}

}  // namespace

// ---- What the other parts ask (lan_plugin.h)

bool GetNodeSettings(kp_handle service, NodeSettings& settings) {
  std::lock_guard lock(mutex);
  const Node* node = FindByHandle(service);
  if (!node) return false;
  settings = node->settings;
  return true;
}

std::vector<std::string> PeersOf(kp_handle service) {
  std::vector<std::string> peers;
  bool discover = false;
  {
    std::lock_guard lock(mutex);
    const Node* node = FindByHandle(service);
    if (!node) return peers;
    peers = node->settings.peers;
    discover = node->settings.discover;
  }
  if (discover) {
    for (const FoundPeer& found : FoundPeers()) AddPeerOnce(peers, found.address);
  }
  return peers;
}

bool IsOurService(kp_handle service) {
  std::lock_guard lock(mutex);
  return FindByHandle(service) != nullptr;
}

const std::string& LibraryFolder() { return libraryFolder; }

// ---- The node list

void StartNodes(const std::string& folder) {
  libraryFolder = folder.empty() ? std::string("./") : folder;
  if (libraryFolder.back() != '/') libraryFolder += '/';
  nodesFile = libraryFolder + kNodesFileName;
  fileProblem.clear();

  serviceType = ServiceAddType(kTypeName, kTypeIcon, kTypeGuid);
  if (serviceType == 0) return;  // a program without services

  std::vector<NodeSettings> loaded;
  struct stat info {};
  std::string text;
  if (::stat(nodesFile.c_str(), &info) != 0 && errno == ENOENT) {
    NodeSettings first = DefaultNodeSettings();
    if (NewGuid(first.guid)) {
      loaded.push_back(first);
      std::string ignored;
      Save(loaded, ignored);  // without it the node gets a new GUID next time
    }
  } else if (ReadSmallFile(nodesFile, kMaxFileBytes, text)) {
    loaded = ParseNodesFile(text);
  } else {
    // Writing over a file we could not read would lose the user's nodes.
    fileProblem =
        nodesFile + " could not be read; it is left as it is, and changes to the nodes are not saved.";
  }
  for (const NodeSettings& settings : loaded) {
    std::uint32_t id = 0;
    Register(settings, id);
  }
}

void ServeAllNodes() {
  std::vector<std::uint32_t> ids;
  {
    std::lock_guard lock(mutex);
    for (const Node& node : nodes) ids.push_back(node.id);
  }
  for (const std::uint32_t id : ids) Want(id);
  PublishDiscovery();
}

void ForgetNodes() {
  std::lock_guard lock(mutex);
  nodes.clear();
  serviceType = 0;
}

kp_handle NodeType() { return serviceType; }

std::uint32_t NodeIdOf(kp_handle service) {
  if (service == 0 || serviceType == 0) return 0;
  {
    std::lock_guard lock(mutex);
    if (const Node* node = FindByHandle(service)) return node->id;
  }
  // Inside ServiceAdd: the handle is not known yet, the record's Data is ours.
  const kp_service_record* record = kp_service_record_at(service);
  if (record->ServiceType != serviceType) return 0;
  const std::uint32_t id = record->Data;
  std::lock_guard lock(mutex);
  Node* node = FindById(id);
  if (!node || node->handle != 0) return 0;
  node->handle = service;
  return id;
}

bool GetNodeView(std::uint32_t id, NodeView& view) {
  std::lock_guard lock(mutex);
  const Node* node = FindById(id);
  if (!node) return false;
  view.id = node->id;
  view.handle = node->handle;
  view.settings = node->settings;
  view.listening = node->listening;
  view.reason = node->reason;
  view.wanted = node->wanted;
  return true;
}

bool AddNode(const NodeSettings& settings, std::string& problem) {
  if (serviceType == 0) {
    problem = "The program offers no services.";
    return false;
  }
  std::vector<NodeSettings> all = AllSettings();
  if (all.size() >= kMaxNodes) {
    problem = "There can be at most 64 nodes.";
    return false;
  }
  if (PortTaken(all, settings.port, problem)) return false;
  NodeSettings added = settings;
  bool fresh = false;
  for (int attempt = 0; attempt < 4 && !fresh; ++attempt) {
    fresh = NewGuid(added.guid) && std::none_of(all.begin(), all.end(), [&](const NodeSettings& node) {
              return SameGuid(node.guid, added.guid);
            });
  }
  if (!fresh) {
    problem = "No identity could be made for the new node.";
    return false;
  }
  all.push_back(added);
  if (!Save(all, problem)) return false;
  std::uint32_t id = 0;
  if (Register(added, id) == 0) {
    all.pop_back();
    std::string ignored;
    Save(all, ignored);
    problem = "The program did not take the new node.";
    return false;
  }
  Want(id);
  return true;
}

bool ChangeNode(std::uint32_t id, const NodeSettings& settings, std::string& problem) {
  NodeSettings before;
  NodeSettings changed = settings;
  std::vector<NodeSettings> all;
  {
    std::lock_guard lock(mutex);
    const Node* node = FindById(id);
    if (!node) {
      problem = "This node has been removed.";
      return false;
    }
    before = node->settings;
    changed.guid = before.guid;  // a node keeps its identity
    for (const Node& entry : nodes) {
      if (entry.id != id) all.push_back(entry.settings);
    }
  }
  if (PortTaken(all, changed.port, problem)) return false;
  all.clear();
  {
    std::lock_guard lock(mutex);
    for (const Node& entry : nodes) all.push_back(entry.id == id ? changed : entry.settings);
  }
  if (!Save(all, problem)) return false;
  kp_handle handle = 0;
  bool serve = false;
  {
    std::lock_guard lock(mutex);
    Node* node = FindById(id);
    if (!node) return true;
    node->settings = changed;
    handle = node->handle;
    // A wanted node that does not listen gets another try with every change.
    serve = node->wanted && (changed.port != before.port || !node->listening);
  }
  if (changed.name != before.name) ServiceEdit(handle, changed.name.c_str(), kOnlineIcon, kOfflineIcon, id);
  if (serve) {
    Serve(id);
  } else {
    PublishDiscovery();
    RefreshMainPanel();
  }
  return true;
}

void RemoveNode(kp_handle service) {
  const std::uint32_t id = NodeIdOf(service);
  if (id == 0) return;
  StopServing(service);
  {
    std::lock_guard lock(mutex);
    std::erase_if(nodes, [id](const Node& node) { return node.id == id; });
  }
  std::string ignored;
  Save(AllSettings(), ignored);
  PublishDiscovery();
  RefreshMainPanel();
}

void SetNodeWanted(kp_handle service, bool wanted) {
  const std::uint32_t id = NodeIdOf(service);
  kp_handle handle = 0;
  {
    std::lock_guard lock(mutex);
    Node* node = FindById(id);
    if (!node || node->wanted == wanted) return;
    node->wanted = wanted;
    handle = node->handle;
    if (!wanted) {
      node->listening = false;
      node->reason = kNotWanted;
    }
  }
  if (wanted) {
    Serve(id);
    return;
  }
  StopServing(handle);
  ServiceSetOnline(handle, KP_FALSE);
  PublishDiscovery();
  RefreshMainPanel();
}

}  // namespace lan
