#include "ui/web/text_web_view.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QTextDocument>
#include <atomic>
#include <mutex>
#include <thread>

#include "core/config/text_basics.h"
#include "core/web/web_client.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

bool IsHtmlType(const std::string& contentType) {
  const std::string type = ToLowerAscii(Trim(contentType));
  return type.empty() || type.starts_with("text/html") || type.starts_with("application/xhtml");
}

}  // namespace

// One page being loaded: its thread owns the client until it ends; the view
// only aborts it.
struct TTextWebView::TFetch {
  QUrl url;
  TWebClient client;
  std::thread thread;
  std::mutex lock;
  bool cancelled = false;  // under lock: the view no longer wants the page
  std::atomic<bool> ended{false};
  // Written by the thread before it hands the fetch back.
  bool succeeded = false;
  std::string body;
  std::string contentType;
};

IWebView* CreateWebView(QWidget* parent) { return new TTextWebView(parent); }

TTextWebView::TTextWebView(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("WebView"));
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    if (linkHandler_) linkHandler_(currentUrl_.resolved(link));
  });
}

TTextWebView::~TTextWebView() {
  for (const auto& fetch : fetches_) {
    {
      std::lock_guard guard(fetch->lock);
      fetch->cancelled = true;
    }
    fetch->client.Abort();
  }
  for (const auto& fetch : fetches_) {
    if (fetch->thread.joinable()) fetch->thread.join();
  }
}

void TTextWebView::ShowUrl(const QUrl& url, const THeaderList& headers) {
  JoinEnded();
  if (url.isLocalFile()) {
    CancelFetch();
    QFile file(url.toLocalFile());
    if (!QFileInfo(file).isFile() || file.size() > kMaxPageSize || !file.open(QIODevice::ReadOnly)) return;
    const QString text = QString::fromUtf8(file.read(kMaxPageSize));
    const QString suffix = QFileInfo(file).suffix().toLower();
    document()->setBaseUrl(url);
    if (suffix == u"txt") {
      setPlainText(text);
    } else {
      setHtml(text);
    }
    currentUrl_ = url;
    emit pageShown(url);
    return;
  }
  // The program's web client speaks plain http only; other pages wait for a
  // build with a browser engine and leave the view as it is.
  if (url.scheme().compare(u"http", Qt::CaseInsensitive) != 0) return;
  CancelFetch();
  StartFetch(url, headers);
}

void TTextWebView::ShowHtml(const QString& html, const QUrl& baseUrl) {
  CancelFetch();
  document()->setBaseUrl(baseUrl);
  setHtml(html);
  currentUrl_ = baseUrl;
}

void TTextWebView::StartFetch(const QUrl& url, const THeaderList& headers) {
  auto fetch = std::make_shared<TFetch>();
  fetch->url = url;
  fetch->client.Handle().SetMaxBodySize(kMaxPageSize);
  const std::string address = url.toString(QUrl::FullyEncoded | QUrl::RemoveFragment).toStdString();
  try {
    fetch->thread = std::thread([this, fetch, address, headers] {
      try {
        for (const auto& [name, value] : headers) fetch->client.AddHeader(name, value);
        fetch->client.Open(address);
        const std::int32_t status = fetch->client.Get();
        if (status >= 200 && status <= 299) {
          fetch->body = fetch->client.ReadText().bytes;
          const std::string* type = fetch->client.Handle().ResponseHead().Find("CONTENT-TYPE");
          fetch->contentType = type ? *type : std::string();
          fetch->succeeded = true;
        }
      } catch (const std::exception&) {
        // The page stays as it was.
      }
      // Under the lock: the view's destructor cannot pass it while the result is handed over.
      std::lock_guard guard(fetch->lock);
      if (!fetch->cancelled) {
        QMetaObject::invokeMethod(
            this, [this, fetch] { FetchEnded(fetch); }, Qt::QueuedConnection);
      }
      fetch->ended = true;
    });
  } catch (const std::system_error&) {
    return;
  }
  fetch_ = fetch;
  fetches_.push_back(fetch);
}

void TTextWebView::FetchEnded(const std::shared_ptr<TFetch>& fetch) {
  if (fetch->thread.joinable()) fetch->thread.join();
  std::erase(fetches_, fetch);
  if (fetch != fetch_) return;
  fetch_.reset();
  if (!fetch->succeeded) return;
  document()->setBaseUrl(fetch->url);
  if (IsHtmlType(fetch->contentType)) {
    setHtml(ToQString(fetch->body));
  } else if (ToLowerAscii(Trim(fetch->contentType)).starts_with("text/")) {
    setPlainText(ToQString(fetch->body));
  } else {
    return;
  }
  currentUrl_ = fetch->url;
  emit pageShown(fetch->url);
}

void TTextWebView::CancelFetch() {
  if (!fetch_) return;
  {
    std::lock_guard guard(fetch_->lock);
    fetch_->cancelled = true;
  }
  fetch_->client.Abort();
  fetch_.reset();
}

void TTextWebView::JoinEnded() {
  // A cancelled fetch hands nothing back; its thread is joined here once it
  // has ended, which takes no waiting.
  std::erase_if(fetches_, [this](const std::shared_ptr<TFetch>& fetch) {
    if (fetch == fetch_ || !fetch->ended) return false;
    std::lock_guard guard(fetch->lock);
    if (!fetch->cancelled) return false;  // its result is on the way
    if (fetch->thread.joinable()) fetch->thread.join();
    return true;
  });
}

}  // namespace kp
