#include "core/search/search_request.h"

#include <algorithm>

#include "core/config/text_basics.h"
#include "core/config/text_ids.h"
#include "core/host/plugin_events.h"
#include "core/platform/file_io.h"

namespace kp {

std::optional<TTextId> FaultMessage(TRequestFault fault) noexcept {
  if (fault == TRequestFault::NoSearchText) return text::kSearchTextMissing;
  return std::nullopt;
}

TSearchRequest::TSearchRequest(TServiceRegistry& registry, ISearchOpener& opener,
                               const TSearchingSettings& settings)
    : registry_(registry), opener_(opener), settings_(settings) {
  sources_.push_back(TSearchSource{});
  for (TServiceHolder* service : registry_.Services()) ServiceAdded(*service);
  registry_.AddListener(this);
}

TSearchRequest::~TSearchRequest() { registry_.RemoveListener(this); }

TSourceLabel TSearchRequest::SourceLabel(std::size_t index) const {
  if (index >= sources_.size()) return {};
  const TSearchSource& source = sources_[index];
  if (source.kind == TSourceKind::ServiceType) {
    if (const TServiceTypeHolder* type = registry_.FindType(source.type)) {
      return {type->description, type->iconFileName};
    }
  } else if (source.kind == TSourceKind::Service) {
    if (const TServiceHolder* service = registry_.FindService(source.service)) {
      return {service->description, service->onlineIconFileName};
    }
  }
  return {};
}

void TSearchRequest::SelectSource(int index) noexcept {
  selected_ = (index >= 0 && static_cast<std::size_t>(index) < sources_.size()) ? index : -1;
}

void TSearchRequest::Prepare() noexcept {
  if (selected_ < 0) selected_ = 0;
}

std::vector<std::uint32_t> TSearchRequest::ChosenServices() const {
  std::vector<std::uint32_t> chosen;
  if (selected_ < 0) return chosen;
  const TSearchSource& source = sources_[static_cast<std::size_t>(selected_)];
  switch (source.kind) {
    case TSourceKind::AllServices:
      for (const TServiceHolder* service : registry_.Services()) chosen.push_back(service->Handle());
      break;
    case TSourceKind::ServiceType:
      if (const TServiceTypeHolder* type = registry_.FindType(source.type)) {
        for (const TServiceHolder* service : type->services) chosen.push_back(service->Handle());
      }
      break;
    case TSourceKind::Service:
      if (registry_.FindService(source.service)) chosen.push_back(source.service);
      break;
  }
  return chosen;
}

TRequestFault TSearchRequest::Check() const {
  // The second text counts while it is hidden, too: it is sent all the same.
  if (Trim(text1_).empty() && Trim(text2_).empty()) return TRequestFault::NoSearchText;
  if (selected_ < 0) return TRequestFault::NoSource;
  return TRequestFault::None;
}

TSearchRequest::TSendOutcome TSearchRequest::Send() {
  const TRequestFault fault = Check();
  if (fault != TRequestFault::None) return {fault, -1};

  const std::vector<std::uint32_t> services = ChosenServices();
  // Copies: the plugins hear the texts as typed, and nothing they do while
  // they are called may change what the later ones hear.
  const std::string text1 = text1_;
  const std::string text2 = text2_;
  const std::int32_t searchID = opener_.OpenSearch(text1, text2, MinimumBitrate.Effective(),
                                                   MinimumSize.Effective(), MaximumSize.Effective());
  for (const std::uint32_t service : services) SendToService(service, searchID, text1, text2);
  UpdateHistory();
  return {TRequestFault::None, searchID};
}

void TSearchRequest::SendToService(std::uint32_t handle, std::int32_t searchID, const std::string& text1,
                                   const std::string& text2) {
  // An earlier plugin may have removed this service while it was asked.
  if (!registry_.FindService(handle)) return;
  // A service whose plugin lacks the event is still asked: the search waits
  // for it like for any other.
  opener_.AddService(handle);
  const TServiceHolder* service = registry_.FindService(handle);
  if (!service || !service->plugin) return;
  SendEvent(*service->plugin, EventNumber("OnSearchRequest"), handle, searchID, text1.c_str(), text2.c_str(),
            std::int32_t{mp3_ ? 1 : 0}, MaximumSize.Effective(), MinimumSize.Effective(),
            MinimumBitrate.Effective());
}

void TSearchRequest::UpdateHistory() {
  if (settings_.KeepHistory) {
    AddToHistory(history1_, text1_, settings_.MaximumHistory);
    AddToHistory(history2_, text2_, settings_.MaximumHistory);
  }
  // What the settings do not keep goes, as after a change of the settings.
  ApplyHistorySettings(settings_);
}

void TSearchRequest::LoadSearchHistory(std::string_view programFolder) {
  history1_ = ReadHistoryFile(JoinPath(programFolder, kSearchHistory1FileName));
  history2_ = ReadHistoryFile(JoinPath(programFolder, kSearchHistory2FileName));
  if (view_) view_->TextsChanged();
}

bool TSearchRequest::SaveSearchHistory(std::string_view programFolder) const {
  const bool first = WriteHistoryFile(JoinPath(programFolder, kSearchHistory1FileName), history1_);
  const bool second = WriteHistoryFile(JoinPath(programFolder, kSearchHistory2FileName), history2_);
  return first && second;
}

void TSearchRequest::ClearSearchHistory() {
  history1_.clear();
  history2_.clear();
  text1_.clear();
  text2_.clear();
  if (view_) view_->TextsChanged();
}

void TSearchRequest::ApplyHistorySettings(const TSearchingSettings& searching) {
  if (!searching.KeepHistory) {
    history1_.clear();
    history2_.clear();
  }
  if (!searching.RememberLastRequest) {
    text1_.clear();
    text2_.clear();
  }
  if (view_) view_->TextsChanged();
}

std::size_t TSearchRequest::FindTypeSource(std::uint32_t type) const noexcept {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (sources_[i].kind == TSourceKind::ServiceType && sources_[i].type == type) return i;
  }
  return sources_.size();
}

void TSearchRequest::ServiceAdded(TServiceHolder& service) {
  if (!service.type) return;
  const std::uint32_t handle = service.Handle();
  const bool listed = std::any_of(sources_.begin(), sources_.end(), [handle](const TSearchSource& source) {
    return source.kind == TSourceKind::Service && source.service == handle;
  });
  if (listed) return;

  const std::uint32_t type = service.type->Handle();
  std::size_t at = FindTypeSource(type);
  if (at == sources_.size()) InsertSource(at, {TSourceKind::ServiceType, type, 0, 2});
  std::size_t end = at + 1;
  while (end < sources_.size() && sources_[end].kind == TSourceKind::Service && sources_[end].type == type)
    ++end;
  InsertSource(end, {TSourceKind::Service, type, handle, 3});
}

void TSearchRequest::ServiceRemoving(TServiceHolder& service) {
  const std::uint32_t handle = service.Handle();
  const auto found = std::find_if(sources_.begin(), sources_.end(), [handle](const TSearchSource& source) {
    return source.kind == TSourceKind::Service && source.service == handle;
  });
  if (found == sources_.end()) return;
  const std::uint32_t type = found->type;
  RemoveSource(static_cast<std::size_t>(found - sources_.begin()));

  const std::size_t at = FindTypeSource(type);
  const bool typeHasServices = at + 1 < sources_.size() && sources_[at + 1].kind == TSourceKind::Service &&
                               sources_[at + 1].type == type;
  if (at < sources_.size() && !typeHasServices) RemoveSource(at);
}

void TSearchRequest::InsertSource(std::size_t index, const TSearchSource& source) {
  sources_.insert(sources_.begin() + static_cast<std::ptrdiff_t>(index), source);
  if (selected_ >= 0 && static_cast<std::size_t>(selected_) >= index) ++selected_;
  if (view_) view_->SourceInserted(index);
}

void TSearchRequest::RemoveSource(std::size_t index) {
  sources_.erase(sources_.begin() + static_cast<std::ptrdiff_t>(index));
  const int removed = static_cast<int>(index);
  if (selected_ == removed) {
    selected_ = -1;
  } else if (selected_ > removed) {
    --selected_;
  }
  if (view_) view_->SourceRemoved(index);
}

}  // namespace kp
