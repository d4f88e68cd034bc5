#include "ui/services/delete_service_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/shell/language_text.h"

namespace kp {

TDeleteServiceDialog::TDeleteServiceDialog(TSimpleConfig& language, const QString& description,
                                           QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(LanguageText(language, text::kRemove));

  auto* question = new QLabel(LanguageText(language, text::kDeleteServiceQuestion));
  question->setObjectName(QStringLiteral("question"));
  question->setWordWrap(true);
  // Service names come from plugins; they are shown as they are, never as markup.
  auto* name = new QLabel(description);
  name->setObjectName(QStringLiteral("description"));
  name->setTextFormat(Qt::PlainText);
  name->setWordWrap(true);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  cancel_ = buttons->button(QDialogButtonBox::Cancel);
  ok_->setText(LanguageText(language, text::kOk));
  cancel_->setText(LanguageText(language, text::kCancel));
  // Removing is not undone: the safe answer is the one Enter gives.
  cancel_->setDefault(true);
  cancel_->setFocus();
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(question);
  layout->addWidget(name);
  layout->addStretch();
  layout->addWidget(buttons);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_delete_service_dialog.cpp"
