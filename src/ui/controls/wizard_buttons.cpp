#include "ui/controls/wizard_buttons.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace kp {

TWizardButtons MakeWizardButtons(const QString& back, const QString& next, const QString& cancel) {
  TWizardButtons buttons;
  buttons.box = new QDialogButtonBox();
  buttons.back = buttons.box->addButton(back, QDialogButtonBox::ActionRole);
  buttons.next = buttons.box->addButton(next, QDialogButtonBox::ActionRole);
  buttons.cancel = buttons.box->addButton(QDialogButtonBox::Cancel);
  buttons.cancel->setText(cancel);
  buttons.back->setObjectName(QStringLiteral("back"));
  buttons.next->setObjectName(QStringLiteral("next"));
  buttons.cancel->setObjectName(QStringLiteral("cancel"));
  return buttons;
}

void MakeNextTheDefault(const TWizardButtons& buttons) {
  buttons.back->setAutoDefault(false);
  buttons.cancel->setAutoDefault(false);
  buttons.next->setDefault(true);
}

}  // namespace kp
