#include "core/setup/setup_wizard.h"

#include <algorithm>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/config/text_ids.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_holder.h"

namespace kp {
namespace {

// Marks a button's step as running for as long as it runs.
class TStepUnderWay {
 public:
  explicit TStepUnderWay(bool& flag) noexcept : flag_(flag) { flag_ = true; }
  ~TStepUnderWay() { flag_ = false; }
  TStepUnderWay(const TStepUnderWay&) = delete;
  TStepUnderWay& operator=(const TStepUnderWay&) = delete;

 private:
  bool& flag_;
};

std::string NameWithoutFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// Stands between the share tree and the shared items while the wizard's scan
// runs: what the scan finds is still shared at once, and its progress and end
// come to the wizard.
class TSetupWizard::TScanHook final : public TShareListener {
 public:
  TScanHook(TSetupWizard& wizard, TShareListener* next) : wizard_(wizard), next_(next) {}

  void OnAddDirectory(TShareManager& sender, const std::shared_ptr<TShareDirectory>& directory) override {
    if (next_) next_->OnAddDirectory(sender, directory);
  }
  void OnAddFile(TShareManager& sender, const std::shared_ptr<TShareFile>& file) override {
    if (next_) next_->OnAddFile(sender, file);
  }
  void OnRemoveDirectory(TShareManager& sender, const std::shared_ptr<TShareDirectory>& directory) override {
    if (next_) next_->OnRemoveDirectory(sender, directory);
  }
  void OnRemoveFile(TShareManager& sender, const std::shared_ptr<TShareFile>& file) override {
    if (next_) next_->OnRemoveFile(sender, file);
  }
  void OnScanStatus(TShareManager& sender, const std::string& fileName) override {
    if (next_) next_->OnScanStatus(sender, fileName);
    wizard_.ScanStatus(fileName);
  }
  void OnScanEnd(TShareManager& sender) override {
    if (next_) next_->OnScanEnd(sender);
    wizard_.ScanEnded();
  }

 private:
  TSetupWizard& wizard_;
  TShareListener* next_;
};

TSetupWizard::TSetupWizard(TSetupWizardContext context)
    : context_(std::move(context)),
      scanHook_(std::make_unique<TScanHook>(*this, context_.SharedItems)),
      portCheck_(context_.PortCheckHooks) {}

TSetupWizard::~TSetupWizard() {
  view_ = nullptr;
  StopWork();
}

void TSetupWizard::ShowPage(TSetupPage page) {
  page_ = page;
  if (view_) view_->ShowPage(page);
}

void TSetupWizard::StateChanged() {
  if (view_) view_->StateChanged();
}

void TSetupWizard::SetButtons(bool back, bool next) {
  backEnabled_ = back;
  nextEnabled_ = next;
  nextIsFinish_ = false;
  StateChanged();
}

TPluginHolder* TSetupWizard::Current() const noexcept {
  return current_ < participants_.size() ? participants_[current_] : nullptr;
}

bool TSetupWizard::Open() {
  if (open_) return false;
  if (!context_.Settings.Application.SetupComplete) {
    pluginPagesOnly_ = false;
    agreed_ = false;
    scanChosen_ = true;
    notConfigured_ = false;
    scanLines_.clear();
    open_ = true;
    ShowPage(TSetupPage::Agreement);
    SetButtons(false, true);
    return true;
  }
  if (!requested_) return false;
  open_ = true;
  EnterPluginPages();
  // Finished at once (no participant): nothing to show.
  return open_;
}

void TSetupWizard::Next() {
  if (!open_ || stepping_ || !nextEnabled_) return;
  const TStepUnderWay step(stepping_);
  switch (page_) {
    case TSetupPage::Agreement:
      if (!agreed_) {
        ShowTextMessage(context_.Language ? GetLanguageText(text::kSetupWizardMustAgree, *context_.Language)
                                          : GetLanguageText(text::kSetupWizardMustAgree));
        return;
      }
      RunNetworkCheck();
      return;
    case TSetupPage::NetworkCheck:
      AfterNetworkCheck();
      return;
    case TSetupPage::ScanQuestion:
      if (scanChosen_) {
        StartScan();
      } else {
        EnterPluginPages();
      }
      return;
    case TSetupPage::Scanning:
      return;  // the scan's end moves on
    case TSetupPage::PluginPages:
      break;
  }
  if (!CurrentAllowsMove() || !open_) return;
  TPluginHolder* plugin = Current();
  constexpr std::size_t onChange = EventNumber("OnSetupWizardChange");
  if (!lastPage_) {
    if (plugin) SendEvent(*plugin, onChange, setup_direction::kNext);
  } else if (current_ + 1 >= participants_.size()) {
    Finish();
  } else {
    EnterParticipant(current_ + 1, setup_direction::kEnterFromBefore);
  }
}

void TSetupWizard::Back() {
  if (!open_ || stepping_ || !backEnabled_) return;
  const TStepUnderWay step(stepping_);
  switch (page_) {
    case TSetupPage::Agreement:
    case TSetupPage::Scanning:
      return;
    case TSetupPage::NetworkCheck:
    case TSetupPage::ScanQuestion:
      ShowPage(TSetupPage::Agreement);
      SetButtons(false, true);
      return;
    case TSetupPage::PluginPages:
      break;
  }
  if (!CurrentAllowsMove() || !open_) return;
  constexpr std::size_t onChange = EventNumber("OnSetupWizardChange");
  if (!firstPage_) {
    if (TPluginHolder* plugin = Current()) SendEvent(*plugin, onChange, setup_direction::kBack);
  } else if (current_ == 0) {
    if (pluginPagesOnly_) return;
    ShowPage(scanEnabled_ ? TSetupPage::ScanQuestion : TSetupPage::Agreement);
    SetButtons(page_ != TSetupPage::Agreement, true);
  } else {
    EnterParticipant(current_ - 1, setup_direction::kEnterFromAfter);
  }
}

void TSetupWizard::Cancel() {
  if (!open_) return;
  // Closed first: the scan's end and the check's return, which StopWork brings
  // about, must not move a cancelled wizard on (and never to a Finish).
  open_ = false;
  StopWork();
  constexpr std::size_t onCancel = EventNumber("OnSetupWizardCancel");
  const std::vector<TPluginHolder*> participants = participants_;
  for (TPluginHolder* plugin : participants) SendEvent(*plugin, onCancel);
  Close(false);
}

void TSetupWizard::CloseByFrame() {
  if (!open_) return;
  open_ = false;
  StopWork();
  Close(false);
}

void TSetupWizard::Close(bool completed) {
  open_ = false;
  requested_ = false;
  if (view_) view_->CloseWizard(completed);
}

void TSetupWizard::StopWork() {
  if (scanning_) {
    scanning_ = false;
    context_.Shares.StopScan();
    context_.Shares.SetListener(context_.SharedItems);
  }
  if (checking_) portCheck_.Cancel();
}

// ---- the built-in pages ------------------------------------------------------

void TSetupWizard::RunNetworkCheck() {
  TApplicationSettings& application = context_.Settings.Application;
  if (!portCheckEnabled_) {
    application.FirewallStatus = static_cast<std::int32_t>(TPortCheckOutcome::NotConfigured);
    AfterNetworkCheck();
    return;
  }
  notConfigured_ = !PortCheckServerOf(application).has_value();
  ShowPage(TSetupPage::NetworkCheck);
  if (notConfigured_) {
    // Nobody to ask: the page says so and waits for the user.
    application.FirewallStatus = static_cast<std::int32_t>(TPortCheckOutcome::NotConfigured);
    SetButtons(true, true);
    return;
  }
  SetButtons(false, false);
  checking_ = true;
  const TPortCheckOutcome outcome = portCheck_.CheckConfigured(application);
  checking_ = false;
  if (!open_) return;  // cancelled meanwhile: no half-finished result is kept
  application.FirewallStatus = static_cast<std::int32_t>(outcome);
  SetButtons(true, true);
  AfterNetworkCheck();
}

void TSetupWizard::AfterNetworkCheck() {
  if (scanEnabled_) {
    ShowPage(TSetupPage::ScanQuestion);
    SetButtons(true, true);
  } else {
    EnterPluginPages();
  }
}

void TSetupWizard::StartScan() {
  scanLines_.clear();
  ShowPage(TSetupPage::Scanning);
  SetButtons(false, false);
  scanning_ = true;
  context_.Shares.SetListener(scanHook_.get());
  context_.Shares.StartScan(context_.Settings.SharedItems.ScanExtensions);
}

void TSetupWizard::ScanStatus(const std::string& fileName) {
  if (!scanning_) return;
  scanLines_.push_back(NameWithoutFolder(fileName));
  while (scanLines_.size() > kScanLines) scanLines_.pop_front();
  StateChanged();
}

void TSetupWizard::ScanEnded() {
  if (!scanning_) return;  // stopped by Cancel or the frame: the wizard stays where it is
  scanning_ = false;
  context_.Shares.SetListener(context_.SharedItems);
  if (!open_) return;
  SetButtons(true, true);
  EnterPluginPages();
}

// ---- the plugin pages --------------------------------------------------------

void TSetupWizard::EnterPluginPages() {
  if (participants_.empty()) {
    Finish();
    return;
  }
  ShowPage(TSetupPage::PluginPages);
  EnterParticipant(0, setup_direction::kEnterFromBefore);
}

void TSetupWizard::EnterParticipant(std::size_t index, std::int32_t direction) {
  current_ = index;
  // Until the participant shows its page, its entry side decides the buttons.
  firstPage_ = direction == setup_direction::kEnterFromBefore;
  lastPage_ = direction == setup_direction::kEnterFromAfter;
  UpdatePluginButtons();
  if (TPluginHolder* plugin = Current()) {
    SendEvent(*plugin, EventNumber("OnSetupWizardChange"), direction);
  }
}

void TSetupWizard::UpdatePluginButtons() {
  backEnabled_ = !(pluginPagesOnly_ && current_ == 0 && firstPage_);
  nextIsFinish_ = lastPage_ && current_ + 1 >= participants_.size();
  StateChanged();
}

bool TSetupWizard::CurrentAllowsMove() const {
  std::uint8_t canMove = 1;
  if (TPluginHolder* plugin = Current()) SendEvent(*plugin, EventNumber("OnSetupWizardValidate"), &canMove);
  return canMove != 0;
}

void TSetupWizard::Finish() {
  context_.Settings.Application.SetupComplete = true;
  Close(true);
  constexpr std::size_t onComplete = EventNumber("OnSetupWizardComplete");
  const std::vector<TPluginHolder*> participants = participants_;
  for (TPluginHolder* plugin : participants) SendEvent(*plugin, onComplete);
}

void TSetupWizard::StartWizard(TPluginHolder* caller) {
  if (!caller) return;
  if (std::ranges::find(participants_, caller) == participants_.end()) participants_.push_back(caller);
  requested_ = true;
  // A wizard already on its way through the first start keeps its built-in
  // pages reachable; the new participant's pages come in their turn.
  if (!open_) pluginPagesOnly_ = true;
  if (open_ && page_ == TSetupPage::PluginPages) UpdatePluginButtons();
}

void TSetupWizard::ShowWizardPanel(const TPluginHolder* caller, std::uint32_t window, std::int32_t status) {
  // A closed wizard takes no window: nothing would ever hand it back.
  if (!open_ || participants_.empty() || caller != Current()) return;
  switch (status) {
    case setup_status::kMiddlePage:
      firstPage_ = false;
      lastPage_ = false;
      break;
    case setup_status::kFirstPage:
      firstPage_ = true;
      lastPage_ = false;
      break;
    case setup_status::kLastPage:
      firstPage_ = false;
      lastPage_ = true;
      break;
    case setup_status::kOnlyPage:
      firstPage_ = true;
      lastPage_ = true;
      break;
    case setup_status::kBusy:
      backEnabled_ = false;
      nextEnabled_ = false;
      StateChanged();
      return;
    default:
      break;
  }
  // Every page status turns Next on: a first page of several must lead on too,
  // or a plugin that was busy before it would leave the user stuck.
  if (status >= setup_status::kMiddlePage && status <= setup_status::kOnlyPage) nextEnabled_ = true;
  UpdatePluginButtons();
  if (view_) view_->HostWindow(window);
}

}  // namespace kp
