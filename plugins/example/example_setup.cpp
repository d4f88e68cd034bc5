// The example's part in the program's setup: a page in the setup wizard that
// asks for the nickname our pretend network shows, and a page in the settings
// dialog to change it later. The nickname is kept in a small file beside this
// library; until it holds one, we ask to take part in the setup wizard, which
// the program then shows at its start.
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QWidget>
#include <string>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(SetupStartWizard);
KP_IMPORT(SetupShowWizardPanel);
KP_IMPORT(SetupTabAdd);

namespace {

// Longest nickname we keep: the file is ours, but a plugin reads what is on
// the disk as carefully as anything else it did not just make itself.
constexpr qint64 kMaximumNickname = 64;

std::string nicknameFile;
std::string nickname;  // as saved

// Watched, not owned: the program adopts a page it shows and may destroy it.
struct Page {
  QPointer<QWidget> widget;
  QLineEdit* field = nullptr;  // children of the widget: valid while it lives
  QLabel* hint = nullptr;
};
Page wizardPage;
Page settingsPage;

std::string Trimmed(const QString& text) { return text.trimmed().toStdString(); }

std::string LoadNickname() {
  QFile file(QString::fromStdString(nicknameFile));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return Trimmed(QString::fromUtf8(file.read(kMaximumNickname)));
}

// Written whole or not at all: QSaveFile writes a temporary file and renames
// it over the old one only when everything was written.
bool SaveNickname(const std::string& name) {
  QSaveFile file(QString::fromStdString(nicknameFile));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = QByteArray::fromStdString(name);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) return false;
  nickname = name;
  return true;
}

void MakePage(Page& page, const char* intro) {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  auto* label = new QLabel(intro);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* form = new QFormLayout();
  page.field = new QLineEdit();
  page.field->setMaxLength(static_cast<int>(kMaximumNickname));
  form->addRow("&Nickname:", page.field);
  layout->addLayout(form);
  page.hint = new QLabel();
  page.hint->setWordWrap(true);
  layout->addWidget(page.hint);
  layout->addStretch();
  page.widget = widget;
}

// The page's nickname, or empty text with the page telling the user why not.
std::string Checked(Page& page) {
  if (!page.widget) return {};
  const std::string name = Trimmed(page.field->text());
  page.hint->setText(name.empty() ? "The example network needs a nickname." : "");
  return name;
}

}  // namespace

namespace example {

void StartSetup(const std::string& libraryFolder) {
  nicknameFile = libraryFolder + "Example.nickname";
  nickname = LoadNickname();
  if (!HaveWidgets()) return;
  if (nickname.empty()) SetupStartWizard();
  MakePage(settingsPage, "The nickname that others see on the example network.");
  settingsPage.field->setText(QString::fromStdString(nickname));
  SetupTabAdd("Example", static_cast<kp_window>(settingsPage.widget->winId()));
}

void StopSetup() {
  DeleteUnlessAdopted(wizardPage.widget.data());
  DeleteUnlessAdopted(settingsPage.widget.data());
  wizardPage = settingsPage = Page{};
}

}  // namespace example

// Our one page, whichever side the wizard comes from.
KP_EVENT(OnSetupWizardChange) {
  if (!example::HaveWidgets()) return;
  if (iDirection != KP_WIZARD_ENTER_FIRST && iDirection != KP_WIZARD_ENTER_LAST) return;
  if (!wizardPage.widget) MakePage(wizardPage, "Which nickname should others see on the example network?");
  if (wizardPage.field->text().isEmpty()) wizardPage.field->setText(QString::fromStdString(nickname));
  wizardPage.hint->clear();
  SetupShowWizardPanel(static_cast<kp_window>(wizardPage.widget->winId()), KP_WIZARD_PAGE_ONLY);
}

// Next or Back on our page: not without a nickname.
KP_EVENT(OnSetupWizardValidate) {
  if (wizardPage.widget && Checked(wizardPage).empty()) *pCanMove = KP_ANSWER_NO;
}

KP_EVENT(OnSetupWizardComplete) {
  const std::string name = Checked(wizardPage);
  if (!name.empty() && SaveNickname(name) && settingsPage.widget) {
    settingsPage.field->setText(QString::fromStdString(name));
  }
}

KP_EVENT(OnSetupWizardCancel) {
  if (wizardPage.widget) wizardPage.field->clear();
}

// OK of the settings dialog: our page must hold a nickname, and it is saved.
KP_EVENT(OnSetupApply) {
  if (!settingsPage.widget) return;
  const std::string name = Checked(settingsPage);
  if (name.empty() || !SaveNickname(name)) *pCanApply = KP_ANSWER_NO;
}

// Cancel of the settings dialog: the page shows the saved nickname again.
KP_EVENT(OnSetupCancel) {
  if (!settingsPage.widget) return;
  settingsPage.field->setText(QString::fromStdString(nickname));
  settingsPage.hint->clear();
}
