#pragma once
// Asks before a service is removed, naming it.

#include <QDialog>

class QPushButton;

namespace kp {

class TSimpleConfig;

class TDeleteServiceDialog : public QDialog {
  Q_OBJECT

 public:
  TDeleteServiceDialog(TSimpleConfig& language, const QString& description, QWidget* parent = nullptr);

  [[nodiscard]] QPushButton* OkButton() const noexcept { return ok_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }

 private:
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace kp
