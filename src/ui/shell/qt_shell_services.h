#pragma once
// The desktop's shell services for the program: files, folders and addresses
// open with the user's preferred application (xdg-open behind Qt), messages show
// in a modal message box. The desktop program installs them for its lifetime.

#include <QObject>
#include <QUrl>
#include <functional>
#include <string>
#include <string_view>

#include "core/platform/shell_services.h"

namespace kp {

class TSimpleConfig;

// What a target of ShellOpen names: an address or mailto: link as written, or a
// local file whose relative path is taken from the working folder.
[[nodiscard]] QUrl ShellTargetUrl(std::string_view target, std::string_view workingFolder);

class TQtShellServices : public IShellServices {
 public:
  // Opens a URL; true when some application took it.
  using UrlOpener = std::function<bool(const QUrl&)>;

  // Made on the main thread. The language gives the message box its texts.
  // Without an opener the desktop's (QDesktopServices) is used.
  explicit TQtShellServices(TSimpleConfig& language, UrlOpener opener = {});

  // When no application takes the target the user is told so.
  void OpenDocument(const std::string& target, const std::string& workingFolder) override;
  void ShowMessage(const std::string& text) override;

 private:
  TSimpleConfig& language_;
  UrlOpener opener_;
  QObject mainThread_;  // made on the main thread; requests from other threads go through it
};

}  // namespace kp
