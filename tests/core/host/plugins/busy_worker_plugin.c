/* A plugin with a worker thread that calls the API in a loop for as long as it
 * runs. Built three times: one stops and joins its worker in TPlugin_OnShutdown,
 * as a careful plugin does; BUSY_NO_JOIN tells it to stop but returns at once,
 * while the worker may still be in the plugin's code; BUSY_FOREVER never stops
 * it. Each writes "started" to busy.log in its folder once its worker called. */
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>

#include "keplinor_plugin.h"

KP_IMPORT(ApplicationGetFirewallStatus);
KP_IMPORT(ApplicationMenuAdd);
KP_IMPORT(SharedFileExists);

static pthread_t worker;
static atomic_int stop;
static atomic_int started;
static char logPath[400];

static void log_line(const char *text) {
  FILE *file = fopen(logPath, "a");
  if (!file) return;
  fprintf(file, "%s\n", text);
  fclose(file);
}

static void *work(void *unused) {
  (void)unused;
  while (!atomic_load(&stop)) {
    /* Dispatched calls wait for the main thread; the calling-thread one does not. */
    (void)ApplicationGetFirewallStatus();
    (void)ApplicationMenuAdd(1, 0, "busy", "", 0);
    (void)SharedFileExists(0, "", "", "/");
    if (!atomic_exchange(&started, 1)) log_line("started");
  }
  return NULL;
}

KP_STARTUP {
  (void)applicationBlock;
  snprintf(logPath, sizeof logPath, "%sbusy.log", (const char *)pluginBlock + 256);
  pthread_create(&worker, NULL, work, NULL);
#if defined(BUSY_NO_JOIN) || defined(BUSY_FOREVER)
  pthread_detach(worker); /* nobody will join it */
#endif
}

KP_SHUTDOWN {
#if defined(BUSY_NO_JOIN)
  atomic_store(&stop, 1);
#elif !defined(BUSY_FOREVER)
  atomic_store(&stop, 1);
  pthread_join(worker, NULL);
  log_line("joined");
#endif
}
