#pragma once
// What the setup wizard does, without its window: the first start's agreement,
// network check and system scan, then the pages of every plugin that asked to
// take part, plugin after plugin. Plugins drive Back and Next by the status
// they pass with each page (SetupShowWizardPanel) and may refuse a move
// (OnSetupWizardValidate). Finishing sets SetupComplete; a Cancel, or a close
// by the window frame, leaves it as it was.
//
// Every rule of the buttons lives here, so that a window only shows them: a
// button that is off does nothing when its step is asked for anyway, and a step
// asked for while another still runs (a plugin that spins an event loop inside
// its event) is ignored. Cancel is the exception: it may come while the port
// check or the scan runs, and stops them.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/services/service_wizard.h"
#include "core/sharing/share_manager.h"
#include "core/web/port_check_client.h"

namespace kp {

class TPluginHolder;
class TSimpleConfig;
struct TSettings;

enum class TSetupPage { Agreement, NetworkCheck, ScanQuestion, Scanning, PluginPages };

// A plugin passes its pages with the service wizard's statuses (the type page
// and "no page" aside), and hears Next and Back as the service wizard's
// plugins do; entering its pages is the setup wizard's own.
namespace setup_status = wizard_status;
namespace setup_direction {
inline constexpr std::int32_t kNext = kWizardDirectionNext;
inline constexpr std::int32_t kBack = kWizardDirectionBack;
inline constexpr std::int32_t kEnterFromBefore = 8;
inline constexpr std::int32_t kEnterFromAfter = 9;
}  // namespace setup_direction

// The wizard's window: shows what the model decides.
class ISetupWizardView {
 public:
  virtual ~ISetupWizardView() = default;
  virtual void ShowPage(TSetupPage page) = 0;
  // The plugin's window in the plugin area, replacing (hiding and closing) the
  // one shown before.
  virtual void HostWindow(std::uint32_t window) = 0;
  // Back, Next, Next's caption, the scan's list or the network note changed.
  virtual void StateChanged() = 0;
  // The wizard is done: finished (true), cancelled or closed (false).
  virtual void CloseWizard(bool completed) = 0;
};

struct TSetupWizardContext {
  TSettings& Settings;
  // Where the wizard's message text comes from; none: the program's language store.
  TSimpleConfig* Language = nullptr;
  // The live share tree, which the scan fills, and the listener that shares
  // what it finds (the shared items); the wizard stands between them while its
  // scan runs.
  TShareManager& Shares;
  TShareListener* SharedItems = nullptr;
  // How the main thread handles its messages while the port check runs.
  TPortCheckClient::TWaitHooks PortCheckHooks;
};

class TSetupWizard {
 public:
  // Lines the scanning page keeps.
  static constexpr std::size_t kScanLines = 14;

  explicit TSetupWizard(TSetupWizardContext context);
  TSetupWizard(const TSetupWizard&) = delete;
  TSetupWizard& operator=(const TSetupWizard&) = delete;
  // Stops a scan or check that still runs, without events.
  ~TSetupWizard();

  void SetView(ISetupWizardView* view) noexcept { view_ = view; }
  void SetLanguage(TSimpleConfig* language) noexcept { context_.Language = language; }
  // The layout's SETUP_SECTIONS: which built-in pages the first start has.
  void EnablePages(bool scan, bool portCheck) noexcept {
    scanEnabled_ = scan;
    portCheckEnabled_ = portCheck;
  }

  // Start-up's decision: whether the wizard is to be shown now, and from where.
  // With SetupComplete false it always is, from the agreement page; otherwise
  // only when a plugin asked for it, at the plugin pages. Call Open, then show
  // the window when it answers true.
  [[nodiscard]] bool Open();
  [[nodiscard]] bool IsOpen() const noexcept { return open_; }

  // The agreement page's and the scan question's choices.
  void SetAgreed(bool agreed) noexcept { agreed_ = agreed; }
  [[nodiscard]] bool Agreed() const noexcept { return agreed_; }
  void SetScanChosen(bool scan) noexcept { scanChosen_ = scan; }
  [[nodiscard]] bool ScanChosen() const noexcept { return scanChosen_; }

  void Next();
  void Back();
  void Cancel();
  // The window's frame closed it: no event, nothing saved, the scan and check stop.
  void CloseByFrame();

  // The Setup API's wizard functions, for the calling plugin.
  void StartWizard(TPluginHolder* caller);
  void ShowWizardPanel(const TPluginHolder* caller, std::uint32_t window, std::int32_t status);

  [[nodiscard]] TSetupPage Page() const noexcept { return page_; }
  [[nodiscard]] bool BackEnabled() const noexcept { return backEnabled_; }
  [[nodiscard]] bool NextEnabled() const noexcept { return nextEnabled_; }
  [[nodiscard]] bool NextIsFinish() const noexcept { return nextIsFinish_; }
  [[nodiscard]] bool Requested() const noexcept { return requested_; }
  [[nodiscard]] bool PluginPagesOnly() const noexcept { return pluginPagesOnly_; }
  [[nodiscard]] const std::vector<TPluginHolder*>& Participants() const noexcept { return participants_; }
  // The last names the scan reported, oldest first.
  [[nodiscard]] const std::deque<std::string>& ScanLines() const noexcept { return scanLines_; }
  // The network page found no port-check server named in the settings.
  [[nodiscard]] bool PortCheckNotConfigured() const noexcept { return notConfigured_; }

 private:
  class TScanHook;

  void ShowPage(TSetupPage page);
  void StateChanged();
  void SetButtons(bool back, bool next);
  void RunNetworkCheck();
  void AfterNetworkCheck();
  void StartScan();
  void ScanStatus(const std::string& fileName);
  void ScanEnded();
  void EnterPluginPages();
  void EnterParticipant(std::size_t index, std::int32_t direction);
  void UpdatePluginButtons();
  // The current participant's answer to OnSetupWizardValidate.
  [[nodiscard]] bool CurrentAllowsMove() const;
  [[nodiscard]] TPluginHolder* Current() const noexcept;
  void Finish();
  // Ends the scan and the check without letting their ends move the wizard on.
  void StopWork();
  void Close(bool completed);

  TSetupWizardContext context_;
  ISetupWizardView* view_ = nullptr;
  std::unique_ptr<TScanHook> scanHook_;
  TPortCheckClient portCheck_;

  TSetupPage page_ = TSetupPage::Agreement;
  std::vector<TPluginHolder*> participants_;
  std::size_t current_ = 0;
  bool firstPage_ = true;
  bool lastPage_ = false;
  bool pluginPagesOnly_ = false;
  bool requested_ = false;
  bool scanEnabled_ = false;
  bool portCheckEnabled_ = false;

  bool open_ = false;
  bool agreed_ = false;
  bool scanChosen_ = true;
  bool checking_ = false;
  bool scanning_ = false;
  bool notConfigured_ = false;
  std::deque<std::string> scanLines_;
  bool backEnabled_ = false;
  bool nextEnabled_ = true;
  bool nextIsFinish_ = false;
  bool stepping_ = false;
};

}  // namespace kp
