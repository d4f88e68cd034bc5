#include "core/search/search_list.h"

#include <algorithm>
#include <utility>

#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/text_conversions.h"
#include "core/config/wildcard.h"
#include "core/host/message_packet.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_manager.h"

namespace kp {
namespace {

constexpr std::string_view kMusicIcon = "MusicIcon.bmp";
constexpr std::string_view kFileIcon = "FileIcon.bmp";

// A result's texts come from a plugin, and from its peers before that: each
// is kept to this many bytes, cut before a UTF-8 sequence, so no result can
// swell the list or the view.
constexpr std::size_t kMaxResultText = 4096;

std::string ResultText(std::string_view text) {
  if (text.size() <= kMaxResultText) return std::string(text);
  std::size_t end = kMaxResultText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) --end;
  return std::string(text.substr(0, end));
}

// Results of every service of one type group together, never across types.
std::string GroupKey(const TServiceHolder& service, std::string_view hashCode) {
  const std::uint32_t type = service.type ? service.type->Handle() : 0;
  std::string key = std::to_string(type);
  key += ':';
  key += hashCode;
  return key;
}

std::int32_t SearchIDOf(const TMessagePacket& packet) {
  return LowThirtyTwoBits(packet.GetInteger("iSearchID"));
}

}  // namespace

TSearchList::TSearchList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
                         std::string programFolder)
    : services_(services), plugins_(plugins), settings_(settings), programFolder_(std::move(programFolder)) {
  services_.AddListener(this);
}

TSearchList::~TSearchList() {
  services_.RemoveListener(this);
  for (TSearchContext* search : searches_) delete search;
}

// The counter wraps after kMaximumSearchID. An ID that an open search still
// carries is passed over: with two open searches of one ID, the newer one's
// results would land in the older one, and closing either would end both in
// the plugins' eyes.
std::int32_t TSearchList::AllocateSearchID() noexcept {
  std::int32_t id = nextSearchID_;
  for (std::int32_t tries = 0; tries <= kMaximumSearchID; ++tries) {
    id = nextSearchID_;
    nextSearchID_ = nextSearchID_ >= kMaximumSearchID ? 0 : nextSearchID_ + 1;
    if (!FindSearch(id)) return id;
  }
  return id;  // every ID is taken: the oldest search with it keeps receiving
}

TSearchContext& TSearchList::OpenSearch(std::string_view text1, std::string_view text2,
                                        std::int32_t minimumBitrate, std::int64_t minimumSize,
                                        std::int64_t maximumSize) {
  // Icon files added since the last search are found from this one on.
  iconCache_.clear();
  auto search = std::make_unique<TSearchContext>();
  std::string caption(text1);
  caption += ' ';
  caption += text2;
  search->Caption = std::string(Trim(caption));
  search->MinimumBitrate = minimumBitrate;
  search->MinimumSize = minimumSize;
  search->MaximumSize = maximumSize;
  search->SearchID = AllocateSearchID();
  TSearchContext& opened = *search;
  searches_.push_back(search.get());
  search.release();  // owned through the list from here on

  const TSearchingSettings& limits = settings_.Searching;
  if (limits.LimitResultTabs && searches_.size() > 1 &&
      static_cast<std::int64_t>(searches_.size()) > limits.MaximumResultTabs) {
    CloseSearch(*searches_.front());
  }
  if (view_) view_->SearchOpened(opened);
  RefreshIndicator();
  return opened;
}

void TSearchList::AddService(TSearchContext& search, std::uint32_t service) {
  TServiceHolder* holder = services_.FindService(service);
  if (!holder || !IsOpen(&search)) return;
  if (holder->plugin && std::find(search.ParticipatingPlugins.begin(), search.ParticipatingPlugins.end(),
                                  holder->plugin) == search.ParticipatingPlugins.end()) {
    search.ParticipatingPlugins.push_back(holder->plugin);
  }
  search.PendingServices.push_back(service);
  if (view_) view_->SearchStateChanged(search);
  RefreshIndicator();
}

void TSearchList::Stop(TSearchContext& search) {
  search.Stopped = true;
  if (view_) view_->SearchStateChanged(search);
  RefreshIndicator();
}

void TSearchList::StopSearch(TSearchContext& search) {
  if (!IsOpen(&search)) return;
  search.PendingServices.clear();
  Stop(search);
}

void TSearchList::CloseSearch(TSearchContext& search) {
  const auto at = std::find(searches_.begin(), searches_.end(), &search);
  if (at == searches_.end()) return;
  std::unique_ptr<TSearchContext> closing(*at);
  searches_.erase(at);

  for (TPluginHolder* plugin : closing->ParticipatingPlugins) {
    if (Loaded(plugin)) SendEvent(*plugin, EventNumber("OnSearchClose"), closing->SearchID);
  }
  if (current_ == closing.get()) current_ = nullptr;
  if (view_) view_->SearchClosing(*closing);
  if (current_ == closing.get()) current_ = nullptr;  // the view may have made it current again
  closing.reset();
  RefreshIndicator();
}

void TSearchList::CloseAll() {
  while (!searches_.empty()) CloseSearch(*searches_.front());
}

TSearchContext* TSearchList::FindSearch(std::int32_t searchId) const noexcept {
  for (TSearchContext* search : searches_) {
    if (search->SearchID == searchId) return search;
  }
  return nullptr;
}

bool TSearchList::AnySearching() const noexcept {
  return std::any_of(searches_.begin(), searches_.end(),
                     [](const TSearchContext* s) { return s->Searching(); });
}

bool TSearchList::Accepts(const TSearchContext& search, std::string_view description, std::int32_t bitrate,
                          std::int64_t size) const {
  const TSearchingSettings& searching = settings_.Searching;
  if (search.Stopped) return false;
  if (searching.LimitResults && search.ResultCount >= searching.MaximumResults) return false;
  for (const std::string& pattern : searching.FilterExtensions.Patterns()) {
    if (MatchWildcard(pattern, description)) return false;
  }
  // A minimum of 0 is no minimum at all: a file past 2 GiB arrives with a
  // negative size, and a plugin may report an unknown bitrate as negative;
  // neither may vanish from a search that set no limit.
  if (search.MinimumBitrate > 0 && bitrate < search.MinimumBitrate) return false;
  if (search.MinimumSize > 0 && size < search.MinimumSize) return false;
  if (search.MaximumSize > 0 && size > search.MaximumSize) return false;
  return true;
}

std::int32_t TSearchList::AddResult(TMessagePacket& packet) {
  TServiceHolder* service = services_.FindService(packet.GetObject("poService"));
  if (!service) return 0;
  TSearchContext* search = FindSearch(SearchIDOf(packet));
  if (!search) return 0;

  // A plugin reports sizes as 32-bit signed numbers: one past 2 GiB arrives
  // negative and stays so.
  const std::int64_t size = LowThirtyTwoBits(packet.GetInteger("iSize"));
  const std::int32_t bitrate = LowThirtyTwoBits(packet.GetInteger("iBitrate"));
  const std::string_view description = packet.GetString("sDescription");
  if (!Accepts(*search, description, bitrate, size)) return 0;

  auto result = std::make_unique<TSearchResultHolder>();
  result->Service = service;
  result->Plugin = service->plugin;
  result->Description = ResultText(description);
  result->HashCode = ResultText(packet.GetString("sHashCode"));
  result->Nick = ResultText(packet.GetString("sNick"));
  result->Size = size;
  result->Bitrate = bitrate;
  result->Length = LowThirtyTwoBits(packet.GetInteger("iLength"));
  result->Frequency = LowThirtyTwoBits(packet.GetInteger("iFrequency"));
  result->IsMusicFile = packet.GetBoolean("bIsMusicFile");
  result->URL = ResultText(packet.GetString("sURL"));
  result->Info = ResultText(packet.GetString("sInfo"));
  std::string_view icon = Trim(packet.GetString("sIconFileName"));
  if (icon.empty()) icon = result->IsMusicFile ? kMusicIcon : kFileIcon;
  result->IconFile = ResolveIcon(icon, service->plugin);
  result->FillRecord();

  if (settings_.Searching.GroupResults && !Trim(result->HashCode).empty()) {
    const auto [entry, added] =
        search->GroupIndex.try_emplace(GroupKey(*service, result->HashCode), result.get());
    if (!added) {
      result->Parent = entry->second;
      entry->second->Children.push_back(result.get());
    }
  }
  if (!result->Parent) ++search->ResultCount;
  const std::size_t first = search->Results.size();
  search->Results.push_back(std::move(result));
  if (view_) view_->ResultsAdded(*search, first);
  return 0;
}

std::int32_t TSearchList::Complete(TMessagePacket& packet) {
  const std::uint32_t service = packet.GetObject("poService");
  if (!services_.FindService(service)) return 0;
  TSearchContext* search = FindSearch(SearchIDOf(packet));
  if (!search) return 0;
  ServiceDone(*search, service);
  return 0;
}

void TSearchList::ServiceDone(TSearchContext& search, std::uint32_t service) {
  auto& pending = search.PendingServices;
  const auto at = std::find(pending.begin(), pending.end(), service);
  if (at != pending.end()) pending.erase(at);
  PendingChanged(search);
}

void TSearchList::PendingChanged(TSearchContext& search) {
  if (search.PendingServices.empty()) {
    Stop(search);
    return;
  }
  if (view_) view_->SearchStateChanged(search);
  RefreshIndicator();
}

void TSearchList::ServiceAdded(TServiceHolder&) {}

// A removed service can no longer complete: it stops being pending (which may
// finish its searches), and its results no longer name it. Its plugin still
// hears OnSearchClose and its results' events.
void TSearchList::ServiceRemoving(TServiceHolder& service) {
  const std::uint32_t handle = service.Handle();
  const std::vector<TSearchContext*> open = searches_;
  for (TSearchContext* search : open) {
    if (!IsOpen(search)) continue;  // a view's reaction closed it
    for (const auto& result : search->Results) {
      if (result->Service == &service) result->Service = nullptr;
    }
    auto& pending = search->PendingServices;
    const auto removed = std::remove(pending.begin(), pending.end(), handle);
    if (removed == pending.end()) continue;
    pending.erase(removed, pending.end());
    PendingChanged(*search);
  }
}

void TSearchList::AddResultButton(TPluginHolder* caller, std::int32_t command, std::string_view description,
                                  std::string_view iconFile) {
  if (!current_ || !view_) return;
  view_->AddResultButton(*current_, caller, static_cast<std::int16_t>(command), description,
                         ResolveIcon(iconFile, caller));
}

std::uint32_t TSearchList::AddResultMenuEntry(TPluginHolder* caller, std::int32_t command,
                                              std::uint32_t parentMenu, std::string_view description,
                                              std::string_view iconFile) {
  if (!current_ || !view_) return 0;
  return view_->AddResultMenuEntry(*current_, caller, static_cast<std::int16_t>(command), parentMenu,
                                   description, ResolveIcon(iconFile, caller));
}

void TSearchList::SelectResult(TSearchContext& search, const TSearchResultHolder& result) {
  if (!IsOpen(&search)) return;
  current_ = &search;
  if (TPluginHolder* plugin = Loaded(result.Plugin)) {
    SendEvent(*plugin, EventNumber("OnSearchResultSelect"), result.Handle());
  }
}

void TSearchList::SendResultCommand(const TSearchResultHolder& result, std::int32_t command, bool fromMenu) {
  TPluginHolder* plugin = Loaded(result.Plugin);
  if (!plugin) return;
  if (fromMenu) {
    SendEvent(*plugin, EventNumber("OnSearchResultMenu"), command, result.Handle());
  } else {
    SendEvent(*plugin, EventNumber("OnSearchResultButton"), command, result.Handle());
  }
}

void TSearchList::ExecuteResult(const TSearchResultHolder& result) {
  if (TPluginHolder* plugin = Loaded(result.Plugin)) {
    SendEvent(*plugin, EventNumber("OnSearchResultExecute"), result.Handle());
  }
}

bool TSearchList::IsOpen(const TSearchContext* search) const noexcept {
  return std::find(searches_.begin(), searches_.end(), search) != searches_.end();
}

TPluginHolder* TSearchList::Loaded(TPluginHolder* plugin) const noexcept { return plugins_.Loaded(plugin); }

std::string TSearchList::ResolveIcon(std::string_view name, const TPluginHolder* plugin) const {
  // Results come by the thousand with a handful of icon names: each pair is
  // looked up on disk once per search opened, not once per result.
  const std::string_view folder = plugin ? std::string_view(plugin->Folder()) : std::string_view();
  std::string key;
  key.reserve(folder.size() + 1 + name.size());
  key.append(folder).push_back('\0');
  key.append(name);
  if (const auto found = iconCache_.find(key); found != iconCache_.end()) return found->second;
  // Names come from plugins: the cache stays small whatever they send.
  if (iconCache_.size() >= kIconCacheLimit) iconCache_.clear();
  return iconCache_.emplace(std::move(key), ResolveIconFile(name, folder, programFolder_)).first->second;
}

void TSearchList::RefreshIndicator() {
  if (view_) view_->RefreshSearchIndicator();
}

}  // namespace kp
