#include "lan_e2e/lan_core_instance.h"

#include "core/config/global_stores.h"
#include "core/search/search_list.h"
#include "core/search/search_request.h"
#include "core/services/service_registry.h"
#include "core/transfers/download_list.h"

namespace kp::lan_e2e {

using Clock = std::chrono::steady_clock;

TLanCore::~TLanCore() { Finish(); }

bool TLanCore::Start(const std::string& folder) {
  const std::string base = folder.ends_with('/') ? folder : folder + "/";
  if (!settings_.LoadFromFile(base + std::string(kSettingsFileName))) return false;
  run_ = std::make_unique<TProgramRun>(base, settings_, registry_, [this] { loop_.ProcessPendingMessages(); });
  return run_->Start(nullptr);
}

void TLanCore::Finish() {
  if (!run_) return;
  run_->Finish();
  run_.reset();
}

bool TLanCore::PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
  const auto deadline = Clock::now() + patience;
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    loop_.RunOnce(std::chrono::milliseconds(10));
  }
  return true;
}

void TLanCore::PumpFor(std::chrono::milliseconds time) {
  const auto until = Clock::now() + time;
  while (Clock::now() < until) loop_.RunOnce(std::chrono::milliseconds(10));
}

std::uint32_t TLanCore::ServiceNamed(std::string_view description) const {
  for (const TServiceHolder* service : run_->Services().Services()) {
    if (service->description == description) return service->Handle();
  }
  return 0;
}

std::int32_t TLanCore::Search(std::uint32_t service, std::string_view text) {
  TSearchRequest& request = run_->SearchRequest();
  const std::vector<TSearchSource>& sources = request.Sources();
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (sources[i].kind == TSourceKind::Service && sources[i].service == service) {
      request.SelectSource(static_cast<int>(i));
      request.SetMP3Search(false);
      request.SetText1(text);
      return request.Send().searchID;
    }
  }
  return -1;
}

TSearchContext* TLanCore::WaitForSearch(std::int32_t searchId, std::chrono::milliseconds patience) {
  const auto done = [&] {
    const TSearchContext* search = run_->Searches().FindSearch(searchId);
    return !search || !search->Searching();
  };
  if (!PumpUntil(done, patience)) return nullptr;
  return run_->Searches().FindSearch(searchId);
}

std::vector<TSearchResultHolder*> TLanCore::ResultsNamed(const TSearchContext& search,
                                                         std::string_view description) {
  std::vector<TSearchResultHolder*> found;
  for (const auto& result : search.Results) {
    if (result->Description == description) found.push_back(result.get());
  }
  return found;
}

TTransferItem* TLanCore::Download(const TSearchResultHolder& result) {
  // The plugin adds the download inside the event: the newest item is it.
  const std::size_t before = run_->Downloads().Items().size();
  run_->Searches().ExecuteResult(result);
  const std::vector<TTransferItem*>& items = run_->Downloads().Items();
  return items.size() > before ? items.back() : nullptr;
}

TTransferItem* TLanCore::FindDownload(std::uint32_t handle) const { return run_->Downloads().FindItem(handle); }

void TLanCore::Pause(TTransferItem& item) {
  TTransferBase* selection[] = {&item};
  run_->Downloads().ApplyCommand(selection, kPauseTransfer, nullptr, false);
}

void TLanCore::Resume(TTransferItem& item) {
  TTransferBase* selection[] = {&item};
  run_->Downloads().ApplyCommand(selection, kResumeTransfer, nullptr, false);
}

}  // namespace kp::lan_e2e
