#pragma once
// The program's icon in the notification area. A left click or a double click
// asks for the window; a right click opens the tray menu. On a desktop without a
// system tray the program still keeps the icon's state (image and tip), so it is
// right the moment a tray appears.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace kp {

class TTrayIcon : public QObject {
  Q_OBJECT

 public:
  // The menu is the tray menu (the popup command manager's); it is not owned.
  explicit TTrayIcon(QMenu* menu, QObject* parent = nullptr);
  ~TTrayIcon() override;

  // Tips are cut to their first 62 characters, as the notification area shows them.
  static constexpr int kTipLength = 62;

  void SetImageFile(const QString& file);
  void SetTip(const QString& tip);
  [[nodiscard]] const QString& ImageFile() const noexcept { return imageFile_; }
  [[nodiscard]] const QString& Tip() const noexcept { return tip_; }

  // Left click or double click on the icon.
  std::function<void()> OnShowRequest;

  // What a click does, for the platform's activation reasons and for tests.
  void HandleActivation(int reason);

 private:
  std::unique_ptr<QSystemTrayIcon> icon_;
  QMenu* menu_;
  QString imageFile_;
  QString tip_;
};

}  // namespace kp
