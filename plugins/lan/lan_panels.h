// The plugin's windows: the one page it shows in the service wizard and the
// main panel of a selected node. A run without the desktop face has neither;
// every function here then does nothing. Main thread only.
#pragma once

#include <cstdint>

#include "keplinor_types.h"

namespace lan {

// Whether the program runs with its desktop face (a QApplication).
bool HaveWidgets();

// OnServiceSelect: the node's panel, shown through ServiceShowMainPanel.
void ShowMainPanel(std::uint32_t nodeId);
// A node changed (state, settings, removal): the panel shows it again.
void RefreshMainPanel();

// The service wizard's events.
void WizardAdd(kp_handle serviceType);
void WizardEdit(kp_handle service);
void WizardChange(kp_handle service, std::int32_t direction);
void WizardComplete(kp_handle serviceType, kp_handle service, std::uint8_t* canClose);
void WizardCancel(kp_handle service);

// TPlugin_OnShutdown: deletes our widgets (the program has handed them back)
// and the context object of every connection.
void StopPanels();

}  // namespace lan
