/* A plugin that appends the window and link events it receives to "events.log" in its
 * own folder, so a test in another process can follow a running program. */
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"

static char logPath[400];

static void log_event(const char *what) {
  FILE *file = fopen(logPath, "a");
  if (!file) return;
  fprintf(file, "%s\n", what);
  fclose(file);
}

KP_STARTUP {
  (void)applicationBlock;
  snprintf(logPath, sizeof logPath, "%sevents.log", (const char *)pluginBlock + 256);
}

KP_SHUTDOWN { log_event("shutdown"); }

KP_IMPORT(ApplicationRegisterURL);

KP_EVENT(OnApplicationStart) {
  log_event("OnApplicationStart");
  if (ApplicationRegisterURL && ApplicationRegisterURL("chat") == 1) log_event("claimed chat");
}

/* The rest is logged with its line breaks shown as \r and \n. */
KP_EVENT(OnApplicationURL) {
  char line[300];
  size_t at = (size_t)snprintf(line, sizeof line, "OnApplicationURL %s ", sName);
  for (; *sRest && at + 3 < sizeof line; ++sRest) {
    if (*sRest == '\r' || *sRest == '\n') {
      line[at++] = '\\';
      line[at++] = *sRest == '\r' ? 'r' : 'n';
    } else {
      line[at++] = *sRest;
    }
  }
  line[at] = '\0';
  log_event(line);
}
KP_EVENT(OnApplicationShow) { log_event("OnApplicationShow"); }
KP_EVENT(OnApplicationHide) { log_event("OnApplicationHide"); }
KP_EVENT(OnApplicationEnd) { log_event("OnApplicationEnd"); }
