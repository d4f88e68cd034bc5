#include "ui/web/start_page_view.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/shell/language_text.h"

namespace kp {
namespace {

std::string Hex(const QColor& color) { return color.name(QColor::HexRgb).toStdString(); }

// Halfway between two colours: muted text, and cards that stand out a little
// from the page in light and dark palettes alike.
QColor Between(const QColor& a, const QColor& b, double share) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * share),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * share),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * share));
}

}  // namespace

TStartPageView::TStartPageView(TFacts facts, TSimpleConfig& language, QWidget* parent)
    : QWidget(parent), facts_(std::move(facts)), language_(language) {
  setObjectName(QStringLiteral("StartPage"));
  searchField_ = new QLineEdit(this);
  searchField_->setObjectName(QStringLiteral("StartPageSearchField"));
  searchField_->setClearButtonEnabled(true);
  searchButton_ = new QPushButton(this);
  searchButton_->setObjectName(QStringLiteral("StartPageSearchButton"));
  page_ = new QTextBrowser(this);
  page_->setObjectName(QStringLiteral("StartPageView"));
  page_->setOpenLinks(false);
  page_->setFrameShape(QFrame::NoFrame);

  auto* row = new QHBoxLayout();
  row->setContentsMargins(12, 12, 12, 4);
  row->addWidget(searchField_, 1);
  row->addWidget(searchButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row);
  layout->addWidget(page_, 1);

  connect(searchField_, &QLineEdit::returnPressed, this, &TStartPageView::Search);
  connect(searchButton_, &QPushButton::clicked, this, &TStartPageView::Search);
  refresh_.setInterval(1000);
  connect(&refresh_, &QTimer::timeout, this, &TStartPageView::Refresh);
  setFocusProxy(searchField_);
  ApplyLanguage();
}

void TStartPageView::SetApplicationName(const QString& name) {
  applicationName_ = name;
  shown_.reset();
  Refresh();
}

void TStartPageView::ApplyLanguage() {
  searchField_->setPlaceholderText(LanguageText(language_, text::kStartSearchHint));
  searchButton_->setText(LanguageText(language_, text::kStartSearchButton));
  shown_.reset();
  Refresh();
}

void TStartPageView::Search() {
  const QString text = searchField_->text().trimmed();
  if (OnSearch) OnSearch(text);
}

TStartPageColors TStartPageView::Colors() const {
  const QPalette& colors = palette();
  const QColor text = colors.color(QPalette::Text);
  const QColor base = colors.color(QPalette::Base);
  TStartPageColors page;
  page.Text = Hex(text);
  page.Muted = Hex(Between(text, base, 0.45));
  page.Card = Hex(Between(base, text, 0.07));
  page.Accent = Hex(colors.color(QPalette::Highlight));
  // A green that reads on light and dark pages.
  page.Online = base.lightness() > 128 ? "#2e8b3a" : "#5fd068";
  return page;
}

void TStartPageView::Refresh() {
  if (!facts_) return;
  TStartPageFacts facts = facts_();
  if (shown_ && *shown_ == facts) return;
  // Drawn again only on a change, and where the reader had scrolled to.
  const int scrolled = page_->verticalScrollBar()->value();
  page_->setHtml(QString::fromStdString(
      StartPageHtml(facts, applicationName_.toStdString(), Colors(), language_)));
  page_->verticalScrollBar()->setValue(scrolled);
  shown_ = std::move(facts);
}

void TStartPageView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  refresh_.start();
}

void TStartPageView::hideEvent(QHideEvent* event) {
  refresh_.stop();
  QWidget::hideEvent(event);
}

void TStartPageView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
    shown_.reset();
    Refresh();
  }
}

}  // namespace kp
