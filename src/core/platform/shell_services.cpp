#include "core/platform/shell_services.h"

#include <atomic>
#include <cstdio>

namespace kp {
namespace {
std::atomic<IShellServices*> installed{nullptr};
}  // namespace

void TRecordingShell::OpenDocument(const std::string& target, const std::string& workingFolder) {
  std::lock_guard lock(mutex_);
  opened_.push_back({target, workingFolder});
}

void TRecordingShell::ShowMessage(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
  }
  if (PrintMessages) std::fprintf(stderr, "%s\n", text.c_str());
}

std::vector<TRecordingShell::OpenRequest> TRecordingShell::OpenRequests() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

std::vector<std::string> TRecordingShell::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

void TRecordingShell::Forget() {
  std::lock_guard lock(mutex_);
  opened_.clear();
  messages_.clear();
}

TRecordingShell& HeadlessShell() {
  static TRecordingShell shell;
  return shell;
}

IShellServices& ShellServices() {
  IShellServices* services = installed.load();
  return services ? *services : HeadlessShell();
}

void InstallShellServices(IShellServices* services) { installed.store(services); }

}  // namespace kp
