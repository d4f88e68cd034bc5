#include "ui/shell/qt_shell_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "core/config/text_basics.h"
#include "core/config/text_format.h"
#include "core/config/text_ids.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

// A scheme as URLs write it: a letter, then letters, digits, "+", "-" or ".",
// then ":". One letter alone is no scheme: "C:" is a drive, not a link.
bool HasScheme(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

// Message boxes and the desktop belong to the main thread, where the context
// lives; a call from another thread is carried there and does not wait (the main
// thread may be waiting for the caller). Calls still on their way when the
// context goes are dropped.
template <typename Work>
void RunOnMainThread(QObject& context, Work work) {
  if (QThread::currentThread() == context.thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(&context, std::move(work), Qt::QueuedConnection);
  }
}

}  // namespace

QUrl ShellTargetUrl(std::string_view target, std::string_view workingFolder) {
  const std::string_view trimmed = Trim(target);
  const QString text = ToQString(trimmed);
  const QString path = QDir(ToQString(workingFolder)).absoluteFilePath(text);
  // A file whose name merely looks like a link is still the file.
  if (HasScheme(trimmed) && !QFileInfo::exists(path)) return QUrl(text, QUrl::TolerantMode);
  return QUrl::fromLocalFile(QDir::cleanPath(path));
}

TQtShellServices::TQtShellServices(TSimpleConfig& language, UrlOpener opener)
    : language_(language), opener_(std::move(opener)) {
  if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void TQtShellServices::OpenDocument(const std::string& target, const std::string& workingFolder) {
  if (Trim(target).empty()) return;
  RunOnMainThread(mainThread_, [this, target, workingFolder] {
    if (opener_(ShellTargetUrl(target, workingFolder))) return;
    const std::string format = GetLanguageText(text::kNoApplicationForLink, language_);
    ShowMessage(FormatWithText(format, std::string(Trim(target))).value_or(std::string(Trim(target))));
  });
}

void TQtShellServices::ShowMessage(const std::string& text) {
  RunOnMainThread(mainThread_, [this, text] {
    QMessageBox box(QMessageBox::Information, QGuiApplication::applicationDisplayName(), ToQString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    // The text may come from a plugin or name a file: it is shown as it stands.
    box.setTextFormat(Qt::PlainText);
    const QString ok = LanguageText(language_, text::kOk);
    if (!ok.isEmpty()) box.button(QMessageBox::Ok)->setText(ok);
    box.exec();
  });
}

}  // namespace kp
