// What the example plugin's source files share.
#pragma once

#include <string>

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

// ---- The service type, the services and their main panel (example_services.cpp)

void StartServices();
void StopServices();

// The type the wizard adds services of; 0 when the program has no services.
kp_handle ServiceType();

// The name and server of one of our services; false for a handle not ours.
bool GetServer(kp_handle poService, std::string& name, std::string& address);

// Both call the program, which can call us back before they return.
void AddServer(const std::string& name, const std::string& address, const kp_guid& guid);
void EditServer(kp_handle poService, const std::string& name, const std::string& address);

// ---- The service wizard's pages (example_wizard.cpp)

void StopWizard();

}  // namespace example
