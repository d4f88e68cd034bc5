#pragma once
// A scrolling line graph of recent samples on a grid, newest at the right, one
// sample per pixel column. The vertical grid lines move with the samples, so
// the picture reads as a strip chart. Optional value labels sit at the left.
//
// The full-scale value (the larger of the maximum and the largest sample) is
// taken after each paint and at EndUpdate, so a sample that raises it is drawn
// against the old scale once and the whole graph rescales at the next paint.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <deque>

namespace kp {

class TGraph : public QWidget {
  Q_OBJECT

 public:
  explicit TGraph(QWidget* parent = nullptr);

  void SetLineColor(QColor colour);
  void SetGridColor(QColor colour);
  void SetBackColor(QColor colour);
  // At least 1.
  void SetGridSize(int pixels);
  // The smallest full-scale value.
  void SetMaximum(int maximum);
  // Appended to every value label.
  void SetSuffix(QString suffix);
  void SetLabelGraph(bool labels);
  [[nodiscard]] QColor LineColor() const { return lineColour_; }
  [[nodiscard]] QColor GridColor() const { return gridColour_; }
  [[nodiscard]] QColor BackColor() const { return backColour_; }
  [[nodiscard]] int GridSize() const noexcept { return gridSize_; }
  [[nodiscard]] int Maximum() const noexcept { return maximum_; }
  [[nodiscard]] QString Suffix() const { return suffix_; }
  [[nodiscard]] bool LabelGraph() const noexcept { return labelGraph_; }

  // Appends a sample; the oldest ones go once the samples fill the width.
  void AddValue(std::int32_t value);
  void ClearValues();
  // Between these two the graph neither repaints nor scrolls, so a refill shows
  // as one change.
  void BeginUpdate();
  void EndUpdate();

  [[nodiscard]] const std::deque<std::int32_t>& Values() const noexcept { return values_; }
  // Where the vertical grid lines start, 0 down to 1 - GridSize().
  [[nodiscard]] int ScrollOffset() const noexcept { return scrollOffset_; }
  [[nodiscard]] int LabelWidth() const noexcept { return labelWidth_; }
  [[nodiscard]] std::int64_t FullScale() const noexcept { return fullScale_; }

  [[nodiscard]] QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct TLabels {
    int width = 0;
    int spacing = 0;    // pixels between two labels
    QStringList texts;  // from the bottom up
  };

  [[nodiscard]] TLabels LayoutLabels() const;
  [[nodiscard]] std::int64_t CurrentFullScale() const;
  [[nodiscard]] int ValueY(std::int32_t value) const;
  void ResizeImage();
  void Repaint();

  QColor lineColour_{0, 255, 0};
  QColor gridColour_{0, 0, 255};
  QColor backColour_{0, 0, 0};
  int gridSize_ = 12;
  int maximum_ = 100;
  QString suffix_;
  bool labelGraph_ = false;

  std::deque<std::int32_t> values_;
  int labelWidth_ = 0;
  int scrollOffset_ = 0;
  std::int64_t fullScale_ = 100;
  bool painting_ = true;
  // Every paint draws here first; a 2x screen gets twice the pixels.
  QPixmap image_;
};

}  // namespace kp
