#pragma once
// The row of buttons under the pages of the program's two wizards (adding a
// service, the first-run setup).

#include <QString>

class QDialogButtonBox;
class QPushButton;

namespace kp {

struct TWizardButtons {
  QDialogButtonBox* box = nullptr;
  QPushButton* back = nullptr;
  QPushButton* next = nullptr;
  QPushButton* cancel = nullptr;
};

// Back and Next move between pages and neither ends the dialog: both are
// actions, kept together in this order on every platform, while the platform
// places Cancel as it places its other dialogs' Cancel. The box's rejected
// signal is Cancel.
TWizardButtons MakeWizardButtons(const QString& back, const QString& next, const QString& cancel);

// Enter presses Next wherever the focus is on the page. Call it once the box
// is inside the dialog, which only then keeps Next as the default to return
// to after the focus has passed another button.
void MakeNextTheDefault(const TWizardButtons& buttons);

}  // namespace kp
