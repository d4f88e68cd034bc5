/* A plugin that records its life in the shared log under its file name, fills
 * its block with an identity given at build time, and reports what it reads in
 * the two blocks the core shows it. */
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

#ifndef PLUGIN_GUID_DATA1
#define PLUGIN_GUID_DATA1 0x11111111u
#endif

KP_IMPORT(ApplicationMenuAdd);
KP_IMPORT(ApplicationMenuRemove);
KP_IMPORT(ApplicationTabAdd);
KP_IMPORT(ServiceAddType);
KP_IMPORT(DownloadProgress);
KP_IMPORT(UsersGetName);
KP_IMPORT(SharedGetNextResult);

static char ownName[64];
static char ownFolder[300];

static void record(const char *what) {
  char line[sizeof ownName + 700];
  snprintf(line, sizeof line, "%s:%s", ownName, what);
  kp_test_record(line);
}

KP_STARTUP {
  const char *path = (const char *)pluginBlock;
  const char *slash = strrchr(path, '/');
  snprintf(ownName, sizeof ownName, "%s", slash ? slash + 1 : path);
  snprintf(ownFolder, sizeof ownFolder, "%s", (const char *)pluginBlock + 256);

  unsigned char *block = (unsigned char *)pluginBlock;
  kp_guid guid = {PLUGIN_GUID_DATA1, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}};
  int32_t versionA = 1, versionB = 0, versionC = 5;
  memcpy(block + 512, &guid, sizeof guid);
  memcpy(block + 528, &versionB, 4);
  memcpy(block + 532, &versionA, 4);
  memcpy(block + 536, &versionC, 4);
  snprintf((char *)block + 796, 256, "Recording plugin %s", ownName);

  char line[700];
  snprintf(line, sizeof line, "startup application=%p plugin=%p name=%s", applicationBlock, pluginBlock,
           (const char *)applicationBlock + 524);
  record(line);
  snprintf(line, sizeof line, "folder=%s", (const char *)pluginBlock + 256);
  record(line);
  record(ApplicationMenuAdd && ApplicationMenuRemove && ServiceAddType ? "bound" : "unbound");
}

KP_SHUTDOWN { record("shutdown"); }

KP_EVENT(OnApplicationStart) { record("OnApplicationStart"); }

/* Plugins live in the program's Plugins folder; the settings file is beside it
 * and must be written before the end is announced. */
KP_EVENT(OnApplicationEnd) {
  char settings[400];
  snprintf(settings, sizeof settings, "%s../Application4.cfg", ownFolder);
  FILE *file = fopen(settings, "rb");
  record(file ? "OnApplicationEnd settings written" : "OnApplicationEnd settings missing");
  if (file) fclose(file);
}

KP_EVENT(OnApplicationShow) { record("OnApplicationShow"); }

KP_EVENT(OnApplicationHide) { record("OnApplicationHide"); }

KP_EVENT(OnApplicationButton) {
  char line[64];
  snprintf(line, sizeof line, "OnApplicationButton %u %d", poButton, iCommand);
  record(line);
}

/* A plugin whose file name contains "refuse" says no to the exit question. */
KP_EVENT(OnApplicationExit) {
  record(*pCanExit == 1 ? "OnApplicationExit asked yes" : "OnApplicationExit asked no");
  if (strstr(ownName, "refuse")) *pCanExit = 0;
}

/* The settings dialog's OK and Cancel; "refuse" in the file name keeps the
 * dialog open as it does the program. */
KP_EVENT(OnSetupApply) {
  record(*pCanApply == 1 ? "OnSetupApply asked yes" : "OnSetupApply asked no");
  if (strstr(ownName, "refuse")) *pCanApply = 0;
}

KP_EVENT(OnSetupCancel) { record("OnSetupCancel"); }

KP_EVENT(OnApplicationMenu) {
  char line[64];
  snprintf(line, sizeof line, "OnApplicationMenu %u %d", poMenu, iCommand);
  record(line);
}

/* Links: the key and the rest, a line break in the rest written as "\r\n". */
static void record_link(const char *event, const char *key, const char *rest) {
  char line[600];
  size_t at = (size_t)snprintf(line, sizeof line, "%s %s ", event, key);
  for (; *rest && at + 3 < sizeof line; ++rest) {
    if (*rest == '\r' || *rest == '\n') {
      line[at++] = '\\';
      line[at++] = *rest == '\r' ? 'r' : 'n';
    } else {
      line[at++] = *rest;
    }
  }
  line[at] = '\0';
  record(line);
}

KP_EVENT(OnApplicationURL) { record_link("OnApplicationURL", sName, sRest); }

KP_EVENT(OnURL) { record_link("OnURL", sScheme, sRest); }
