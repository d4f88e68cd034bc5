// DNS-SD with avahi-client. avahi-client talks to the daemon over D-Bus with
// calls that wait for the answer, so none of them is ever made on the main
// thread: everything Avahi is done on the threaded poll's own thread, which a
// timer of its own wakes once a second to pick up what the main thread asked
// for. Its callbacks run with the poll's lock held and touch only this file's
// state; they never call the program.
#include "lan_discovery.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/address.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <algorithm>
#include <mutex>
#include <utility>

namespace lan {
namespace {

const char* const kServiceType = "_keplinor._tcp";
constexpr unsigned kTickMs = 1000;
constexpr unsigned kReconnectMs = 30000;
constexpr std::size_t kMaxFound = 256;
constexpr int kMaxResolvers = 32;
// A DNS-SD instance name is one DNS label.
constexpr std::size_t kMaxServiceNameBytes = 63;

// ---- Shared with the other threads, under `mutex`

struct Found {
  AvahiIfIndex interface = AVAHI_IF_UNSPEC;
  std::string name;
  std::string domain;
  std::string address;
};

std::mutex mutex;
std::vector<Announcement> wanted;
bool wantBrowse = false;
bool wantedChanged = false;
bool available = false;
std::vector<Found> found;
// What we announce now, under the names the network accepted.
std::vector<Announcement> published;

// ---- Started and stopped by the main thread, under `startMutex`

std::mutex startMutex;
AvahiThreadedPoll* poll = nullptr;

// ---- The poll thread's own (and StopDiscovery's once the thread is gone)

AvahiClient* client = nullptr;
AvahiEntryGroup* group = nullptr;
AvahiServiceBrowser* browser = nullptr;
AvahiTimeout* tick = nullptr;
bool reconnect = false;
struct timeval nextConnect {};
int resolvers = 0;
std::vector<Announcement> announcing;  // names as announced, after collisions

// Tags for the resolver's user data: whether the browser saw it as ours.
char localTag = 0;
char remoteTag = 0;

std::string ServiceName(const std::string& name) {
  if (name.size() <= kMaxServiceNameBytes) return name;
  std::size_t cut = kMaxServiceNameBytes;
  // Never split a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

// Names come from the network: kept bounded.
std::string Bounded(const char* text) { return std::string(text).substr(0, 255); }

void SetAvailable(bool now) {
  std::lock_guard lock(mutex);
  available = now;
  if (!now) {
    found.clear();
    published.clear();
  }
}

bool IsPublished(const std::string& name, std::uint16_t port) {
  std::lock_guard lock(mutex);
  return std::any_of(published.begin(), published.end(),
                     [&](const Announcement& own) { return own.port == port && own.name == name; });
}

void Announce();

void OnGroup(AvahiEntryGroup* changed, AvahiEntryGroupState state, void*) {
  if (state != AVAHI_ENTRY_GROUP_COLLISION || changed != group) return;
  // Another host announces one of the names: take the next free ones.
  for (Announcement& entry : announcing) {
    char* alternative = avahi_alternative_service_name(entry.name.c_str());
    if (alternative) entry.name = ServiceName(alternative);
    avahi_free(alternative);
  }
  Announce();
}

void Announce() {
  if (!client) return;
  if (!group) group = avahi_entry_group_new(client, OnGroup, nullptr);
  if (!group) return;
  avahi_entry_group_reset(group);
  std::vector<Announcement> accepted;
  for (Announcement& entry : announcing) {
    for (int attempt = 0; attempt < 8; ++attempt) {
      const int result = avahi_entry_group_add_service(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                                       static_cast<AvahiPublishFlags>(0), entry.name.c_str(),
                                                       kServiceType, nullptr, nullptr, entry.port, nullptr);
      if (result == AVAHI_OK) {
        accepted.push_back(entry);
        break;
      }
      if (result != AVAHI_ERR_COLLISION) break;
      char* alternative = avahi_alternative_service_name(entry.name.c_str());
      if (!alternative) break;
      entry.name = ServiceName(alternative);
      avahi_free(alternative);
    }
  }
  if (!accepted.empty()) avahi_entry_group_commit(group);
  std::lock_guard lock(mutex);
  published = std::move(accepted);
}

void OnResolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
                AvahiResolverEvent event, const char* name, const char*, const char* domain, const char*,
                const AvahiAddress* address, std::uint16_t port, AvahiStringList*, AvahiLookupResultFlags,
                void* tag) {
  const bool usable = event == AVAHI_RESOLVER_FOUND && address && address->proto == AVAHI_PROTO_INET &&
                      port != 0 && name && domain;
  std::string text;
  if (usable) {
    char buffer[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(buffer, sizeof buffer, address);
    text = std::string(buffer) + ":" + std::to_string(port);
  }
  // Ours too when our own node's name and port come back from this machine.
  const bool ours = usable && tag == &localTag && IsPublished(name, port);
  avahi_service_resolver_free(resolver);
  --resolvers;
  // A resolver that outlived the browse finds nobody asking.
  if (!usable || ours || !browser) return;
  std::lock_guard lock(mutex);
  for (Found& entry : found) {
    if (entry.interface == interface && entry.name == Bounded(name) && entry.domain == Bounded(domain)) {
      entry.address = text;
      return;
    }
  }
  if (found.size() < kMaxFound) found.push_back(Found{interface, Bounded(name), Bounded(domain), text});
}

void OnBrowsed(AvahiServiceBrowser* changed, AvahiIfIndex interface, AvahiProtocol protocol,
               AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
               AvahiLookupResultFlags flags, void*) {
  if (event == AVAHI_BROWSER_FAILURE) {
    if (changed == browser) {
      avahi_service_browser_free(browser);
      browser = nullptr;  // made again at the next tick
    }
    return;
  }
  if (!name || !type || !domain) return;
  if (event == AVAHI_BROWSER_REMOVE) {
    std::lock_guard lock(mutex);
    std::erase_if(found, [&](const Found& entry) {
      return entry.interface == interface && entry.name == Bounded(name) && entry.domain == Bounded(domain);
    });
    return;
  }
  if (event != AVAHI_BROWSER_NEW || (flags & AVAHI_LOOKUP_RESULT_OUR_OWN) || resolvers >= kMaxResolvers)
    return;
  void* tag = (flags & AVAHI_LOOKUP_RESULT_LOCAL) ? &localTag : &remoteTag;
  if (avahi_service_resolver_new(client, interface, protocol, name, type, domain, AVAHI_PROTO_INET,
                                 static_cast<AvahiLookupFlags>(0), OnResolved, tag)) {
    ++resolvers;
  }
}

// Brings the browser and the announcements in line with what was asked.
void Apply(bool force) {
  std::vector<Announcement> asked;
  bool browse = false;
  bool changed = false;
  {
    std::lock_guard lock(mutex);
    asked = wanted;
    browse = wantBrowse;
    changed = wantedChanged;
    wantedChanged = false;
  }
  if (browse && !browser) {
    browser = avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, kServiceType, nullptr,
                                        static_cast<AvahiLookupFlags>(0), OnBrowsed, nullptr);
  } else if (!browse && browser) {
    avahi_service_browser_free(browser);
    browser = nullptr;
    std::lock_guard lock(mutex);
    found.clear();
  }
  if (!changed && !force) return;
  announcing.clear();
  for (const Announcement& entry : asked)
    announcing.push_back(Announcement{ServiceName(entry.name), entry.port});
  Announce();
}

void OnClient(AvahiClient* changed, AvahiClientState state, void*) {
  // The first call comes from inside avahi_client_new, before `client` is set.
  client = changed;
  switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
      SetAvailable(true);
      Apply(true);
      break;
    case AVAHI_CLIENT_S_COLLISION:
    case AVAHI_CLIENT_S_REGISTERING:
      // The host's name changes; announce again once it runs.
      if (group) avahi_entry_group_reset(group);
      break;
    case AVAHI_CLIENT_FAILURE:
      // The daemon went away: start over with a new client at the next tick.
      SetAvailable(false);
      reconnect = true;
      break;
    case AVAHI_CLIENT_CONNECTING:
      SetAvailable(false);
      break;
  }
}

bool Later(const struct timeval& a, const struct timeval& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_usec > b.tv_usec);
}

void OnTick(AvahiTimeout* timeout, void*) {
  struct timeval now {};
  avahi_elapse_time(&now, 0, 0);
  if (reconnect && client) {
    avahi_client_free(client);  // its group, browser and resolvers go with it
    client = nullptr;
    group = nullptr;
    browser = nullptr;
    resolvers = 0;
    avahi_elapse_time(&nextConnect, kReconnectMs, 0);
  }
  reconnect = false;
  if (!client && !Later(nextConnect, now)) {
    int error = 0;
    AvahiClient* made =
        avahi_client_new(avahi_threaded_poll_get(poll), AVAHI_CLIENT_NO_FAIL, OnClient, nullptr, &error);
    client = made;
    if (!made) {
      // No system bus: try again now and then.
      SetAvailable(false);
      avahi_elapse_time(&nextConnect, kReconnectMs, 0);
    }
  }
  if (client && avahi_client_get_state(client) == AVAHI_CLIENT_S_RUNNING) Apply(false);
  struct timeval next {};
  avahi_elapse_time(&next, kTickMs, 0);
  avahi_threaded_poll_get(poll)->timeout_update(timeout, &next);
}

void StartPoll() {
  std::lock_guard lock(startMutex);
  if (poll) return;
  poll = avahi_threaded_poll_new();
  if (!poll) return;
  nextConnect = {};
  reconnect = false;
  struct timeval now {};
  avahi_elapse_time(&now, 0, 0);
  // Safe without the poll's lock: its thread does not run yet.
  const AvahiPoll* api = avahi_threaded_poll_get(poll);
  tick = api->timeout_new(api, &now, OnTick, nullptr);
  if (!tick || avahi_threaded_poll_start(poll) < 0) {
    avahi_threaded_poll_free(poll);
    poll = nullptr;
    tick = nullptr;
  }
}

}  // namespace

void SetDiscovery(std::vector<Announcement> announcements, bool browse) {
  {
    std::lock_guard lock(mutex);
    wanted = std::move(announcements);
    wantBrowse = browse;
    wantedChanged = true;
  }
  if (browse) StartPoll();
}

std::vector<FoundPeer> FoundPeers() {
  std::lock_guard lock(mutex);
  std::vector<FoundPeer> peers;
  // A node is seen once on every interface that reaches it (the loopback
  // among them on its own machine); asking it twice would report its files twice.
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Found& entry = found[i];
    const auto same = [&](const Found& other) { return other.name == entry.name && other.domain == entry.domain; };
    if (std::none_of(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(i), same)) {
      peers.push_back(FoundPeer{entry.address, entry.name});
    }
  }
  return peers;
}

bool DiscoveryAvailable() {
  std::lock_guard lock(mutex);
  return available;
}

void StopDiscovery() {
  std::lock_guard lock(startMutex);
  if (!poll) return;
  avahi_threaded_poll_stop(poll);
  // The thread is gone: what it owned is ours to free.
  if (client) avahi_client_free(client);
  client = nullptr;
  group = nullptr;
  browser = nullptr;
  resolvers = 0;
  announcing.clear();
  avahi_threaded_poll_free(poll);  // with the timer
  poll = nullptr;
  tick = nullptr;
  SetAvailable(false);
}

}  // namespace lan
