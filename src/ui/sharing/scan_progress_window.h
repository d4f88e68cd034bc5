#pragma once
// The window the system scan shows while it runs: a bar that keeps moving, so
// the user sees the program is alive, and the name of the last file the scan
// looked at. Closing it (Cancel, Escape, the frame) asks the scan to stop.

#include <QDialog>
#include <QTimer>

#include <string_view>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kp {

class TSimpleConfig;

class TScanProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit TScanProgressWindow(TSimpleConfig& language, QWidget* parent = nullptr);

  // The file name part of the path the scan reports.
  void ShowStatus(std::string_view path);

  [[nodiscard]] QLabel* Description() const noexcept { return description_; }
  [[nodiscard]] QProgressBar* Bar() const noexcept { return bar_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }

 private:
  QLabel* description_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer ticker_;
};

}  // namespace kp
