#pragma once
// The embedded browser as the program's windows use it: show an address (with
// extra request headers) or a text of HTML, and hear of the links that the user
// follows or the page asks to open. The platform's browser engine stands behind
// it where it is installed; otherwise a text view that shows simple pages.

#include <QString>
#include <QUrl>
#include <functional>

#include "core/web/advertising_item.h"

class QWidget;

namespace kp {

class IWebView {
 public:
  // A link that the user followed, or a page's request for a new window,
  // resolved against the page's address. The view does not follow it itself:
  // its owner decides where the link goes.
  using TLinkHandler = std::function<void(const QUrl& link)>;

  virtual ~IWebView() = default;

  [[nodiscard]] virtual QWidget* Widget() = 0;
  // Loads the page at the address without blocking the caller; a page that
  // cannot be loaded leaves the one shown before.
  virtual void ShowUrl(const QUrl& url, const THeaderList& headers = {}) = 0;
  virtual void ShowHtml(const QString& html, const QUrl& baseUrl = {}) = 0;
  [[nodiscard]] virtual QUrl CurrentUrl() const = 0;
  virtual void SetLinkHandler(TLinkHandler handler) = 0;
};

// The best embedded browser of this build; its widget is a child of the
// parent, which owns it.
[[nodiscard]] IWebView* CreateWebView(QWidget* parent);

}  // namespace kp
