#pragma once
// The embedded browser of a build without a browser engine: a text view that
// shows HTML 4 pages without scripts or remote images. Pages over http come
// through the program's own web client on a worker thread, so the window never
// waits for a server; local files (file:) are read directly. Without an engine
// there is no renderer process and so no sandbox to run it in.

#include <QTextBrowser>
#include <memory>
#include <vector>

#include "ui/web/web_view.h"

namespace kp {

class TTextWebView final : public QTextBrowser, public IWebView {
  Q_OBJECT

 public:
  // Pages larger than this are not shown.
  static constexpr std::int32_t kMaxPageSize = 4 * 1024 * 1024;

  explicit TTextWebView(QWidget* parent = nullptr);
  // Ends every fetch still running; no result arrives after.
  ~TTextWebView() override;

  QWidget* Widget() override { return this; }
  void ShowUrl(const QUrl& url, const THeaderList& headers = {}) override;
  void ShowHtml(const QString& html, const QUrl& baseUrl = {}) override;
  QUrl CurrentUrl() const override { return currentUrl_; }
  void SetLinkHandler(TLinkHandler handler) override { linkHandler_ = std::move(handler); }

 signals:
  // A page arrived and is shown (tests and owners that wait for it).
  void pageShown(const QUrl& url);

 private:
  struct TFetch;

  void StartFetch(const QUrl& url, const THeaderList& headers);
  void FetchEnded(const std::shared_ptr<TFetch>& fetch);
  // Aborts the fetch that is running, without waiting for its thread.
  void CancelFetch();
  void JoinEnded();

  QUrl currentUrl_;
  TLinkHandler linkHandler_;
  std::shared_ptr<TFetch> fetch_;                 // the page being loaded
  std::vector<std::shared_ptr<TFetch>> fetches_;  // every fetch whose thread is not joined yet
};

}  // namespace kp
