// DNS-SD through the Avahi daemon: our listening nodes that want it are
// announced as "_keplinor._tcp", and the same type is browsed and resolved to
// IPv4 "address:port" peers. Every Avahi call runs on Avahi's own poll thread;
// the functions below only exchange copies under a mutex of ours, so the main
// thread never waits for the daemon. Without a daemon (or a system bus)
// discovery is simply not available.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lan {

struct Announcement {
  std::string name;  // the node's name
  std::uint16_t port = 0;
};

struct FoundPeer {
  std::string address;  // "a.b.c.d:port"
  std::string name;     // the service name it was announced under
};

// What to announce from now on, and whether to browse at all. The first call
// that asks for browsing starts Avahi's poll thread; with nothing to announce
// and no browsing the thread stays idle. Any thread; the poll thread applies
// it shortly after.
void SetDiscovery(std::vector<Announcement> announcements, bool browse);
// The peers found, without our own announcements. Any thread.
std::vector<FoundPeer> FoundPeers();
// Whether the daemon answers. Any thread.
bool DiscoveryAvailable();
// Stops and joins the poll thread (it never calls the program). At the end only.
void StopDiscovery();

}  // namespace lan
