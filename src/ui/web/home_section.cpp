#include "ui/web/home_section.h"

#include <QVBoxLayout>

#include "core/config/shared_routines.h"
#include "core/web/advertising_item.h"
#include "ui/web/web_view.h"

namespace kp {

THomeSection::THomeSection(QWidget* startPage, QWidget* parent) : QWidget(parent), startPage_(startPage) {
  setObjectName(QStringLiteral("HomeSection"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  if (startPage_) layout->addWidget(startPage_);
}

void THomeSection::SetHomePage(const QString& homePageUrl) {
  const QString trimmed = homePageUrl.trimmed();
  homePage_ = trimmed.isEmpty() ? QUrl() : QUrl::fromUserInput(trimmed);
  if (!homePage_.isValid()) homePage_ = QUrl();
  const bool showPage = !homePage_.isEmpty();
  if (showPage && !browser_) {
    browser_ = CreateWebView(this);
    browser_->SetLinkHandler([this](const QUrl& link) { FollowLink(link); });
    layout()->addWidget(browser_->Widget());
  }
  if (browser_) browser_->Widget()->setVisible(showPage);
  if (startPage_ && startPage_->parent() == this) startPage_->setVisible(!showPage);
  loaded_ = false;
  if (showPage && isVisible()) LoadHomePage();
}

THomeSection::~THomeSection() {
  if (startPage_ && startPage_->parent() == this) startPage_->setParent(nullptr);
}

void THomeSection::LoadHomePage() {
  if (!browser_ || homePage_.isEmpty()) return;
  loaded_ = true;
  browser_->ShowUrl(homePage_);
}

void THomeSection::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!loaded_) LoadHomePage();
}

void THomeSection::FollowLink(const QUrl& link) {
  // Pages that the view can show stay in it; the desktop opens web pages it
  // cannot show and mail links, nothing else a page may name.
  if (link.isLocalFile() || link.scheme().compare(u"http", Qt::CaseInsensitive) == 0) {
    browser_->ShowUrl(link);
    return;
  }
  const std::string address = link.toString(QUrl::FullyEncoded).toStdString();
  if (IsWebLink(address) || link.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0) ShellOpen(address);
}

}  // namespace kp
