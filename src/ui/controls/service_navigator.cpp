#include "ui/controls/service_navigator.h"

#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QToolTip>
#include <algorithm>
#include <utility>

namespace kp {
namespace {

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kInsetX = 4;  // the highlight floats clear of the edges
constexpr int kInsetY = 2;  // and of its neighbours
constexpr int kPadding = 10;
constexpr int kGap = 8;
constexpr qreal kRadius = 6;

}  // namespace

TServiceNavigator::TServiceNavigator(QWidget* parent)
    : QListView(parent), model_(new QStandardItemModel(this)) {
  setModel(model_);
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  // The selection only mirrors the active row, so that screen readers follow it.
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long captions elide instead
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setIconSize(QSize(24, 24));
  // Space and the arrows must reach keyPressEvent, not an input method.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  setAccessibleName(tr("Services"));
  connect(this, &QAbstractItemView::iconSizeChanged, this, [this] { ApplyRowHeight(); });
}

TServiceNavigator::~TServiceNavigator() = default;

QStandardItem* TServiceNavigator::ItemOf(std::uint32_t key) const {
  if (key == 0) return nullptr;
  for (int row = 0; row < model_->rowCount(); ++row) {
    QStandardItem* item = model_->item(row);
    if (item->data(kKeyRole).toUInt() == key) return item;
  }
  return nullptr;
}

void TServiceNavigator::AddButton(std::uint32_t key, const QString& caption, const QIcon& icon) {
  if (key == 0 || EditButton(key, caption, icon)) return;
  auto* item = new QStandardItem(icon, caption);
  item->setData(QVariant::fromValue<quint32>(key), kKeyRole);
  // Checkable in the model, so that accessibility reports the check state; the
  // model is never edited by the view itself, input goes through this class.
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Unchecked);
  item->setSizeHint(QSize(1, RowHeight()));
  model_->appendRow(item);
}

bool TServiceNavigator::EditButton(std::uint32_t key, const QString& caption, const QIcon& icon) {
  QStandardItem* item = ItemOf(key);
  if (!item) return false;
  item->setText(caption);
  item->setIcon(icon);
  return true;
}

bool TServiceNavigator::SetChecked(std::uint32_t key, bool checked) {
  QStandardItem* item = ItemOf(key);
  if (!item) return false;
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  return true;
}

bool TServiceNavigator::RemoveButton(std::uint32_t key) {
  const int row = IndexOf(key);
  if (row < 0) return false;
  if (key == activeKey_) {
    // Cleared before the row goes, or the selection model would hand the
    // current row to a neighbour and a screen reader would announce it.
    activeKey_ = 0;
    SyncCurrent();
  }
  if (key == hoverKey_) hoverKey_ = 0;
  if (key == pressedCheckKey_) pressedCheckKey_ = 0;
  model_->removeRow(row);
  return true;
}

void TServiceNavigator::SetActive(std::uint32_t key) {
  activeKey_ = ItemOf(key) ? key : 0;
  SyncCurrent();
  viewport()->update();
}

void TServiceNavigator::SyncCurrent() {
  const int row = IndexOf(activeKey_);
  if (row < 0) {
    selectionModel()->clear();
    return;
  }
  const QModelIndex index = model_->index(row, 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

int TServiceNavigator::Count() const { return model_->rowCount(); }

std::uint32_t TServiceNavigator::KeyAt(int index) const {
  const QStandardItem* item = index >= 0 ? model_->item(index) : nullptr;
  return item ? item->data(kKeyRole).toUInt() : 0;
}

bool TServiceNavigator::IsChecked(std::uint32_t key) const {
  const QStandardItem* item = ItemOf(key);
  return item && item->checkState() == Qt::Checked;
}

QString TServiceNavigator::Caption(std::uint32_t key) const {
  const QStandardItem* item = ItemOf(key);
  return item ? item->text() : QString();
}

int TServiceNavigator::IndexOf(std::uint32_t key) const {
  const QStandardItem* item = ItemOf(key);
  return item ? item->row() : -1;
}

QRect TServiceNavigator::ButtonRect(std::uint32_t key) const {
  const int row = IndexOf(key);
  return row < 0 ? QRect() : PartsOf(row).pill;
}

QRect TServiceNavigator::CheckBoxRect(std::uint32_t key) const {
  const int row = IndexOf(key);
  return row < 0 ? QRect() : PartsOf(row).check;
}

int TServiceNavigator::RowHeight() const {
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  return std::max({fontMetrics().height(), iconSize().height(), indicator}) + 2 * (kInsetY + 6);
}

void TServiceNavigator::ApplyRowHeight() {
  const QSize hint(1, RowHeight());
  for (int row = 0; row < model_->rowCount(); ++row) model_->item(row)->setSizeHint(hint);
}

TServiceNavigator::TRowParts TServiceNavigator::PartsOf(int row) const {
  // The view places the rows; their width is always the viewport's.
  const QRect placed = visualRect(model_->index(row, 0));
  TRowParts parts;
  parts.pill = QRect(0, placed.top(), viewport()->width(), placed.height())
                   .adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
  const QRect& pill = parts.pill;
  // Inset, so the focus ring drawn along the row's edge never covers the bar.
  parts.bar = QRect(pill.left() + 3, pill.top() + pill.height() / 4, 3, pill.height() / 2);
  const int boxWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  const int boxHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  parts.check =
      QRect(pill.left() + kPadding, pill.top() + (pill.height() - boxHeight) / 2, boxWidth, boxHeight);
  const QSize icon = iconSize();
  parts.icon = QRect(parts.check.right() + 1 + kGap, pill.top() + (pill.height() - icon.height()) / 2,
                     icon.width(), icon.height());
  const int textLeft = parts.icon.right() + 1 + kGap;
  parts.text =
      QRect(textLeft, pill.top(), std::max(0, pill.right() + 1 - kPadding - textLeft), pill.height());
  return parts;
}

int TServiceNavigator::RowAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  return index.isValid() ? index.row() : -1;
}

bool TServiceNavigator::OnCheckBox(int row, const QPoint& pos) const {
  // The whole strip left of the icon counts, so the small box is easy to hit.
  const TRowParts parts = PartsOf(row);
  const QRect target(parts.pill.left(), parts.pill.top(), parts.icon.left() - parts.pill.left() - kGap / 2,
                     parts.pill.height());
  return target.contains(pos);
}

void TServiceNavigator::Select(std::uint32_t key) {
  SetActive(key);
  // Called through a copy: the owner may replace its handler from inside it.
  if (auto report = OnSelect) report(key);
}

void TServiceNavigator::ToggleCheck(std::uint32_t key) {
  const bool checked = !IsChecked(key);
  if (!SetChecked(key, checked)) return;
  if (auto report = OnCheck) report(key, checked);
}

void TServiceNavigator::MoveActiveTo(int row) {
  if (Count() == 0) return;
  const std::uint32_t key = KeyAt(std::clamp(row, 0, Count() - 1));
  if (key != activeKey_) Select(key);
}

void TServiceNavigator::mousePressEvent(QMouseEvent* event) {
  pressedCheckKey_ = 0;
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const int row = RowAt(pos);
  if (row < 0) return;
  // A check box toggles on release, like any other check box; the row reacts at once.
  if (OnCheckBox(row, pos)) {
    pressedCheckKey_ = KeyAt(row);
  } else {
    Select(KeyAt(row));
  }
}

void TServiceNavigator::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click counts as a click of its own.
  mousePressEvent(event);
}

void TServiceNavigator::mouseReleaseEvent(QMouseEvent* event) {
  const std::uint32_t pressed = std::exchange(pressedCheckKey_, 0);
  if (event->button() != Qt::LeftButton || pressed == 0) return;
  const QPoint pos = event->position().toPoint();
  const int row = RowAt(pos);
  if (row >= 0 && KeyAt(row) == pressed && OnCheckBox(row, pos)) ToggleCheck(pressed);
}

void TServiceNavigator::mouseMoveEvent(QMouseEvent* event) {
  // The view's own dragging and rubber-band selection stay off.
  const int row = RowAt(event->position().toPoint());
  const std::uint32_t key = row < 0 ? 0 : KeyAt(row);
  if (key == hoverKey_) return;
  hoverKey_ = key;
  viewport()->update();
}

void TServiceNavigator::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    event->ignore();
    return;
  }
  const int current = IndexOf(activeKey_);
  const int page = std::max(1, viewport()->height() / RowHeight());
  switch (event->key()) {
    case Qt::Key_Down:
      MoveActiveTo(current + 1);
      break;
    case Qt::Key_Up:
      MoveActiveTo(current < 0 ? 0 : current - 1);
      break;
    case Qt::Key_Home:
      MoveActiveTo(0);
      break;
    case Qt::Key_End:
      MoveActiveTo(Count() - 1);
      break;
    case Qt::Key_PageDown:
      MoveActiveTo(current + page);
      break;
    case Qt::Key_PageUp:
      MoveActiveTo(current - page);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (activeKey_ != 0) Select(activeKey_);
      break;
    case Qt::Key_Space:
      if (activeKey_ != 0) ToggleCheck(activeKey_);
      break;
    default:
      // Letters do not jump to rows: that would change the active service unasked.
      event->ignore();
      return;
  }
  event->accept();
}

void TServiceNavigator::focusInEvent(QFocusEvent* event) {
  // The item view would make the first row current on focus; with no active
  // service nothing may look current.
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TServiceNavigator::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ApplyRowHeight();
  if (event->type() == QEvent::ActivationChange) viewport()->update();
  QListView::changeEvent(event);
}

bool TServiceNavigator::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // Only a caption that had to be shortened needs its full text shown.
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = RowAt(help->pos());
    if (row >= 0) {
      const TRowParts parts = PartsOf(row);
      const QString caption = model_->item(row)->text();
      if (fontMetrics().horizontalAdvance(caption) > parts.text.width()) {
        QToolTip::showText(help->globalPos(), caption, viewport(), parts.pill);
        return true;
      }
    }
    QToolTip::hideText();
    return true;
  }
  if (event->type() == QEvent::Leave && hoverKey_ != 0) {
    hoverKey_ = 0;
    viewport()->update();
  }
  return QListView::viewportEvent(event);
}

QSize TServiceNavigator::sizeHint() const {
  return {fontMetrics().averageCharWidth() * 24 + iconSize().width() + 60, RowHeight() * 8};
}

void TServiceNavigator::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                     : isActiveWindow() ? QPalette::Active
                                                        : QPalette::Inactive;
  const QColor accent = palette().color(group, QPalette::Highlight);
  const QColor text = palette().color(group, QPalette::Text);
  // Tints of the palette's own colours keep the text readable on light and dark themes.
  QColor activeTint = accent;
  activeTint.setAlphaF(0.22f);
  QColor hoverTint = text;
  hoverTint.setAlphaF(0.07f);
  const QFontMetrics metrics = fontMetrics();

  for (int row = 0; row < model_->rowCount(); ++row) {
    const TRowParts parts = PartsOf(row);
    if (!parts.pill.intersects(event->rect())) continue;
    const QStandardItem* item = model_->item(row);
    const std::uint32_t key = item->data(kKeyRole).toUInt();
    const bool active = key == activeKey_;

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    if (active || (key == hoverKey_ && isEnabled())) {
      painter.setBrush(active ? activeTint : hoverTint);
      painter.drawRoundedRect(parts.pill, kRadius, kRadius);
    }
    if (active) {
      painter.setBrush(accent);
      painter.drawRoundedRect(parts.bar, 1.5, 1.5);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    QStyleOptionViewItem box;
    box.initFrom(this);
    box.rect = parts.check;
    box.state &= ~QStyle::State_HasFocus;
    box.state |= item->checkState() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    box.features |= QStyleOptionViewItem::HasCheckIndicator;
    style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, &painter, this);

    item->icon().paint(&painter, parts.icon, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    painter.setPen(text);
    painter.drawText(parts.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(item->text(), Qt::ElideRight, parts.text.width()));
  }

  if (hasFocus()) {
    // The ring sits on the row the keys act on, or round the list while none is active.
    const int row = IndexOf(activeKey_);
    const QRect ring = row >= 0 ? PartsOf(row).pill : viewport()->rect().adjusted(1, 1, -1, -1);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(accent, 1.5));
    painter.drawRoundedRect(QRectF(ring).adjusted(0.75, 0.75, -0.75, -0.75), kRadius, kRadius);
  }
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_service_navigator.cpp"
