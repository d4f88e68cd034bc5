// The example's pages in the program's service wizard. Adding takes two pages,
// the name and then the server; editing takes one page with both. The wizard
// owns the buttons and we drive them by the status we show each page with;
// the wizard never makes a service itself, so Finish is where we add or edit it.
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QUuid>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>
#include <string>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(ServiceShowWizardPanel);

namespace {

// What the wizard has gathered. The pages only show it and every keystroke goes
// straight here, so a page can be shown again, or made anew, without losing
// anything, and Finish reads one place.
struct Draft {
  bool open = false;
  kp_handle service = 0;  // the service being edited; 0 while adding
  int page = 0;           // while adding: 1 the name page, 2 the server page
  std::string name;
  std::string address;
};
Draft draft;

// Watched, not owned: the program adopts a page it shows and may destroy it
// with its wizard. The plain pointers are children of the page and valid
// exactly while it lives.
struct Page {
  QPointer<QWidget> widget;
  QLineEdit* name = nullptr;
  QLineEdit* address = nullptr;
  QLabel* hint = nullptr;
};
Page namePage;
Page addressPage;
Page editPage;

std::string Trimmed(const std::string& text) {
  const char* const blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A new account is a new service: a GUID never used before, or it would
// inherit what the program kept for an earlier service.
kp_guid NewGuid() {
  const QUuid uuid = QUuid::createUuid();
  kp_guid guid = {uuid.data1, uuid.data2, uuid.data3, {}};
  std::memcpy(guid.Data4, uuid.data4, sizeof guid.Data4);
  return guid;
}

void MakePage(Page& page, const char* intro, bool withName, bool withAddress) {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  auto* label = new QLabel(intro);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* form = new QFormLayout();
  if (withName) {
    page.name = new QLineEdit();
    form->addRow("&Name:", page.name);
    QObject::connect(page.name, &QLineEdit::textEdited, example::Guard(),
                     [](const QString& text) { draft.name = text.toStdString(); });
  }
  if (withAddress) {
    page.address = new QLineEdit();
    page.address->setPlaceholderText("server.example.net:7000");
    form->addRow("&Server:", page.address);
    QObject::connect(page.address, &QLineEdit::textEdited, example::Guard(),
                     [](const QString& text) { draft.address = text.toStdString(); });
  }
  layout->addLayout(form);
  page.hint = new QLabel();
  page.hint->setWordWrap(true);
  layout->addWidget(page.hint);
  layout->addStretch();
  page.widget = widget;
}

// Pages are kept and shown again, filled from the draft every time. The id is
// asked for at every show, as that is what the program finds the page by.
void ShowPage(Page& page, int32_t status, kp_bool allowBack) {
  if (page.name) page.name->setText(QString::fromStdString(draft.name));
  if (page.address) page.address->setText(QString::fromStdString(draft.address));
  page.hint->clear();
  ServiceShowWizardPanel(static_cast<kp_window>(page.widget->winId()), status, allowBack);
}

void ShowAddPage(int number) {
  draft.page = number;
  if (number == 1) {
    if (!namePage.widget) MakePage(namePage, "What should the new service be called?", true, false);
    ShowPage(namePage, KP_WIZARD_PAGE_FIRST, KP_TRUE);
  } else {
    if (!addressPage.widget) MakePage(addressPage, "Which server does it connect to?", false, true);
    ShowPage(addressPage, KP_WIZARD_PAGE_LAST, KP_TRUE);
  }
}

Page& ShownPage() {
  if (draft.service != 0) return editPage;
  return draft.page == 1 ? namePage : addressPage;
}

}  // namespace

namespace example {

void StopWizard() {
  for (QWidget* page : {namePage.widget.data(), addressPage.widget.data(), editPage.widget.data()}) {
    DeleteUnlessAdopted(page);
  }
  namePage = addressPage = editPage = Page{};
  draft = Draft{};
}

}  // namespace example

// The user chose our type on the wizard's type page and pressed Next.
KP_EVENT(OnServiceWizardAdd) {
  if (!example::HaveWidgets() || poServiceType != example::ServiceType()) return;
  draft = Draft{true, 0, 1, {}, {}};
  ShowAddPage(1);
}

// Edit in the Customize dialog: one page, so it is both first and last.
KP_EVENT(OnServiceWizardEdit) {
  Draft edit{true, poService, 0, {}, {}};
  if (!example::HaveWidgets() || !example::GetServer(poService, edit.name, edit.address)) return;
  draft = edit;
  if (!editPage.widget) MakePage(editPage, "Change the service's name or its server.", true, true);
  ShowPage(editPage, KP_WIZARD_PAGE_ONLY, KP_FALSE);
}

// Next on the name page, Back on the server page: only adding has two pages.
// Back on the name page goes to the program's type page without telling us.
KP_EVENT(OnServiceWizardChange) {
  if (!draft.open || draft.service != 0 || poService != 0) return;
  if (iDirection == KP_WIZARD_NEXT) ShowAddPage(2);
  if (iDirection == KP_WIZARD_BACK) ShowAddPage(1);
}

// Finish on the server page or on the edit page.
KP_EVENT(OnServiceWizardComplete) {
  (void)poServiceType;
  if (!draft.open || poService != draft.service) return;
  const std::string name = Trimmed(draft.name);
  if (name.empty()) {
    *pCanClose = KP_ANSWER_NO;  // the wizard stays open on this page
    Page& page = ShownPage();
    if (page.widget) {
      page.hint->setText(page.name ? "A service needs a name." : "A service needs a name: go Back and give it one.");
    }
    return;
  }
  const std::string address = Trimmed(draft.address);
  draft = Draft{};
  if (poService == 0) {
    example::AddServer(name, address, NewGuid());
  } else {
    example::EditServer(poService, name, address);
  }
}

// Cancel on one of our pages: the half-filled draft goes; the next wizard
// starts from nothing.
KP_EVENT(OnServiceWizardCancel) {
  if (draft.open && poService == draft.service) draft = Draft{};
}
