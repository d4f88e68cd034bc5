#include "core/web/advertising.h"

#include <condition_variable>
#include <exception>
#include <thread>

#include "core/config/text_conversions.h"
#include "core/web/web_client.h"

namespace kp {
namespace {

// How long Stop sleeps between its looks at the load thread.
constexpr auto kStopLook = std::chrono::milliseconds(50);

bool IsUtf8Continuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// The start of the character that holds the byte at position, or the position itself.
std::size_t CharacterStart(std::string_view text, std::size_t position) noexcept {
  while (position > 0 && position < text.size() && IsUtf8Continuation(text[position])) --position;
  return position;
}

}  // namespace

// One load: its own client, so that Stop can abort it from the main thread.
struct TAdvertising::TRun {
  std::uint64_t number = 0;
  TWebClient client;
  std::atomic<bool> aborted{false};
  std::mutex lock;
  std::condition_variable ended;
  bool finished = false;  // under lock: the thread has done its last step
  std::thread thread;
  // Filled by the thread; read on the main thread once it has ended.
  bool succeeded = false;
  TAdvertisingDescription description;
  THeaderList browserHeaders;
};

TAdvertising::TAdvertising(TAdvertisingHooks hooks) : hooks_(std::move(hooks)) {
  lastLoadTime_ = Now();
  lastMouseMove_ = lastLoadTime_;
}

TAdvertising::~TAdvertising() {
  Stop();
  life_.reset();
}

void TAdvertising::SetView(IAdvertisingView* view) {
  view_ = view;
  bannerX_ = Width() - kBannerStartGap;
}

bool TAdvertising::Loading() const {
  std::lock_guard guard(lock_);
  return loading_;
}

void TAdvertising::SetLoading(bool loading) {
  std::lock_guard guard(lock_);
  loading_ = loading;
}

void TAdvertising::Start() {
  enabled_ = true;
  forceRotation_ = true;
}

void TAdvertising::Stop() {
  enabled_ = false;
  AbortLoad();
}

void TAdvertising::Tick(const TAdvertisingTick& tick) {
  if (!enabled_) return;
  MoveBanner();
  CutBanner();
  if (view_) view_->BannerChanged();
  MouseButton(tick.leftButtonDown, tick.cursorInPanel, tick.formActive);
  NoteCursor(tick.cursorX, tick.cursorY);
  const bool userActive = tick.applicationActive && SecondsSince(lastMouseMove_, Now()) <= inactiveTime_;
  if (userActive && RotationDue() && enabled_ && !Loading()) {
    AbortLoad();
    StartLoad();
  }
}

void TAdvertising::MoveBanner() {
  bannerX_ -= kBannerStep;
  if (bannerX_ + TextWidth(bannerText_) < 0) bannerX_ = Width() - kBannerRestartGap;
}

void TAdvertising::CutBanner() {
  const int room = Width() - bannerX_ - kBannerRestartGap;
  std::string_view text = bannerText_;
  if (TextWidth(text) >= room) {
    // Cutting from the end one character at a time; widths grow with the
    // length, so the longest prefix that fits is found by halving.
    std::size_t fits = 0;
    std::size_t tooLong = text.size();
    while (tooLong - fits > 1) {
      std::size_t middle = CharacterStart(text, fits + (tooLong - fits) / 2);
      if (middle <= fits) {
        // The halfway byte lies inside the character after fits: try its end.
        middle = fits + 1;
        while (middle < tooLong && IsUtf8Continuation(text[middle])) ++middle;
        if (middle >= tooLong) break;
      }
      if (TextWidth(text.substr(0, middle)) < room) {
        fits = middle;
      } else {
        tooLong = middle;
      }
    }
    text = text.substr(0, fits);
  }
  drawnText_ = std::string(text);
  drawnWidth_ = drawnText_.empty() ? 0 : TextWidth(drawnText_);
}

void TAdvertising::MouseButton(bool leftButtonDown, bool cursorInPanel, bool formActive) {
  if (!leftButtonDown) {
    clickedInside_ = false;
  } else if (!clickedInside_ && formActive) {
    clickedInside_ = cursorInPanel;
  }
}

void TAdvertising::NoteCursor(int x, int y) {
  // The first position seen is where the cursor was, not a movement.
  if (cursorKnown_ && (x != cursorX_ || y != cursorY_)) lastMouseMove_ = Now();
  cursorKnown_ = true;
  cursorX_ = x;
  cursorY_ = y;
}

bool TAdvertising::RotationDue() {
  const bool forced = forceRotation_;
  forceRotation_ = false;
  return forced || SecondsSince(lastLoadTime_, Now()) > rotateTime_;
}

bool TAdvertising::OverBanner(int x) const noexcept {
  return !drawnText_.empty() && x >= bannerX_ && x <= bannerX_ + drawnWidth_;
}

void TAdvertising::ClickBanner() const {
  if (Trim(bannerLink_).empty()) return;
  ShellOpen(bannerLink_);
}

void TAdvertising::AbortLoad() {
  const std::shared_ptr<TRun> run = run_;
  if (!run) return;
  run->aborted = true;
  for (;;) {
    // Again at every look: an abort that came just before the thread's next
    // step would otherwise be forgotten by it.
    run->client.Abort();
    {
      std::unique_lock guard(run->lock);
      if (run->ended.wait_for(guard, kStopLook, [&] { return run->finished; })) break;
    }
    if (hooks_.pump) hooks_.pump();
  }
  // A nested Stop from inside the pump may have finished this run already.
  if (run_ != run) return;
  if (run->thread.joinable()) run->thread.join();
  run_.reset();
  // What the thread's last step would have done; that step, should it still
  // come, belongs to no current run and does nothing.
  lastLoadTime_ = Now();
  SetLoading(false);
}

void TAdvertising::StartLoad() {
  if (item_.url.empty()) return;
  auto run = std::make_shared<TRun>();
  run->number = ++runNumber_;
  run->client.Handle().SetMaxBodySize(kMaxAdvertisingDescription);
  SetLoading(true);
  run_ = run;
  const std::weak_ptr<char> life = life_;
  auto post = hooks_.post;
  try {
    run->thread = std::thread([this, run, item = item_, life, post] {
      RunLoad(run, item);
      const std::uint64_t number = run->number;
      if (post) {
        if (run->succeeded && !run->aborted) {
          post([this, life, number, description = run->description, headers = run->browserHeaders] {
            if (life.lock()) ShowResult(number, description, headers);
          });
        }
        post([this, life, number] {
          if (life.lock()) LoadEnded(number);
        });
      }
      std::lock_guard guard(run->lock);
      run->finished = true;
      run->ended.notify_all();
    });
  } catch (const std::system_error&) {
    run_.reset();
    SetLoading(false);
  }
}

void TAdvertising::RunLoad(const std::shared_ptr<TRun>& run, const TAdvertisingItem& item) {
  try {
    TWebClient& client = run->client;
    for (const auto& [name, value] : item.headers) client.AddHeader(name, value);
    run->browserHeaders = BrowserHeaders(item.headers);
    // Servers written for the original platform ask whether the client can
    // show their page; the panel always has a view for it.
    client.AddHeader("IE-Installed", "True");
    if (run->aborted) return;
    client.Open(item.url);
    if (run->aborted) return;
    const std::int32_t status = client.Get(0, 0);
    // An error page is no description.
    if (status < 200 || status > 299 || run->aborted) return;
    const TWebBody& body = client.ReadText();
    run->description = ReadAdvertisingDescription(body.bytes);
    run->succeeded = true;
  } catch (const std::exception&) {
    // A failed load keeps the previous page and banner.
  }
}

void TAdvertising::ShowResult(std::uint64_t number, const TAdvertisingDescription& description,
                              const THeaderList& headers) {
  if (!run_ || run_->number != number || run_->aborted) return;
  if (view_) view_->ShowPage(item_.url, headers);
  if (!Trim(description.bannerText).empty()) {
    bannerText_ = description.bannerText;
    bannerLink_ = description.bannerLink;
    CutBanner();
  }
  if (automatic_) {
    if (description.rotateTime > 0) rotateTime_ = ClampToInt32(description.rotateTime);
    if (description.inactiveTime > 0) inactiveTime_ = ClampToInt32(description.inactiveTime);
  }
  if (view_) view_->BannerChanged();
}

void TAdvertising::LoadEnded(std::uint64_t number) {
  if (!run_ || run_->number != number) return;
  // The thread has posted this as its last word; it ends at once.
  if (run_->thread.joinable()) run_->thread.join();
  run_.reset();
  lastLoadTime_ = Now();
  SetLoading(false);
}

void AddProgramHeaders(TAdvertising& panel, std::string_view applicationName, int screenWidth,
                       int screenHeight) {
  panel.AddHeader("Keplinor-Name", applicationName);
  panel.AddHeader("Keplinor-Build", GetVersionText());
  panel.AddHeader("Keplinor-Resolution", ResolutionText(screenWidth, screenHeight));
}

}  // namespace kp
