// The LAN plugin's windows: one page in the service wizard (adding and
// editing a node) and the main panel of the selected node, which shows its
// state and peers and edits the same fields. The program adopts a window it
// shows and hands it back hidden and parentless when it replaces it, so every
// widget is watched with QPointer and made again when it reads null, and what
// the user types goes straight into drafts of ours. Every connection has the
// Guard() object as its context, deleted in StopPanels.
#include "lan_panels.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <string>

#include "keplinor_plugin.h"
#include "lan_discovery.h"
#include "lan_nodes.h"

KP_IMPORT(ServiceShowWizardPanel);
KP_IMPORT(ServiceShowMainPanel);

namespace lan {
namespace {

QObject* guard = nullptr;

QObject* Guard() {
  if (!guard) guard = new QObject();
  return guard;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

void DeleteUnlessAdopted(QWidget* widget) {
  if (widget && !widget->parentWidget()) delete widget;
}

// ---- The fields of a node, on the wizard's page and on the panel

struct NodeForm {
  QLineEdit* name = nullptr;
  QLineEdit* port = nullptr;
  QPlainTextEdit* peers = nullptr;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;
  QCheckBox* discover = nullptr;
};

// Every keystroke goes into the draft, which outlives the widgets.
NodeForm MakeForm(QVBoxLayout* layout, SettingsDraft* draft) {
  NodeForm form;
  auto* fields = new QFormLayout();
  form.name = new QLineEdit();
  form.name->setMaxLength(static_cast<int>(kMaxNameChars));
  fields->addRow("&Name:", form.name);
  form.port = new QLineEdit();
  form.port->setMaxLength(5);
  form.port->setValidator(new QIntValidator(1, 65535, form.port));
  fields->addRow("&Port:", form.port);
  form.peers = new QPlainTextEdit();
  form.peers->setPlaceholderText("One per line, as host:port\n192.168.1.20:8441");
  form.peers->setTabChangesFocus(true);
  fields->addRow("P&eers:", form.peers);
  form.user = new QLineEdit();
  form.user->setPlaceholderText("Shown to peers; empty for none");
  fields->addRow("&User:", form.user);
  form.password = new QLineEdit();
  form.password->setEchoMode(QLineEdit::Password);
  fields->addRow("Pass&word:", form.password);
  layout->addLayout(fields);
  form.discover = new QCheckBox("Find peers on this network (DNS-SD)");
  layout->addWidget(form.discover);

  QObject* context = Guard();
  QObject::connect(form.name, &QLineEdit::textEdited, context,
                   [draft](const QString& text) { draft->name = text.toStdString(); });
  QObject::connect(form.port, &QLineEdit::textEdited, context,
                   [draft](const QString& text) { draft->port = text.toStdString(); });
  QPlainTextEdit* peers = form.peers;
  QObject::connect(peers, &QPlainTextEdit::textChanged, context,
                   [draft, peers] { draft->peers = peers->toPlainText().toStdString(); });
  QObject::connect(form.user, &QLineEdit::textEdited, context,
                   [draft](const QString& text) { draft->user = text.toStdString(); });
  QObject::connect(form.password, &QLineEdit::textEdited, context,
                   [draft](const QString& text) { draft->password = text.toStdString(); });
  QObject::connect(form.discover, &QCheckBox::toggled, context, [draft](bool on) { draft->discover = on; });
  return form;
}

void FillForm(const NodeForm& form, const SettingsDraft& draft) {
  // Copied first: filling one widget writes its text back into the draft.
  const SettingsDraft copy = draft;
  form.name->setText(Text(copy.name));
  form.port->setText(Text(copy.port));
  form.peers->setPlainText(Text(copy.peers));
  form.user->setText(Text(copy.user));
  form.password->setText(Text(copy.password));
  form.discover->setChecked(copy.discover);
}

void EnableForm(const NodeForm& form, bool enabled) {
  for (QWidget* field : std::initializer_list<QWidget*>{form.name, form.port, form.peers, form.user,
                                                        form.password, form.discover}) {
    field->setEnabled(enabled);
  }
}

QLabel* MakeMessage(QVBoxLayout* layout) {
  auto* message = new QLabel();
  message->setWordWrap(true);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(message);
  return message;
}

// ---- The wizard's page

struct Wizard {
  bool open = false;
  kp_handle service = 0;  // the node being edited; 0 while adding
  SettingsDraft fields;
};
Wizard wizard;

struct Page {
  QPointer<QWidget> widget;
  QLabel* intro = nullptr;
  NodeForm form;
  QLabel* message = nullptr;
};
Page page;

void MakePage() {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  page.intro = new QLabel();
  page.intro->setWordWrap(true);
  layout->addWidget(page.intro);
  page.form = MakeForm(layout, &wizard.fields);
  page.message = MakeMessage(layout);
  layout->addStretch();
  page.widget = widget;
}

void ShowPage() {
  if (!page.widget) MakePage();
  page.intro->setText(
      wizard.service == 0
          ? "A node shares your files with the computers of this network on a port of its own, "
            "and asks its peers when you search."
          : "Change the node's settings. A new port takes effect at once.");
  FillForm(page.form, wizard.fields);
  page.message->clear();
  // One page: Finish at once; Back (to the type page) only while adding.
  ServiceShowWizardPanel(static_cast<kp_window>(page.widget->winId()), KP_WIZARD_PAGE_ONLY,
                         wizard.service == 0 ? KP_TRUE : KP_FALSE);
}

// ---- The main panel

struct Panel {
  QPointer<QWidget> widget;
  QLabel* title = nullptr;
  QLabel* state = nullptr;
  QLabel* peers = nullptr;
  QLabel* found = nullptr;
  NodeForm form;
  QPushButton* apply = nullptr;
  QLabel* message = nullptr;
  std::uint32_t nodeId = 0;  // whose panel it is
};
Panel panel;
SettingsDraft panelDraft;
std::uint32_t panelDraftOf = 0;  // the node panelDraft was taken from

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text.empty() ? "(none)" : text;
}

std::string FoundText(const NodeSettings& settings) {
  if (!settings.discover) return "DNS-SD: off for this node";
  if (!DiscoveryAvailable()) return "DNS-SD: not available";
  std::vector<std::string> lines;
  for (const FoundPeer& peer : FoundPeers()) lines.push_back(peer.address + "  (" + peer.name + ")");
  return lines.empty() ? "DNS-SD: no peers found yet" : "DNS-SD found:\n" + Lines(lines);
}

// The state lines only; the fields keep what the user is typing.
void RefreshState() {
  if (!panel.widget) return;
  NodeView view;
  if (!GetNodeView(panel.nodeId, view)) {
    panel.title->setText("This node has been removed.");
    for (QLabel* label : {panel.state, panel.peers, panel.found, panel.message}) label->clear();
    EnableForm(panel.form, false);
    panel.apply->setEnabled(false);
    return;
  }
  panel.title->setText(Text(view.settings.name));
  std::string state;
  if (view.listening) {
    state = "Listening on port " + std::to_string(view.settings.port);
  } else {
    state = view.reason.empty() ? "Not listening yet" : view.reason;
  }
  panel.state->setText(Text(state));
  panel.peers->setText(Text(Lines(view.settings.peers)));
  panel.found->setText(Text(FoundText(view.settings)));
  EnableForm(panel.form, true);
  panel.apply->setEnabled(true);
}

void ApplyPanel() {
  NodeView view;
  if (!GetNodeView(panel.nodeId, view)) return;
  std::string problem;
  NodeSettings settings = view.settings;
  const bool done =
      SettingsFromDraft(panelDraft, settings, problem) && ChangeNode(view.id, settings, problem);
  // ChangeNode refreshes the panel; look it up again.
  if (!panel.widget) return;
  if (done && GetNodeView(panel.nodeId, view)) {
    panelDraft = DraftOf(view.settings);
    FillForm(panel.form, panelDraft);
  }
  panel.message->setText(done ? "Saved." : Text(problem));
}

void MakePanel() {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  panel.title = new QLabel();
  QFont font = panel.title->font();
  font.setBold(true);
  panel.title->setFont(font);
  layout->addWidget(panel.title);
  auto* facts = new QFormLayout();
  panel.state = new QLabel();
  panel.state->setWordWrap(true);
  panel.peers = new QLabel();
  panel.peers->setTextInteractionFlags(Qt::TextSelectableByMouse);
  panel.found = new QLabel();
  panel.found->setTextInteractionFlags(Qt::TextSelectableByMouse);
  facts->addRow("State:", panel.state);
  facts->addRow("Peers:", panel.peers);
  facts->addRow("On this network:", panel.found);
  layout->addLayout(facts);
  panel.form = MakeForm(layout, &panelDraft);
  panel.apply = new QPushButton("&Apply");
  layout->addWidget(panel.apply, 0, Qt::AlignLeft);
  panel.message = MakeMessage(layout);
  layout->addStretch();
  QObject::connect(panel.apply, &QPushButton::clicked, Guard(), [] { ApplyPanel(); });
  // Serving and DNS-SD change on their own; the panel looks again now and then.
  auto* timer = new QTimer(widget);
  timer->setInterval(1000);
  QObject::connect(timer, &QTimer::timeout, Guard(), [] {
    if (panel.widget && panel.widget->isVisible()) RefreshState();
  });
  timer->start();
  panel.widget = widget;
}

}  // namespace

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void ShowMainPanel(std::uint32_t nodeId) {
  if (!HaveWidgets() || nodeId == 0) return;
  if (!panel.widget) MakePanel();
  NodeView view;
  if (panelDraftOf != nodeId && GetNodeView(nodeId, view)) {
    panelDraft = DraftOf(view.settings);
    panelDraftOf = nodeId;
  }
  if (panel.nodeId != nodeId) panel.message->clear();
  panel.nodeId = nodeId;
  FillForm(panel.form, panelDraft);
  RefreshState();
  ServiceShowMainPanel(static_cast<kp_window>(panel.widget->winId()));
}

void RefreshMainPanel() { RefreshState(); }

void WizardAdd(kp_handle serviceType) {
  if (!HaveWidgets() || serviceType == 0 || serviceType != NodeType()) return;
  NodeSettings fresh;
  fresh.port = kDefaultPort;
  wizard = Wizard{true, 0, DraftOf(fresh)};
  ShowPage();
}

void WizardEdit(kp_handle service) {
  NodeView view;
  if (!HaveWidgets() || !GetNodeView(NodeIdOf(service), view)) return;
  wizard = Wizard{true, service, DraftOf(view.settings)};
  ShowPage();
}

void WizardChange(kp_handle service, std::int32_t direction) {
  // Our only page has neither a next nor a previous one of ours: show it again.
  (void)direction;
  if (wizard.open && service == wizard.service) ShowPage();
}

void WizardComplete(kp_handle serviceType, kp_handle service, std::uint8_t* canClose) {
  (void)serviceType;
  if (!wizard.open || service != wizard.service || !canClose) return;
  NodeSettings settings;
  NodeView view;
  std::string problem;
  bool done = false;
  if (service == 0) {
    done = SettingsFromDraft(wizard.fields, settings, problem) && AddNode(settings, problem);
  } else if (!GetNodeView(NodeIdOf(service), view)) {
    problem = "This node has been removed.";
  } else {
    settings = view.settings;
    done = SettingsFromDraft(wizard.fields, settings, problem) && ChangeNode(view.id, settings, problem);
  }
  if (done) {
    wizard = Wizard{};
    if (panel.widget && panelDraftOf == view.id && GetNodeView(view.id, view)) {
      panelDraft = DraftOf(view.settings);
      FillForm(panel.form, panelDraft);
    }
    return;
  }
  *canClose = KP_ANSWER_NO;  // the wizard stays open on our page
  if (page.widget) page.message->setText(Text(problem));
}

void WizardCancel(kp_handle service) {
  if (wizard.open && service == wizard.service) wizard = Wizard{};
}

void StopPanels() {
  DeleteUnlessAdopted(page.widget);
  DeleteUnlessAdopted(panel.widget);
  page = Page{};
  panel = Panel{};
  wizard = Wizard{};
  panelDraft = SettingsDraft{};
  panelDraftOf = 0;
  // Last: cuts every connection of ours, in widgets the program still holds too.
  delete guard;
  guard = nullptr;
}

}  // namespace lan
