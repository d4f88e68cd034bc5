/* Exports names of the plugin contract from a library that plugins depend on. */
#include "keplinor_plugin.h"
#include "recorder.h"

KP_SHUTDOWN { kp_test_record("decoy:shutdown"); }

KP_IMPORT(ApplicationButtonAdd);

KP_EXPORT void kp_decoy_touch(void) {}
