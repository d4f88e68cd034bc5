#pragma once
// The advertisement panel's logic, without its window: the item it loads, the
// scrolling banner, the rule that loads a new advertisement only while the user
// is active, and the load thread that fetches the server's description.
//
// The face owns the window: it drives Tick every 200 ms with what it sees of
// the mouse and the application, draws the banner where this object says, and
// shows the page in its embedded browser when told to. Everything here runs on
// the main thread except the load thread, which hands its results over through
// the hooks' Post and never touches the panel itself.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/web/advertising_item.h"

namespace kp {

// What the panel needs of its window.
class IAdvertisingView {
 public:
  virtual ~IAdvertisingView() = default;
  // The panel's width in pixels.
  [[nodiscard]] virtual int PanelWidth() const = 0;
  // The width of the text in the banner's font.
  [[nodiscard]] virtual int TextWidth(std::string_view text) const = 0;
  // Shows the browser above the banner line and navigates it to the address
  // with these request headers.
  virtual void ShowPage(const std::string& url, const THeaderList& headers) = 0;
  // The banner moved or changed: draw it again.
  virtual void BannerChanged() = 0;
};

// What the face sees at one tick.
struct TAdvertisingTick {
  int cursorX = 0;  // the screen cursor's position
  int cursorY = 0;
  bool leftButtonDown = false;
  bool cursorInPanel = false;
  bool formActive = false;         // the panel's window is the active window
  bool applicationActive = false;  // one of the program's windows is active
};

struct TAdvertisingHooks {
  // Carries work to the main thread, to run there later (never at once). Work
  // that is dropped (the program ends) leaves nothing waiting for it.
  std::function<void(std::function<void()>)> post;
  // Lets the main loop handle its messages while Stop waits for a load.
  std::function<void()> pump;
  // Now; the steady clock unless tests drive time.
  std::function<TimeStamp()> clock;
};

class TAdvertising {
 public:
  static constexpr int kTickMilliseconds = 200;
  static constexpr int kBannerStep = 2;
  // Gaps at the banner line's right end: where it starts, and what stays clear.
  static constexpr int kBannerStartGap = 14;
  static constexpr int kBannerRestartGap = 28;

  explicit TAdvertising(TAdvertisingHooks hooks);
  TAdvertising(const TAdvertising&) = delete;
  TAdvertising& operator=(const TAdvertising&) = delete;
  // Stops, waiting for a running load.
  ~TAdvertising();

  // The window; the banner starts at its right end. Null is allowed.
  void SetView(IAdvertisingView* view);

  // sAdminURL: the address loaded at every rotation; empty loads nothing.
  void SetAdminURL(std::string_view url) { item_.url = std::string(Trim(url)); }
  [[nodiscard]] const std::string& AdminURL() const noexcept { return item_.url; }
  // iRotateTime and iInactiveTime, in seconds; bAutomatic lets the server change both.
  void SetRotateTime(std::int32_t seconds) noexcept { rotateTime_ = seconds; }
  [[nodiscard]] std::int32_t RotateTime() const noexcept { return rotateTime_; }
  void SetInactiveTime(std::int32_t seconds) noexcept { inactiveTime_ = seconds; }
  [[nodiscard]] std::int32_t InactiveTime() const noexcept { return inactiveTime_; }
  void SetAutomatic(bool automatic) noexcept { automatic_ = automatic; }
  [[nodiscard]] bool Automatic() const noexcept { return automatic_; }

  void AddHeader(std::string_view name, std::string_view value) { item_.SetHeader(name, value); }
  [[nodiscard]] const TAdvertisingItem& Item() const noexcept { return item_; }

  // Loads at the next tick that finds the user active.
  void Start();
  // No more loads; a running one is aborted and waited for while the main loop
  // keeps handling its messages.
  void Stop();

  // The 200 ms step: the banner moves, the mouse is looked at, and a new
  // advertisement loads when one is due.
  void Tick(const TAdvertisingTick& tick);
  // A button press or release that the face saw between ticks.
  void MouseButton(bool leftButtonDown, bool cursorInPanel, bool formActive);

  // Whether a point of the banner line at x (panel coordinates) lies on the text.
  [[nodiscard]] bool OverBanner(int x) const noexcept;
  // A click on the banner: the desktop opens the banner's link, unless it is blank.
  void ClickBanner() const;
  // The page asks for a new window: allowed only when the user has just
  // clicked into the panel of the active application.
  [[nodiscard]] bool MayOpenNewWindow(bool applicationActive) const noexcept {
    return applicationActive && clickedInside_;
  }

  [[nodiscard]] bool Enabled() const noexcept { return enabled_; }
  [[nodiscard]] bool Loading() const;
  [[nodiscard]] bool ClickedInside() const noexcept { return clickedInside_; }
  [[nodiscard]] int BannerX() const noexcept { return bannerX_; }
  [[nodiscard]] const std::string& BannerText() const noexcept { return bannerText_; }
  [[nodiscard]] const std::string& BannerLink() const noexcept { return bannerLink_; }
  // The part of the banner text that fits the line, and its width.
  [[nodiscard]] const std::string& DrawnText() const noexcept { return drawnText_; }
  [[nodiscard]] int DrawnWidth() const noexcept { return drawnWidth_; }

 private:
  struct TRun;

  [[nodiscard]] TimeStamp Now() const {
    return hooks_.clock ? hooks_.clock() : std::chrono::steady_clock::now();
  }
  [[nodiscard]] int Width() const { return view_ ? view_->PanelWidth() : 0; }
  [[nodiscard]] int TextWidth(std::string_view text) const { return view_ ? view_->TextWidth(text) : 0; }
  void MoveBanner();
  void CutBanner();
  void NoteCursor(int x, int y);
  [[nodiscard]] bool RotationDue();
  // Aborts the running load and waits for its thread.
  void AbortLoad();
  void StartLoad();
  void SetLoading(bool loading);
  static void RunLoad(const std::shared_ptr<TRun>& run, const TAdvertisingItem& item);
  // The main-thread steps of the load with that number.
  void ShowResult(std::uint64_t number, const TAdvertisingDescription& description,
                  const THeaderList& headers);
  void LoadEnded(std::uint64_t number);

  TAdvertisingHooks hooks_;
  IAdvertisingView* view_ = nullptr;
  TAdvertisingItem item_;
  std::int32_t rotateTime_ = 1;
  std::int32_t inactiveTime_ = 5;
  bool automatic_ = false;

  std::string bannerText_;
  std::string bannerLink_;
  std::string drawnText_;
  int drawnWidth_ = 0;
  int bannerX_ = 0;
  bool enabled_ = false;
  bool forceRotation_ = false;
  TimeStamp lastLoadTime_;
  TimeStamp lastMouseMove_;
  bool cursorKnown_ = false;
  int cursorX_ = 0;
  int cursorY_ = 0;
  bool clickedInside_ = false;

  mutable std::mutex lock_;
  bool loading_ = false;  // under lock_
  std::shared_ptr<TRun> run_;
  std::uint64_t runNumber_ = 0;
  // Work posted by a load checks that the panel still lives.
  std::shared_ptr<char> life_ = std::make_shared<char>();
};

// The headers that the main window gives the item before it starts the panel:
// the program's name, its build as four numbers, and the screen's size.
void AddProgramHeaders(TAdvertising& panel, std::string_view applicationName, int screenWidth,
                       int screenHeight);

}  // namespace kp
