/* A plugin that appends the window events it receives to "events.log" in its
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

KP_EVENT(OnApplicationStart) { log_event("OnApplicationStart"); }
KP_EVENT(OnApplicationShow) { log_event("OnApplicationShow"); }
KP_EVENT(OnApplicationHide) { log_event("OnApplicationHide"); }
KP_EVENT(OnApplicationEnd) { log_event("OnApplicationEnd"); }
