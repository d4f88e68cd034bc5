#pragma once
// The search request without its window: what to look for (an MP3 search by
// artist and title, or one text for any file), the optional size and bitrate
// limits, where to look (every service, one type's services or one service),
// and the history of the two texts. Sending opens a search and asks the plugin
// of every chosen service through OnSearchRequest.
//
// The list of places to search follows the service registry as a listener.
// It keeps handles only: every service and type is looked up again before it
// is used, since plugins may remove their services at any time, even from
// inside the events this class sends. Main thread only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/language_ids.h"
#include "core/config/settings.h"
#include "core/search/search_history.h"
#include "core/services/service_registry.h"

namespace kp {

// Where a sent request opens its search: the list of open searches.
class ISearchOpener {
 public:
  virtual ~ISearchOpener() = default;
  // Opens a search for the two texts with its limits (0: none); the ID the
  // plugins are to answer with.
  virtual std::int32_t OpenSearch(std::string_view text1, std::string_view text2, std::int32_t minimumBitrate,
                                  std::int64_t minimumSize, std::int64_t maximumSize) = 0;
  // The service is asked for the search that the last OpenSearch opened; told
  // before the service's plugin hears of the search.
  virtual void AddService(std::uint32_t service) = 0;
};

enum class TSourceKind { AllServices, ServiceType, Service };

// One place to search, as the list shows it.
struct TSearchSource {
  TSourceKind kind = TSourceKind::AllServices;
  std::uint32_t type = 0;     // the type's handle (0 for every service)
  std::uint32_t service = 0;  // the service's handle (a service's own place only)
  int indent = 0;             // 0 every service, 2 a type, 3 a service under its type
};

// What the list shows of a place: its description and the icon file, both
// empty for every service (the view names that place in its own language).
struct TSourceLabel {
  std::string description;
  std::string iconFile;
};

// One limit of the Advanced page: it counts only while its box is ticked.
struct TRequestLimit {
  bool on = false;
  std::int32_t value = 0;  // not negative: the field takes digits only

  [[nodiscard]] std::int32_t Effective() const noexcept { return on && value > 0 ? value : 0; }
};

// Why a request was not sent.
enum class TRequestFault : std::int32_t {
  None = 0,
  NoSearchText = 1,  // both texts are blank; the user is told
  NoSource = 2,      // no place to search is chosen; nothing is said
};

// The text the user is shown for a fault, or none for a fault that stops silently.
[[nodiscard]] std::optional<TTextId> FaultMessage(TRequestFault fault) noexcept;

// What the window shows of the request, told when the request changes by
// itself rather than by the user's hand.
class ISearchRequestView {
 public:
  virtual ~ISearchRequestView() = default;
  // A place to search came or went at this position; the chosen place may have
  // moved with it (SelectedSource says where it is now).
  virtual void SourceInserted(std::size_t index) = 0;
  virtual void SourceRemoved(std::size_t index) = 0;
  // The texts or their histories changed (a sent request, a clearing, settings).
  virtual void TextsChanged() = 0;
};

class TSearchRequest final : public IServiceListener, public ISettingsObserver {
 public:
  // The settings are the program's working values, read at every request.
  // Registers itself as a listener of the registry for as long as it lives;
  // the registry's present services are listed at once.
  TSearchRequest(TServiceRegistry& registry, ISearchOpener& opener, const TSearchingSettings& settings);
  TSearchRequest(const TSearchRequest&) = delete;
  TSearchRequest& operator=(const TSearchRequest&) = delete;
  ~TSearchRequest() override;

  void SetView(ISearchRequestView* view) noexcept { view_ = view; }

  // MP3 search (the first text is the artist, the second the title) or a
  // search for any file (the first text only is shown). Starts as MP3.
  [[nodiscard]] bool MP3Search() const noexcept { return mp3_; }
  void SetMP3Search(bool mp3) noexcept { mp3_ = mp3; }
  [[nodiscard]] const std::string& Text1() const noexcept { return text1_; }
  [[nodiscard]] const std::string& Text2() const noexcept { return text2_; }
  void SetText1(std::string_view text) { text1_ = text; }
  void SetText2(std::string_view text) { text2_ = text; }

  // The limits hold whatever the fields say while hidden; a limit ticked in
  // one mode still applies in the other.
  TRequestLimit MinimumSize;
  TRequestLimit MaximumSize;
  TRequestLimit MinimumBitrate;

  // The places to search: every service first, then each type that has
  // services followed by its services.
  [[nodiscard]] const std::vector<TSearchSource>& Sources() const noexcept { return sources_; }
  [[nodiscard]] TSourceLabel SourceLabel(std::size_t index) const;
  // The chosen place's position, or -1 when none is chosen (the chosen place
  // went away).
  [[nodiscard]] int SelectedSource() const noexcept { return selected_; }
  // Positions out of range choose none.
  void SelectSource(int index) noexcept;
  // The services the chosen place stands for, in their order; none when no
  // place is chosen.
  [[nodiscard]] std::vector<std::uint32_t> ChosenServices() const;

  // Before the window shows: the first place is chosen when none is.
  void Prepare() noexcept;

  // What stops the request from being sent, checked in this order.
  [[nodiscard]] TRequestFault Check() const;
  struct TSendOutcome {
    TRequestFault fault = TRequestFault::None;
    std::int32_t searchID = -1;  // the opened search's ID when sent
  };
  // Opens the search, asks every chosen service, then updates the history.
  // Nothing happens unless Check finds no fault.
  TSendOutcome Send();

  [[nodiscard]] const THistoryList& History1() const noexcept { return history1_; }
  [[nodiscard]] const THistoryList& History2() const noexcept { return history2_; }
  // Both lists from the files in the program folder (a file that cannot be read
  // gives an empty list), and back into them. Saving true when both were written;
  // one that fails does not stop the other.
  void LoadSearchHistory(std::string_view programFolder);
  bool SaveSearchHistory(std::string_view programFolder) const;
  // Empties both lists and both texts.
  void ClearSearchHistory();
  // After the settings load: no history kept empties both lists; no last
  // request remembered empties both texts.
  void ApplyHistorySettings(const TSearchingSettings& searching);

  // IServiceListener
  void ServiceAdded(TServiceHolder& service) override;
  void ServiceRemoving(TServiceHolder& service) override;
  // ISettingsObserver
  void SearchingSettingsLoaded(const TSearchingSettings& searching) override {
    ApplyHistorySettings(searching);
  }

 private:
  void InsertSource(std::size_t index, const TSearchSource& source);
  void RemoveSource(std::size_t index);
  // The position of the type's own place, or sources_.size().
  [[nodiscard]] std::size_t FindTypeSource(std::uint32_t type) const noexcept;
  void SendToService(std::uint32_t handle, std::int32_t searchID, const std::string& text1,
                     const std::string& text2);
  void UpdateHistory();

  TServiceRegistry& registry_;
  ISearchOpener& opener_;
  const TSearchingSettings& settings_;
  ISearchRequestView* view_ = nullptr;

  bool mp3_ = true;
  std::string text1_;
  std::string text2_;
  std::vector<TSearchSource> sources_;
  int selected_ = -1;
  THistoryList history1_;
  THistoryList history2_;
};

}  // namespace kp
