#pragma once
// What the desktop does for the program: open a file or address with the
// user's preferred application and show a short message. The Qt face installs
// its own; without it (headless runs, tests) the requests are recorded.

#include <mutex>
#include <string>
#include <vector>

namespace kp {

class IShellServices {
 public:
  virtual ~IShellServices() = default;
  // Opens a file, folder, URL or mailto: link; failures are not reported.
  virtual void OpenDocument(const std::string& target, const std::string& workingFolder) = 0;
  // Shows the text in a modal message box with one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
};

// Remembers every request; prints messages to standard error so a headless
// run still shows them.
class TRecordingShell final : public IShellServices {
 public:
  struct OpenRequest {
    std::string target;
    std::string workingFolder;
  };

  void OpenDocument(const std::string& target, const std::string& workingFolder) override;
  void ShowMessage(const std::string& text) override;

  [[nodiscard]] std::vector<OpenRequest> OpenRequests() const;
  [[nodiscard]] std::vector<std::string> Messages() const;
  void Forget();

  bool PrintMessages = true;

 private:
  mutable std::mutex mutex_;
  std::vector<OpenRequest> opened_;
  std::vector<std::string> messages_;
};

// The process's shell services: the recording one until another is installed.
[[nodiscard]] IShellServices& ShellServices();
// Installs services (null restores the recording one); the caller keeps them alive.
void InstallShellServices(IShellServices* services);
// The recording services that stand in when nothing else is installed.
[[nodiscard]] TRecordingShell& HeadlessShell();

}  // namespace kp
