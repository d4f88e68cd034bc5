// The example's network: one service type, "Example network", and services of
// that type, each an account on one server. The program shows every service as
// a button in the Services section's navigator and in the main menu's services
// list; selecting one shows our main panel for it beside the navigator. The
// service wizard's pages are in example_wizard.cpp. While a service is online
// its panel can play a user of the server who asks us for a file: that is
// where the example's uploads begin (example_uploads.cpp).
//
// The program keeps no services between runs: a plugin registers its type and
// its services at every start. This one starts with two fixed servers and
// forgets those the wizard adds when the program ends; a real plugin would
// store them, GUID included, and register them again.
#include <QFont>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(ServiceAddType);
KP_IMPORT(ServiceAdd);
KP_IMPORT(ServiceEdit);
KP_IMPORT(ServiceShowMainPanel);
KP_IMPORT(ServiceSetOnline);

namespace {

// Looked up beside this library first, then in the program's Icons folder.
const char* const kTypeIcon = "SmallOnlineIcon.bmp";
const char* const kOnlineIcon = "SmallOnlineIcon.bmp";
const char* const kOfflineIcon = "SmallOfflineIcon.bmp";

// The program ties what it keeps about a service (its access rights to shared
// folders, for one) to the service's GUID, so a service must come back with the
// same GUID at every start.
const kp_guid kTypeGuid = {0xC299303A, 0x437D, 0x4D72, {0x88, 0xD5, 0xDE, 0xDA, 0xE9, 0xDB, 0xAF, 0xD4}};
const kp_guid kServerOneGuid = {0x79D30194, 0x06ED, 0x4A67, {0xB7, 0xFD, 0xC7, 0x0F, 0x0C, 0xAA, 0x94, 0x65}};
const kp_guid kServerTwoGuid = {0xD7CD5472, 0x4EC4, 0x4B3F, {0x9F, 0xF3, 0x83, 0x42, 0x48, 0xC2, 0xA6, 0xBF}};

struct Server {
  uint32_t id = 0;       // our own number, passed as pData; never reused
  kp_handle handle = 0;  // the program's handle, once it is known
  std::string name;
  std::string address;
  bool connected = false;  // what the program shows as online
  bool checked = false;    // the navigator's check box, as OnServiceCheck reports it
};

kp_handle serviceType = 0;
std::vector<Server> servers;
uint32_t nextId = 1;

// One panel serves every service of ours. Watched, not owned: the program
// adopts it when it is shown. The plain pointers are its children and valid
// exactly while it lives.
struct Panel {
  QPointer<QWidget> widget;
  QLabel* title = nullptr;
  QLabel* address = nullptr;
  QLabel* state = nullptr;
  QLabel* check = nullptr;
  QPushButton* button = nullptr;
  QPushButton* request = nullptr;
  QLabel* requestOutcome = nullptr;
  uint32_t serverId = 0;  // whose details it shows
};
Panel panel;

Server* FindById(uint32_t id) {
  for (Server& server : servers) {
    if (server.id == id) return &server;
  }
  return nullptr;
}

// The entry of one of our services. ServiceAdd makes the first service the
// active one and sends OnServiceSelect for it before it returns, while we do
// not know its handle yet; the record's Data, our own number, finds it then.
Server* Find(kp_handle poService) {
  if (poService == 0) return nullptr;
  for (Server& server : servers) {
    if (server.handle == poService) return &server;
  }
  const kp_service_record* record = kp_service_record_at(poService);
  if (record->ServiceType != serviceType) return nullptr;
  Server* server = FindById(record->Data);
  if (!server || server->handle != 0) return nullptr;
  server->handle = poService;
  return server;
}

void Forget(uint32_t id) {
  std::erase_if(servers, [id](const Server& server) { return server.id == id; });
}

void RefreshPanel() {
  if (!panel.widget) return;
  const Server* server = FindById(panel.serverId);
  if (!server) {
    // Removed; the program shows another service's panel once it selects one.
    panel.title->setText("This service has been removed.");
    for (QLabel* label : {panel.address, panel.state, panel.check, panel.requestOutcome}) label->clear();
    panel.button->setEnabled(false);
    panel.request->setEnabled(false);
    return;
  }
  panel.title->setText(QString::fromStdString(server->name));
  panel.address->setText(server->address.empty() ? "(none)" : QString::fromStdString(server->address));
  panel.state->setText(server->connected ? "Online" : "Offline");
  panel.check->setText(server->checked ? "Ticked" : "Not ticked");
  panel.button->setText(server->connected ? "&Disconnect" : "&Connect");
  panel.button->setEnabled(true);
  // Only an online service has users who could ask.
  panel.request->setEnabled(server->connected);
}

void ServeRequest() {
  const Server* server = FindById(panel.serverId);
  if (!server || !server->connected) return;
  const std::string outcome = example::ServeUploadRequest(server->handle);
  if (panel.widget) panel.requestOutcome->setText(QString::fromStdString(outcome));
}

void ToggleConnection() {
  Server* server = FindById(panel.serverId);
  if (!server) return;
  server->connected = !server->connected;
  // The program switches the service's icon, and the main window's caption and
  // tray icon while at least one service is online.
  ServiceSetOnline(server->handle, server->connected ? KP_TRUE : KP_FALSE);
  RefreshPanel();
}

void MakePanel() {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  panel.title = new QLabel();
  QFont font = panel.title->font();
  font.setBold(true);
  panel.title->setFont(font);
  layout->addWidget(panel.title);
  auto* form = new QFormLayout();
  panel.address = new QLabel();
  panel.state = new QLabel();
  panel.check = new QLabel();
  form->addRow("Server:", panel.address);
  form->addRow("State:", panel.state);
  form->addRow("Check box:", panel.check);
  layout->addLayout(form);
  panel.button = new QPushButton();
  layout->addWidget(panel.button, 0, Qt::AlignLeft);
  panel.request = new QPushButton("A user asks for a &file");
  panel.request->setToolTip(
      "A user of this server asks for a file we share. The upload starts, waits in the "
      "queue or is refused, as your upload limits say.");
  layout->addWidget(panel.request, 0, Qt::AlignLeft);
  panel.requestOutcome = new QLabel();
  panel.requestOutcome->setWordWrap(true);
  layout->addWidget(panel.requestOutcome);
  layout->addStretch();
  QObject::connect(panel.button, &QPushButton::clicked, example::Guard(), [] { ToggleConnection(); });
  QObject::connect(panel.request, &QPushButton::clicked, example::Guard(), [] { ServeRequest(); });
  panel.widget = widget;
}

// When another plugin's panel replaces ours the program hides ours and keeps
// it; showing it again hands it back. Its id is asked for at every show, as
// that is what the program finds it by.
void ShowPanel(uint32_t serverId) {
  if (!example::HaveWidgets()) return;
  if (!panel.widget) MakePanel();
  if (panel.serverId != serverId) panel.requestOutcome->clear();
  panel.serverId = serverId;
  RefreshPanel();
  ServiceShowMainPanel(static_cast<kp_window>(panel.widget->winId()));
}

}  // namespace

namespace example {

void StartServices() {
  serviceType = ServiceAddType("Example network", kTypeIcon, kTypeGuid);
  if (serviceType == 0) return;  // a program without services
  AddServer("Example server one", "one.example.net:7000", kServerOneGuid);
  AddServer("Example server two", "two.example.net:7000", kServerTwoGuid);
}

void StopServices() {
  // The program forgets every service at its end; only our panel needs care.
  DeleteUnlessAdopted(panel.widget);
  panel = Panel{};
  servers.clear();
  serviceType = 0;
}

kp_handle ServiceType() { return serviceType; }

bool GetServer(kp_handle poService, std::string& name, std::string& address) {
  const Server* server = Find(poService);
  if (!server) return false;
  name = server->name;
  address = server->address;
  return true;
}

bool IsOurService(kp_handle poService) {
  return poService != 0 && std::ranges::any_of(servers, [poService](const Server& server) {
           return server.handle == poService;
         });
}

void AddServer(const std::string& name, const std::string& address, const kp_guid& guid) {
  // In the list before ServiceAdd, which can call us back (see Find).
  const uint32_t id = nextId++;
  servers.push_back(Server{id, 0, name, address, false, false});
  const kp_handle handle = ServiceAdd(serviceType, name.c_str(), kOnlineIcon, kOfflineIcon, id, guid);
  // Look the entry up again after any call that can call us back.
  Server* server = FindById(id);
  if (!server) return;
  if (handle != 0) {
    server->handle = handle;
  } else {
    Forget(id);  // the program did not take it
  }
}

void EditServer(kp_handle poService, const std::string& name, const std::string& address) {
  Server* server = Find(poService);
  if (!server) return;  // removed meanwhile
  server->name = name;
  server->address = address;
  const uint32_t id = server->id;
  ServiceEdit(poService, name.c_str(), kOnlineIcon, kOfflineIcon, id);
  if (panel.serverId == id) RefreshPanel();
}

}  // namespace example

KP_EVENT(OnServiceSelect) {
  if (const Server* server = Find(poService)) ShowPanel(server->id);
}

KP_EVENT(OnServiceCheck) {
  Server* server = Find(poService);
  if (!server) return;
  server->checked = kp_is_true(bValue) != 0;
  if (panel.serverId == server->id) RefreshPanel();
}

// The user deleted the service, or we called ServiceRemove. A real plugin
// closes the service's connection here: the record is gone once this returns.
KP_EVENT(OnServiceWizardRemove) {
  const Server* server = Find(poService);
  if (!server) return;
  const uint32_t id = server->id;
  Forget(id);
  if (panel.serverId == id) RefreshPanel();
}
