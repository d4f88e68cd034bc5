/* A plugin for the setup wizard tests. The test makes the plugin's Setup calls
 * through the tsp_ functions, so the core sees them coming from this plugin;
 * every wizard event is recorded in the shared log. Variables steer the
 * answers: the page status sent when the wizard enters the plugin's pages, and
 * what OnSetupWizardValidate leaves in its byte. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

KP_IMPORT(SetupStartWizard);
KP_IMPORT(SetupShowWizardPanel);

/* The page status sent on entering the plugin's pages (none while negative). */
KP_EXPORT int32_t tsp_enter_status = -1;
KP_EXPORT uint32_t tsp_window = 0;
KP_EXPORT int32_t tsp_validate_answer = 1;

static char ownName[64];

static void record(const char *what) {
  char line[160];
  snprintf(line, sizeof line, "%s:%s", ownName, what);
  kp_test_record(line);
}

KP_STARTUP {
  (void)applicationBlock;
  const char *path = (const char *)pluginBlock;
  const char *slash = strrchr(path, '/');
  snprintf(ownName, sizeof ownName, "%s", slash ? slash + 1 : path);
}

KP_SHUTDOWN {}

KP_EXPORT int32_t tsp_start_wizard(void) { return SetupStartWizard(); }
KP_EXPORT int32_t tsp_show_panel(kp_window window, int32_t status) { return SetupShowWizardPanel(window, status); }

KP_EVENT(OnSetupWizardChange) {
  char line[48];
  snprintf(line, sizeof line, "change %d", iDirection);
  record(line);
  if ((iDirection == 8 || iDirection == 9) && tsp_enter_status >= 0) {
    SetupShowWizardPanel(tsp_window, tsp_enter_status);
  }
}

KP_EVENT(OnSetupWizardValidate) {
  record("validate");
  *pCanMove = (uint8_t)tsp_validate_answer;
}

KP_EVENT(OnSetupWizardComplete) { record("complete"); }
KP_EVENT(OnSetupWizardCancel) { record("cancel"); }
