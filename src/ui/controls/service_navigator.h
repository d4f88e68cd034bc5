#pragma once
// The services section's sidebar: one row per registered service with a check
// box, an icon and the caption. At most one row carries the active mark. What
// the user does is reported through the callbacks; what the owner sets through
// the methods is not, so the owner never hears back its own changes.
//
// The rows live in a list model so that screen readers see every service with
// its name and check state; the painting and the input are the control's own.

#include <QListView>
#include <QString>
#include <cstdint>
#include <functional>

class QIcon;
class QStandardItem;
class QStandardItemModel;

namespace kp {

class TServiceNavigator : public QListView {
  Q_OBJECT

 public:
  explicit TServiceNavigator(QWidget* parent = nullptr);
  ~TServiceNavigator() override;

  // Appends a row. Key 0 means "none" and is ignored; a key already present
  // updates that row in place instead of adding a second one.
  void AddButton(std::uint32_t key, const QString& caption, const QIcon& icon);
  bool EditButton(std::uint32_t key, const QString& caption, const QIcon& icon);
  bool SetChecked(std::uint32_t key, bool checked);
  // Removing the active row leaves no row active.
  bool RemoveButton(std::uint32_t key);
  // 0 or an unknown key clears the mark. The row is scrolled into view.
  void SetActive(std::uint32_t key);

  [[nodiscard]] int Count() const;
  [[nodiscard]] std::uint32_t KeyAt(int index) const;
  [[nodiscard]] std::uint32_t ActiveKey() const noexcept { return activeKey_; }
  [[nodiscard]] bool IsChecked(std::uint32_t key) const;
  [[nodiscard]] QString Caption(std::uint32_t key) const;
  [[nodiscard]] int IndexOf(std::uint32_t key) const;

  // Where a row and its check box are, in viewport coordinates (empty for an
  // unknown key); for context menus and the like.
  [[nodiscard]] QRect ButtonRect(std::uint32_t key) const;
  [[nodiscard]] QRect CheckBoxRect(std::uint32_t key) const;

  // The user made a row active (mouse or keyboard); also for a click on the
  // row that is already active, and for Enter.
  std::function<void(std::uint32_t key)> OnSelect;
  // The user toggled a check box; the control shows the new state already.
  std::function<void(std::uint32_t key, bool checked)> OnCheck;

  [[nodiscard]] QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct TRowParts {
    QRect pill, bar, check, icon, text;
  };

  [[nodiscard]] QStandardItem* ItemOf(std::uint32_t key) const;
  [[nodiscard]] int RowHeight() const;
  [[nodiscard]] TRowParts PartsOf(int row) const;
  [[nodiscard]] int RowAt(const QPoint& pos) const;
  [[nodiscard]] bool OnCheckBox(int row, const QPoint& pos) const;
  void ApplyRowHeight();
  void SyncCurrent();
  void MoveActiveTo(int row);
  void Select(std::uint32_t key);
  void ToggleCheck(std::uint32_t key);

  QStandardItemModel* model_;
  std::uint32_t activeKey_ = 0;
  std::uint32_t hoverKey_ = 0;
  std::uint32_t pressedCheckKey_ = 0;
};

}  // namespace kp
