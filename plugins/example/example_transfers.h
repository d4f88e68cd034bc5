// What the example's downloads and uploads share: the control a transfer's
// thread obeys, the threads themselves, simulated time and files.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "keplinor_types.h"

namespace example::transfer {

// What the program asked of one transfer, as the transfer's thread sees it.
// Events set it on the main thread; the thread only waits on it, so an event
// never waits for the thread, which may be inside a call to the program.
class Control {
 public:
  void Pause();
  void Resume();
  void Remove();  // the program removed the transfer: its handle means nothing now
  void Stop();    // the plugin stops

  // Waits for the time, or less when the transfer is to end; then, while it is
  // paused, until it is resumed. False when the transfer is to end.
  bool Wait(std::chrono::milliseconds time);
  // The pause part of Wait alone.
  bool HoldWhilePaused() { return Wait(std::chrono::milliseconds(0)); }
  bool Ended() const;
  bool Removed() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable changed_;
  bool paused_ = false;
  bool removed_ = false;
  bool stopping_ = false;
};

// Runs the work on a thread of its own that StopAll stops and joins. Main
// thread only. False when the plugin is stopping or no thread could be made.
bool Launch(std::shared_ptr<Control> control, std::function<void()> work);

// Stops every transfer thread and waits for them. Only where the program no
// longer waits for our threads' calls (OnApplicationEnd, TPlugin_OnShutdown):
// a thread inside a call then comes back with 0 and sees the stop. Nothing
// starts afterwards.
void StopAll();

// True from StopAll on.
bool Stopping();

// Called by StopTransfers once the threads are joined: the uploads forget
// what they hold.
void ForgetUploads();

// Simulated time runs this many times faster when the environment variable
// KEPLINOR_EXAMPLE_TIME_SCALE says so (1 to 1000), for tests and the impatient.
std::chrono::milliseconds Scaled(std::chrono::milliseconds time);

// How often a running transfer reports progress.
inline constexpr std::chrono::milliseconds kTick{250};
// The most bytes a simulated transfer moves: a few seconds to watch, not hours.
inline constexpr int64_t kMostBytes = 4 * 1024 * 1024;

// Bytes per second of one simulated peer, 64 to 256 KiB/s, the same for the
// same key on every run.
int32_t PeerSpeed(std::string_view key);
// The bytes one tick moves at that speed, varied by up to a quarter either way
// as a real line does.
int64_t BytesPerTick(int32_t speed);

// A name that is safe as one file name in a folder: no separators, no control
// characters, not "." or "..", not empty, and short enough for any file system.
std::string SafeFileName(std::string_view name);

// The folder the program suggests (KP_DIRECTORY_TEMPORARY or
// KP_DIRECTORY_COMPLETED), with a trailing "/"; empty when it answers none, as
// it does at its end.
std::string SuggestedFolder(int32_t directoryType);

// Generated file content at an offset: readable lines naming the file.
void FillContent(std::string_view name, int64_t offset, char* buffer, std::size_t size);

// Moves the finished file into the folder under its name, or the name with
// " (2)", " (3)" ... before the extension when that is taken; works across
// file systems. The final path, or empty on failure.
std::string MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name);

}  // namespace example::transfer
