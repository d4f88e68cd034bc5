#include "ui/shell/qt_shell_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/config/simple_config.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

TEST(QtShellServices, TargetsBecomeLinksOrLocalFiles) {
  test::TempFolder folder;
  folder.WriteFile("mailto:odd name.txt", "a file whose name looks like a link");
  const std::string work = folder.Path();
  struct Case {
    std::string target;
    QUrl expected;
  };
  const Case cases[] = {
      {"https://help.example.org/start?x=1", QUrl("https://help.example.org/start?x=1")},
      {"mailto:support@example.org", QUrl("mailto:support@example.org")},
      {"magnet:?xt=urn:btih:abc", QUrl("magnet:?xt=urn:btih:abc")},
      {" /home/user/My Music/song.mp3 ", QUrl::fromLocalFile("/home/user/My Music/song.mp3")},
      {"readme.txt", QUrl::fromLocalFile(QString::fromStdString(work + "readme.txt"))},
      {"C:notes.txt", QUrl::fromLocalFile(QString::fromStdString(work + "C:notes.txt"))},
      {"mailto:odd name.txt", QUrl::fromLocalFile(QString::fromStdString(work + "mailto:odd name.txt"))},
  };
  for (const Case& c : cases) EXPECT_EQ(ShellTargetUrl(c.target, work), c.expected) << c.target;
}

// The user hears of a link that nothing on the desktop opens.
TEST(QtShellServices, ALinkNoApplicationTakesIsReported) {
  struct Recording : TQtShellServices {
    using TQtShellServices::TQtShellServices;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
  };
  TSimpleConfig language;
  language.LoadFromText("[Main]\n00022 = \"Nothing opens %s.\"\n");
  bool handled = true;
  std::vector<QUrl> opened;
  Recording shell(language, [&](const QUrl& url) {
    opened.push_back(url);
    return handled;
  });

  shell.OpenDocument("https://example.org/a", "");
  EXPECT_TRUE(shell.messages.empty());
  handled = false;
  shell.OpenDocument(" tel:+123 ", "");
  shell.OpenDocument(" ", "");
  EXPECT_EQ(opened, (std::vector<QUrl>{QUrl("https://example.org/a"), QUrl("tel:+123")}));
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Nothing opens tel:+123."});
}

}  // namespace
}  // namespace kp
