#include "ui/shell/tray_icon.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace kp {

TTrayIcon::TTrayIcon(QMenu* menu, QObject* parent)
    : QObject(parent), icon_(std::make_unique<QSystemTrayIcon>()), menu_(menu) {
  // The menu is opened here rather than given to the tray, so a right double
  // click opens it too and the left button never does.
  connect(icon_.get(), &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) { HandleActivation(static_cast<int>(reason)); });
}

TTrayIcon::~TTrayIcon() { icon_->hide(); }

void TTrayIcon::SetImageFile(const QString& file) {
  // The rotation asks for the program's image again every second; the file is
  // read only when the image really changes.
  if (file == imageFile_ && !icon_->icon().isNull()) return;
  imageFile_ = file;
  icon_->setIcon(QIcon(file));
  // Shown once it has an image: an empty icon would be an empty gap in the tray.
  if (!icon_->isVisible() && !icon_->icon().isNull()) icon_->show();
}

void TTrayIcon::SetTip(const QString& tip) {
  tip_ = tip.left(kTipLength);
  icon_->setToolTip(tip_);
}

void TTrayIcon::HandleActivation(int reason) {
  switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
      if (OnShowRequest) OnShowRequest();
      break;
    case QSystemTrayIcon::Context:
      if (menu_ && !menu_->isEmpty()) menu_->popup(QCursor::pos());
      break;
    default:
      break;  // the middle button and anything else are ignored
  }
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_tray_icon.cpp"
