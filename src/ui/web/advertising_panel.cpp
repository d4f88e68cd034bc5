#include "ui/web/advertising_panel.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>

#include "core/config/shared_routines.h"
#include "ui/shell/qt_text.h"
#include "ui/web/web_view.h"

namespace kp {

TAdvertisingPanel::TAdvertisingPanel(TAdvertisingHooks hooks, QWidget* parent)
    : QWidget(parent), core_(std::make_unique<TAdvertising>(std::move(hooks))) {
  setObjectName(QStringLiteral("Advertising"));
  setMouseTracking(true);
  bannerFont_ = font();
  bannerFont_.setBold(true);
  bannerFont_.setUnderline(true);

  browser_ = CreateWebView(this);
  browser_->Widget()->hide();
  browser_->SetLinkHandler([this](const QUrl& link) { OpenLink(link); });
  // A press into the page counts as a click into the panel.
  browser_->Widget()->installEventFilter(this);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(browser_->Widget()))
    area->viewport()->installEventFilter(this);

  core_->SetRotateTime(kMainWindowRotateTime);
  core_->SetInactiveTime(kMainWindowInactiveTime);
  core_->SetAutomatic(false);
  core_->SetView(this);

  timer_.setInterval(TAdvertising::kTickMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &TAdvertisingPanel::Tick);
  timer_.start();
}

TAdvertisingPanel::~TAdvertisingPanel() {
  // While the window is whole: Stop lets the main loop run until the load has ended.
  timer_.stop();
  core_->Stop();
  core_->SetView(nullptr);
}

void TAdvertisingPanel::SetServerUrl(const std::optional<std::string>& url) {
  core_->SetAdminURL(url.value_or(std::string()));
  setVisible(url.has_value());
}

int TAdvertisingPanel::TextWidth(std::string_view text) const {
  return QFontMetrics(bannerFont_).horizontalAdvance(ToQString(text));
}

int TAdvertisingPanel::BannerTop() const { return BannerBottom() - QFontMetrics(bannerFont_).height(); }

void TAdvertisingPanel::PlaceBrowser() {
  browser_->Widget()->setGeometry(0, 0, width(), std::max(BannerTop() - 6, 0));
}

void TAdvertisingPanel::ShowPage(const std::string& url, const THeaderList& headers) {
  PlaceBrowser();
  browser_->Widget()->show();
  browser_->ShowUrl(QUrl(ToQString(url)), headers);
}

TAdvertisingTick TAdvertisingPanel::SeenNow() const {
  TAdvertisingTick tick;
  const QPoint cursor = QCursor::pos();
  tick.cursorX = cursor.x();
  tick.cursorY = cursor.y();
  tick.leftButtonDown = (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
  tick.cursorInPanel = isVisible() && rect().contains(mapFromGlobal(cursor));
  tick.formActive = isActiveWindow();
  tick.applicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
  return tick;
}

void TAdvertisingPanel::Tick() { core_->Tick(tickSource_ ? tickSource_() : SeenNow()); }

bool TAdvertisingPanel::OverBanner(const QPoint& point) const {
  return point.y() >= BannerTop() && point.y() <= BannerBottom() && core_->OverBanner(point.x());
}

void TAdvertisingPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) core_->Start();
}

void TAdvertisingPanel::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) core_->Stop();
}

void TAdvertisingPanel::paintEvent(QPaintEvent*) {
  const std::string& text = core_->DrawnText();
  if (text.empty()) return;
  QPainter painter(this);
  // The rest of the line up to 14 pixels before the right end stays clear.
  painter.setClipRect(0, BannerTop(), std::max(width() - TAdvertising::kBannerStartGap, 0),
                      BannerBottom() - BannerTop());
  painter.setFont(bannerFont_);
  painter.setPen(QColor(Qt::blue));
  painter.drawText(core_->BannerX(), BannerTop() + QFontMetrics(bannerFont_).ascent(), ToQString(text));
}

void TAdvertisingPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (browser_->Widget()->isVisible()) PlaceBrowser();
}

void TAdvertisingPanel::mouseMoveEvent(QMouseEvent* event) {
  if (OverBanner(event->position().toPoint())) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  QWidget::mouseMoveEvent(event);
}

void TAdvertisingPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) core_->MouseButton(true, true, isActiveWindow());
  QWidget::mousePressEvent(event);
}

void TAdvertisingPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OverBanner(event->position().toPoint())) core_->ClickBanner();
  QWidget::mouseReleaseEvent(event);
}

bool TAdvertisingPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    core_->MouseButton(true, true, isActiveWindow());
  }
  return QWidget::eventFilter(watched, event);
}

void TAdvertisingPanel::OpenLink(const QUrl& link) {
  // Only a click of the user's may take a page out of the panel, and only to a web page.
  const bool applicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
  if (!core_->MayOpenNewWindow(applicationActive)) return;
  const std::string address = link.toString(QUrl::FullyEncoded).toStdString();
  if (IsWebLink(address)) ShellOpen(address);
}

}  // namespace kp
