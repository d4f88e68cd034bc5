#include "ui/sharing/scan_progress_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "ui/shell/language_text.h"

namespace kp {
namespace {

constexpr int kTickMilliseconds = 20;
constexpr int kStep = 10;

}  // namespace

TScanProgressWindow::TScanProgressWindow(TSimpleConfig& language, QWidget* parent) : QDialog(parent) {
  setWindowTitle(LanguageText(language, text::kSharedPageScanSystem));
  description_ = new QLabel(LanguageText(language, text::kScanProgressStart));
  description_->setObjectName(QStringLiteral("description"));
  // File names on disk may look like markup; they are shown as they are.
  description_->setTextFormat(Qt::PlainText);
  description_->setMinimumWidth(320);
  bar_ = new QProgressBar();
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  cancel_ = buttons->button(QDialogButtonBox::Cancel);
  cancel_->setText(LanguageText(language, text::kCancel));
  cancel_->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(description_);
  layout->addWidget(bar_);
  layout->addWidget(buttons);

  connect(&ticker_, &QTimer::timeout, this, [this] {
    const int next = bar_->value() + kStep;
    bar_->setValue(next > bar_->maximum() ? 0 : next);
  });
  ticker_.start(kTickMilliseconds);
}

void TScanProgressWindow::ShowStatus(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  description_->setText(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_scan_progress_window.cpp"
