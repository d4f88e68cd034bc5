#include "ui/search/search_request_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "core/config/shared_routines.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

// Indents a place of the drop-down list by its level: types under every
// service, services under their type.
class TIndentDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(indented.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, indented, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + Indent(index), size.height()};
  }

 private:
  static int Indent(const QModelIndex& index) {
    return index.data(TSearchRequestDialog::kIndentRole).toInt() * 6;
  }
};

// The fields take digits only; a number past the 32-bit range counts as the
// largest one, which is what the plugins can be told.
std::int32_t FieldValue(const QString& text) {
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok);
  if (!ok || value < 0) return 0;
  return static_cast<std::int32_t>(std::min<qlonglong>(value, std::numeric_limits<std::int32_t>::max()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

TSearchRequestDialog::TSearchRequestDialog(TSearchRequest& request, TSimpleConfig& language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), request_(request), language_(language) {
  const QString title = LanguageText(language_, text::kSearchRequestHeading);
  setWindowTitle(WithoutAccessKeys(title));
  auto* heading = new QLabel(title);
  heading->setObjectName(QStringLiteral("heading"));
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);

  auto* sourcesLabel = new QLabel(LanguageText(language_, text::kSearchLocationLabel));
  sources_ = new QComboBox();
  sources_->setObjectName(QStringLiteral("sources"));
  sources_->setItemDelegate(new TIndentDelegate(sources_));
  sources_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  sourcesLabel->setBuddy(sources_);
  connect(sources_, &QComboBox::currentIndexChanged, this,
          [this](int index) { request_.SelectSource(index); });

  // The Simple page: the mode and the texts.
  auto* simple = new QWidget();
  mp3_ = new QRadioButton(LanguageText(language_, text::kMP3SearchChoice));
  anyFile_ = new QRadioButton(LanguageText(language_, text::kAnyFileSearchChoice));
  mp3_->setObjectName(QStringLiteral("mp3"));
  anyFile_->setObjectName(QStringLiteral("anyFile"));
  connect(mp3_, &QRadioButton::toggled, this, [this](bool mp3) {
    request_.SetMP3Search(mp3);
    ApplyMode();
  });
  text1Label_ = new QLabel();
  text1_ = MakeTextField(&TSearchRequest::SetText1);
  text1_->setObjectName(QStringLiteral("text1"));
  text1Label_->setBuddy(text1_);
  text2Label_ = new QLabel(LanguageText(language_, text::kSongTitleLabel));
  text2_ = MakeTextField(&TSearchRequest::SetText2);
  text2_->setObjectName(QStringLiteral("text2"));
  text2Label_->setBuddy(text2_);
  auto* simpleLayout = new QVBoxLayout(simple);
  simpleLayout->addWidget(mp3_);
  simpleLayout->addWidget(anyFile_);
  simpleLayout->addSpacing(8);
  simpleLayout->addWidget(text1Label_);
  simpleLayout->addWidget(text1_);
  simpleLayout->addWidget(text2Label_);
  simpleLayout->addWidget(text2_);
  simpleLayout->addStretch();

  // The Advanced page: the limits.
  auto* advanced = new QWidget();
  const QString bytes = LanguageText(language_, text::kSizeUnit);
  minimumSize_ = MakeLimit(request_.MinimumSize, LanguageText(language_, text::kMinimumSizeBox), bytes);
  maximumSize_ = MakeLimit(request_.MaximumSize, LanguageText(language_, text::kMaximumSizeBox), bytes);
  minimumBitrate_ = MakeLimit(request_.MinimumBitrate, LanguageText(language_, text::kMinimumBitrateBox),
                              LanguageText(language_, text::kBitrateUnit));
  minimumSize_.box->setObjectName(QStringLiteral("minimumSize"));
  maximumSize_.box->setObjectName(QStringLiteral("maximumSize"));
  minimumBitrate_.box->setObjectName(QStringLiteral("minimumBitrate"));
  auto* advancedLayout = new QGridLayout(advanced);
  int row = 0;
  for (const TLimitControls* limit : {&minimumSize_, &maximumSize_, &minimumBitrate_}) {
    advancedLayout->addWidget(limit->box, row, 0);
    advancedLayout->addWidget(limit->field, row, 1);
    advancedLayout->addWidget(limit->unit, row, 2);
    ++row;
  }
  advancedLayout->setRowStretch(row, 1);

  pages_ = new QTabWidget();
  pages_->addTab(simple, LanguageText(language_, text::kSearchSimplePage));
  pages_->addTab(advanced, LanguageText(language_, text::kSearchAdvancedPage));

  auto* buttons = new QDialogButtonBox();
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  ok->setText(LanguageText(language_, text::kOk));
  cancel->setText(LanguageText(language_, text::kCancel));
  ok->setObjectName(QStringLiteral("ok"));
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TSearchRequestDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TSearchRequestDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(sourcesLabel);
  layout->addWidget(sources_);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons);
  cancel->setAutoDefault(false);
  ok->setDefault(true);
  setMinimumWidth(380);

  mp3_->setChecked(request_.MP3Search());
  anyFile_->setChecked(!request_.MP3Search());
  for (std::size_t i = 0; i < request_.Sources().size(); ++i) SourceInserted(i);
  TextsChanged();
  ApplyMode();
  ApplyEnabling();
  request_.SetView(this);
}

TSearchRequestDialog::~TSearchRequestDialog() { request_.SetView(nullptr); }

QComboBox* TSearchRequestDialog::MakeTextField(void (TSearchRequest::*store)(std::string_view)) {
  auto* field = new QComboBox();
  field->setEditable(true);
  // The history grows only with sent requests, never with a typed Enter.
  field->setInsertPolicy(QComboBox::NoInsert);
  field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  field->installEventFilter(this);
  field->lineEdit()->installEventFilter(this);
  connect(field, &QComboBox::editTextChanged, this,
          [this, store](const QString& text) { (request_.*store)(ToUtf8(text)); });
  return field;
}

TSearchRequestDialog::TLimitControls TSearchRequestDialog::MakeLimit(TRequestLimit& limit,
                                                                     const QString& caption,
                                                                     const QString& unit) {
  TLimitControls controls;
  controls.box = new QCheckBox(caption);
  controls.field = new QLineEdit(QString::number(limit.value));
  controls.field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), controls.field));
  controls.unit = new QLabel(unit);
  controls.box->setChecked(limit.on);
  connect(controls.box, &QCheckBox::toggled, this, [this, &limit](bool on) {
    limit.on = on;
    ApplyEnabling();
  });
  connect(controls.field, &QLineEdit::textChanged, this,
          [&limit](const QString& text) { limit.value = FieldValue(text); });
  return controls;
}

void TSearchRequestDialog::ApplyMode() {
  const bool mp3 = request_.MP3Search();
  text1Label_->setText(LanguageText(language_, mp3 ? text::kArtistLabel : text::kSearchTextLabel));
  text2Label_->setVisible(mp3);
  text2_->setVisible(mp3);
  minimumBitrate_.box->setVisible(mp3);
  minimumBitrate_.field->setVisible(mp3);
  minimumBitrate_.unit->setVisible(mp3);
}

void TSearchRequestDialog::ApplyEnabling() {
  for (const TLimitControls* limit : {&minimumSize_, &maximumSize_, &minimumBitrate_}) {
    const bool on = limit->box->isChecked();
    limit->field->setEnabled(on);
    limit->unit->setEnabled(on);
  }
}

void TSearchRequestDialog::ShowSearchRequest() {
  request_.Prepare();
  ApplyMode();
  ApplyEnabling();
  // Plugins may have renamed their services and types since they were listed.
  for (int row = 0; row < sources_->count(); ++row) SetSourceItem(row);
  ShowSelectedSource();
  pages_->setCurrentIndex(0);

  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  show();
  raise();
  activateWindow();
  text1_->setFocus(Qt::OtherFocusReason);
}

void TSearchRequestDialog::SendRequest() {
  const TSearchRequest::TSendOutcome outcome = request_.Send();
  if (outcome.fault != TRequestFault::None) {
    if (const std::optional<TTextId> message = FaultMessage(outcome.fault)) {
      pages_->setCurrentIndex(0);
      ShowTextMessage(GetLanguageText(*message, language_));
    }
    return;
  }
  QDialog::accept();
  emit requestSent(outcome.searchID);
}

void TSearchRequestDialog::accept() { SendRequest(); }

bool TSearchRequestDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return QDialog::eventFilter(watched, event);
  const bool inText1 = watched == text1_ || watched == text1_->lineEdit();
  const bool inText2 = watched == text2_ || watched == text2_->lineEdit();
  if (!inText1 && !inText2) return QDialog::eventFilter(watched, event);
  if (inText1 && request_.MP3Search()) {
    text2_->setFocus(Qt::TabFocusReason);
  } else {
    SendRequest();
  }
  return true;
}

void TSearchRequestDialog::SetSourceItem(int row) {
  const TSourceLabel label = request_.SourceLabel(static_cast<std::size_t>(row));
  const TSearchSource& source = request_.Sources()[static_cast<std::size_t>(row)];
  if (source.kind == TSourceKind::AllServices) {
    sources_->setItemText(row, LanguageText(language_, text::kAllServicesSource));
    sources_->setItemIcon(row, BuiltinImage(1));
  } else {
    sources_->setItemText(row, ToQString(label.description));
    sources_->setItemIcon(row, images_.ImageFor(label.iconFile));
  }
  sources_->setItemData(row, source.indent, kIndentRole);
}

void TSearchRequestDialog::ShowSelectedSource() {
  const QSignalBlocker quiet(sources_);
  sources_->setCurrentIndex(request_.SelectedSource());
}

void TSearchRequestDialog::SourceInserted(std::size_t index) {
  const int row = static_cast<int>(index);
  {
    const QSignalBlocker quiet(sources_);
    sources_->insertItem(row, QString());
  }
  SetSourceItem(row);
  ShowSelectedSource();
}

void TSearchRequestDialog::SourceRemoved(std::size_t index) {
  {
    const QSignalBlocker quiet(sources_);
    sources_->removeItem(static_cast<int>(index));
  }
  ShowSelectedSource();
}

void TSearchRequestDialog::ShowHistory(QComboBox* field, const THistoryList& history,
                                       const std::string& text) {
  const QSignalBlocker quiet(field);
  field->clear();
  for (const std::string& entry : history) field->addItem(ToQString(entry));
  field->setCurrentIndex(-1);
  field->setEditText(ToQString(text));
}

void TSearchRequestDialog::TextsChanged() {
  ShowHistory(text1_, request_.History1(), request_.Text1());
  ShowHistory(text2_, request_.History2(), request_.Text2());
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_search_request_dialog.cpp"
