/* A plugin that listens to the end of the run and to nothing else. */
#include "keplinor_plugin.h"
#include "recorder.h"

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN { kp_test_record("end_only:shutdown"); }

KP_EVENT(OnApplicationEnd) { kp_test_record("end_only:OnApplicationEnd"); }
