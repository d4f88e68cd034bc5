#pragma once
// What the service wizard does, without its window. The wizard adds a service
// of a type the user picks, or edits an existing one; after the type page every
// page is the plugin's own window, and the plugin drives the Back and Next
// buttons by the status it passes with each page (ServiceShowWizardPanel).
// The wizard never makes a service itself: the plugin does, usually when its
// last page completes.
//
// Every rule of the buttons lives here, so that a window only shows them: a
// button that is off does nothing when its step is asked for anyway, and a step
// asked for while another is still running (a plugin that spins an event loop
// inside its event) is ignored.

#include <cstdint>
#include <string>
#include <vector>

namespace kp {

class TPluginHolder;
class TServiceRegistry;

// The statuses a plugin passes with a page.
namespace wizard_status {
inline constexpr std::int32_t kTypePage = 0;  // the wizard's own type page is shown
inline constexpr std::int32_t kMiddlePage = 1;
inline constexpr std::int32_t kFirstPage = 2;
inline constexpr std::int32_t kLastPage = 3;
inline constexpr std::int32_t kOnlyPage = 4;
inline constexpr std::int32_t kBusy = 5;
// An edit whose plugin has shown no page yet.
inline constexpr std::int32_t kNoPage = -1;
}  // namespace wizard_status

// The directions OnServiceWizardChange reports.
inline constexpr std::int32_t kWizardDirectionNext = 6;
inline constexpr std::int32_t kWizardDirectionBack = 7;

// The wizard's window: shows what the model decides.
class IServiceWizardView {
 public:
  virtual ~IServiceWizardView() = default;
  virtual void ShowTypePage() = 0;
  virtual void ShowPluginArea() = 0;
  // The plugin's window in the plugin area, replacing (hiding and closing) the
  // one shown before.
  virtual void HostWindow(std::uint32_t window) = 0;
  // Back, Next, Next's caption and the title follow BackEnabled, NextEnabled,
  // NextIsFinish and AddMode.
  virtual void StateChanged() = 0;
  // The wizard is done: with OK (completed) or with Cancel.
  virtual void CloseWizard(bool completed) = 0;
};

class TServiceWizard {
 public:
  explicit TServiceWizard(TServiceRegistry& registry) : registry_(registry) {}
  TServiceWizard(const TServiceWizard&) = delete;
  TServiceWizard& operator=(const TServiceWizard&) = delete;

  void SetView(IServiceWizardView* view) noexcept { view_ = view; }

  // Opening to add: the type page with the registry's types (the first one
  // chosen), Back off, Next on.
  void BeginAdd();
  // Opening to edit: the plugin area with no page status yet (Back off, Next
  // on), and the service's plugin asked for its page. False, with nothing
  // changed, for an unknown service.
  bool BeginEdit(std::uint32_t service);

  // The type page's list, filled by BeginAdd: type handles in registry order.
  [[nodiscard]] const std::vector<std::uint32_t>& TypeList() const noexcept { return typeList_; }
  // The chosen entry of the list; -1 for none.
  void ChooseType(int index) noexcept;
  [[nodiscard]] int ChosenType() const noexcept { return chosenType_; }

  // The buttons. A type or a service that has gone since the wizard took it
  // cannot be named to its plugin any more: the next of these closes the
  // wizard with Cancel instead.
  void Next();
  void Back();
  void Cancel();

  // ServiceShowWizardPanel: the calling plugin's page and status.
  void ShowWizardPanel(TPluginHolder* caller, std::uint32_t window, std::int32_t status, bool allowBack);

  [[nodiscard]] bool AddMode() const noexcept { return addMode_; }
  [[nodiscard]] bool OnTypePage() const noexcept { return onTypePage_; }
  [[nodiscard]] std::uint32_t ServiceType() const noexcept { return serviceType_; }
  [[nodiscard]] bool BackEnabled() const noexcept { return backEnabled_; }
  [[nodiscard]] bool NextEnabled() const noexcept { return nextEnabled_; }
  [[nodiscard]] bool NextIsFinish() const noexcept { return nextIsFinish_; }

 private:
  void ShowTypePage();
  void ShowPluginArea();
  void StateChanged();
  void Close(bool completed);
  // The type page's list from the registry, with the type of this handle
  // chosen when it is listed and the first one otherwise.
  void FillTypeList(std::uint32_t keep);
  // Whether the type being added to, or the service being edited, is still
  // the one the wizard took.
  [[nodiscard]] bool SubjectRegistered() const noexcept;
  // Closes with Cancel; the plugin hears of it only when it takes part in the
  // page changes and the handle it would get is still sound.
  void CancelNow(bool tellPlugin);
  // The edited service's handle, or 0 while adding (as the events take it).
  [[nodiscard]] std::uint32_t ServiceArgument() const noexcept { return addMode_ ? 0 : service_; }

  TServiceRegistry& registry_;
  IServiceWizardView* view_ = nullptr;
  std::vector<std::uint32_t> typeList_;
  int chosenType_ = -1;
  bool addMode_ = true;
  std::int32_t status_ = wizard_status::kTypePage;
  bool onTypePage_ = true;
  TPluginHolder* plugin_ = nullptr;
  std::uint32_t serviceType_ = 0;
  std::uint32_t service_ = 0;
  bool backEnabled_ = false;
  bool nextEnabled_ = true;
  bool nextIsFinish_ = false;
  bool stepping_ = false;
};

}  // namespace kp
