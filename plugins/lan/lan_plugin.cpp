// The LAN sharing plugin's entry points. Each event goes to the part that owns
// it (lan_plugin.h lists them); this file only names the plugin and routes.
// Everything works headless too: the nodes are registered and served, and
// only the windows are left out.
#include "lan_plugin.h"

#include <cstdio>

#include "keplinor_plugin.h"
#include "lan_discovery.h"
#include "lan_nodes.h"
#include "lan_panels.h"

namespace {

// From OnApplicationEnd on the program no longer carries our threads' calls,
// so from there on we may join them. Again at shutdown, for a plugin stopped
// without the end event; the second time finds nothing left.
void StopEverything() {
  lan::StopAllSearches();
  lan::StopAllDownloads();
  lan::StopAllServing();
  lan::StopDiscovery();
}

}  // namespace

KP_STARTUP {
  (void)applicationBlock;
  kp_plugin_block* block = kp_plugin_block_from(pluginBlock);
  const kp_guid guid = {0xA3F1C86E, 0x2B57, 0x4D09, {0x8E, 0x14, 0x7B, 0x9C, 0x0D, 0x5A, 0x62, 0xE3}};
  block->PluginGUID = guid;
  block->VersionA = 1;
  block->VersionB = 0;
  block->VersionC = 0;
  std::snprintf(block->DisplayName, sizeof block->DisplayName, "%s", "LAN sharing");
  char folder[sizeof block->LibraryFolder + 1] = {};
  std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(sizeof block->LibraryFolder),
                block->LibraryFolder);
  lan::StartNodes(folder);
}

KP_SHUTDOWN {
  StopEverything();
  lan::StopPanels();
  lan::ForgetNodes();
}

KP_EVENT(OnApplicationStart) { lan::ServeAllNodes(); }

KP_EVENT(OnApplicationEnd) { StopEverything(); }

// ---- Searching and downloading

KP_EVENT(OnSearchRequest) {
  if (!lan::IsOurService(poService)) return;
  lan::StartSearch(poService, iSearchID, sText1, sText2, kp_is_true(bMP3Search) != 0, iMaximumSize,
                   iMinimumSize, iMinimumBitrate);
}

KP_EVENT(OnSearchClose) { lan::CloseSearch(iSearchID); }

KP_EVENT(OnSearchResultExecute) {
  if (pResult == 0) return;
  if (lan::IsOurService(kp_search_result_record_at(pResult)->Service)) lan::ExecuteResult(pResult);
}

KP_EVENT(OnDownloadStart) { lan::OnDownloadStartEvent(poDownload); }
KP_EVENT(OnDownloadPause) { lan::OnDownloadPauseEvent(poDownload); }
KP_EVENT(OnDownloadResume) { lan::OnDownloadResumeEvent(poDownload); }
KP_EVENT(OnDownloadRemove) { lan::OnDownloadRemoveEvent(poDownload); }

KP_EVENT(OnUploadPause) { lan::OnUploadPauseEvent(poUpload); }
KP_EVENT(OnUploadResume) { lan::OnUploadResumeEvent(poUpload); }
KP_EVENT(OnUploadRemove) { lan::OnUploadRemoveEvent(poUpload); }

// ---- Services

KP_EVENT(OnServiceSelect) { lan::ShowMainPanel(lan::NodeIdOf(poService)); }

KP_EVENT(OnServiceCheck) { lan::SetNodeWanted(poService, kp_is_true(bValue) != 0); }

KP_EVENT(OnServiceWizardAdd) { lan::WizardAdd(poServiceType); }
KP_EVENT(OnServiceWizardEdit) { lan::WizardEdit(poService); }
// Exported although our one page never asks for it: without it the program
// never calls OnServiceWizardComplete.
KP_EVENT(OnServiceWizardChange) { lan::WizardChange(poService, iDirection); }
KP_EVENT(OnServiceWizardComplete) { lan::WizardComplete(poServiceType, poService, pCanClose); }
KP_EVENT(OnServiceWizardCancel) { lan::WizardCancel(poService); }

KP_EVENT(OnServiceWizardRemove) { lan::RemoveNode(poService); }
