/* A library with TPlugin_OnStartup but no TPlugin_OnShutdown of its own: the
 * decoy library it depends on defines one, which must not count as its export. */
#include "keplinor_plugin.h"
#include "recorder.h"

extern void kp_decoy_touch(void);

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
  kp_test_record("no_shutdown:startup");
  kp_decoy_touch();
}
