/* A small network plugin with one fault chosen at build time, for the tests of
 * the conformance kit: the kit must fail it in the scenario the fault belongs
 * to. Built without a fault it does everything right. */
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include "keplinor_plugin.h"

KP_IMPORT(ServiceAddType);
KP_IMPORT(ServiceAdd);
KP_IMPORT(SearchResultAdd);
KP_IMPORT(SearchComplete);
KP_IMPORT(DownloadError);
KP_IMPORT(SharedStartDirectory);

static kp_handle service;

KP_STARTUP {
  kp_plugin_block* block = kp_plugin_block_from(pluginBlock);
  (void)applicationBlock;
#ifndef FAULT_NO_NAME
  strcpy(block->DisplayName, "Faulty plugin");
#endif
  block->VersionA = 1;
  block->PluginGUID = (kp_guid){0x4B1F0001u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

KP_SHUTDOWN {}

KP_EVENT(OnApplicationStart) {
  const kp_handle type = ServiceAddType("Faulty network", "", (kp_guid){0x4B1F0002u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}});
  service = ServiceAdd(type, "Faulty server", "", "", 0, (kp_guid){0x4B1F0003u, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}});
}

KP_EVENT(OnSearchRequest) {
  (void)sText2; (void)bMP3Search; (void)iMaximumSize; (void)iMinimumSize; (void)iMinimumBitrate;
  if (poService != service) return;
#ifdef FAULT_CRASH_ON_FORMAT
  if (strchr(sText1, '%')) raise(SIGSEGV);
#endif
#ifdef FAULT_EXIT_ON_LONG_TEXT
  if (strlen(sText1) > 1000) exit(0);
#endif
  SearchResultAdd(poService, iSearchID, "faulty result.txt", "", "faulty", 10, 0, 0, 0, KP_FALSE, "", "", "f://1");
#ifndef FAULT_NO_COMPLETE
  SearchComplete(poService, iSearchID);
#endif
}

KP_EVENT(OnDownloadStart) {
#ifndef FAULT_FOREIGN_RECORD
  if (kp_download_record_at(poDownload)->Service != service) return;
#endif
  DownloadError(poDownload, "faulty plugin gives up");
}

KP_EVENT(OnSharedAdd) {
  (void)pResult;
#ifdef FAULT_OPEN_BROWSE
  SharedStartDirectory(service, "", "", "/", KP_FALSE);
#endif
}
