// What the example plugin's source files share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keplinor_types.h"

class QObject;
class QWidget;

namespace example {

// ---- Qt (example_plugin.cpp)

// Whether the program runs with its desktop face. A headless run has no
// QApplication, so the plugin registers what it offers but makes no widgets.
bool HaveWidgets();

// The context object of every signal connection the plugin makes. Qt drops a
// connection when its context dies, and TPlugin_OnShutdown deletes this one:
// a widget the program destroys later, perhaps after our library is gone, then
// has nothing left that leads back into our code.
QObject* Guard();

// Deletes a widget of ours unless the program holds it: a hosted widget has a
// parent of the program's. Before plugins stop the program hands every one
// back, so at our shutdown this deletes them all.
void DeleteUnlessAdopted(QWidget* widget);

// Shows the text in our tab's status line and brings the tab forward; a run
// without widgets has no tab and shows nothing.
void ShowStatus(const std::string& text);

// ---- The service type, the services and their main panel (example_services.cpp)

void StartServices();
void StopServices();

// The type the wizard adds services of; 0 when the program has no services.
kp_handle ServiceType();

// The name and server of one of our services; false for a handle not ours.
bool GetServer(kp_handle poService, std::string& name, std::string& address);

// True for a service of ours that has not been removed. Looks at our list
// only, so it is safe with the handle of a service that is gone.
bool IsOurService(kp_handle poService);

// Both call the program, which can call us back before they return.
void AddServer(const std::string& name, const std::string& address, const kp_guid& guid);
void EditServer(kp_handle poService, const std::string& name, const std::string& address);

// ---- The service wizard's pages (example_wizard.cpp)

void StopWizard();

// ---- The setup wizard's page and the settings dialog's page (example_setup.cpp)

// Reads the saved nickname from the folder our library is in, asks for the
// setup wizard while there is none, and adds our settings page.
void StartSetup(const std::string& libraryFolder);
void StopSetup();

// ---- Searching: the thread that answers, the result commands (example_search.cpp)

// Stops the thread that answers searches and waits for it; the details window
// goes too. Called from OnApplicationEnd and again from TPlugin_OnShutdown, as
// a plugin may be stopped without the end event; the second call finds nothing
// left to do.
void StopSearches();

// ---- Transfers (example_downloads.cpp, example_uploads.cpp, example_transfers.cpp)

// Downloads the result the user asked for: OnSearchResultExecute.
void DownloadResult(kp_handle pResult);

// A simulated user of the service asks us for a file; answers what the panel
// shows about it. Main thread (the panel's button).
std::string ServeUploadRequest(kp_handle poService);

// Stops every transfer thread and waits for them; nothing starts afterwards.
// Called where StopSearches is, for the same reason.
void StopTransfers();

// ---- What our pretend network holds (example_catalogue.cpp)

// A search as OnSearchRequest asked it, texts copied and untrimmed.
struct Query {
  std::string text1;
  std::string text2;
  bool mp3 = false;
  int32_t maximumSize = 0;  // the limits: 0 for none
  int32_t minimumSize = 0;
  int32_t minimumBitrate = 0;
};

// One file on one server, as SearchResultAdd reports it.
struct Hit {
  std::string description;
  std::string hashCode;
  std::string nick;
  std::string info;
  std::string url;
  int32_t size = 0;
  int32_t bitrate = 0;
  int32_t length = 0;
  int32_t frequency = 0;
  bool music = false;
};

// What one of our servers holds that answers the query, within its limits.
// Copies of one file carry one hash code on every server, so the program
// groups them. Touches nothing shared: the answering thread calls it.
std::vector<Hit> FindHits(const Query& query, const std::string& serverName, const std::string& address);

// How a download of one of our files goes.
enum class Delivery {
  Normal,
  RemotelyQueued,  // the holder queues us for a while first
  FailsOnce,       // the connection breaks part way; a retry goes through
};

// One of our files, recognised again from what a search result reported.
struct CatalogueFile {
  std::string title;  // what the user searched for
  Delivery delivery = Delivery::Normal;
};

// False when the description and hash code are not those of a file that
// FindHits makes.
bool Identify(const std::string& description, const std::string& hashCode, CatalogueFile& file);

}  // namespace example
