#pragma once
// The core running in this process with the plugins of a prepared program
// folder, driven as the user would drive it: searches sent to one service,
// results downloaded, transfers paused and resumed. The main loop runs only
// while the caller waits, so every wait pumps it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/host/dispatcher.h"
#include "core/host/main_loop.h"
#include "core/host/main_thread_queue.h"
#include "core/shell/program_run.h"

namespace kp {
struct TSearchResultHolder;
class TSearchContext;
class TTransferItem;
}  // namespace kp

namespace kp::lan_e2e {

class TLanCore {
 public:
  TLanCore() = default;
  TLanCore(const TLanCore&) = delete;
  TLanCore& operator=(const TLanCore&) = delete;
  ~TLanCore();

  // Loads the folder's settings and starts the run (plugins included).
  [[nodiscard]] bool Start(const std::string& folder);
  // Ends the run: the plugins hear of the end and are unloaded.
  void Finish();
  [[nodiscard]] TProgramRun& Run() { return *run_; }

  // Runs the main loop until the condition holds; false when the time ran out.
  bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience);
  // Runs the main loop for the time given.
  void PumpFor(std::chrono::milliseconds time);

  // The handle of the service with that description; 0 when none.
  [[nodiscard]] std::uint32_t ServiceNamed(std::string_view description) const;
  // Sends a search for any file to that service alone; the search's ID, or -1.
  std::int32_t Search(std::uint32_t service, std::string_view text);
  // Waits until every service asked has completed; null when the search is
  // gone or did not complete in time.
  TSearchContext* WaitForSearch(std::int32_t searchId, std::chrono::milliseconds patience);
  [[nodiscard]] static std::vector<TSearchResultHolder*> ResultsNamed(const TSearchContext& search,
                                                                       std::string_view description);

  // The user's download command on the result; the download its plugin added
  // (null when none came).
  TTransferItem* Download(const TSearchResultHolder& result);
  [[nodiscard]] TTransferItem* FindDownload(std::uint32_t handle) const;
  void Pause(TTransferItem& item);
  void Resume(TTransferItem& item);

 private:
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TMainLoop loop_{queue_};
  TSimpleConfig settings_;
  std::unique_ptr<TProgramRun> run_;
};

}  // namespace kp::lan_e2e
