/* Libraries that export a name of the contract as the wrong kind of symbol, one
 * fault per build (HOSTILE_* macro). The core must skip each with its reason
 * before it calls or writes anything of it: "hostile:startup" is never recorded. */
#include <stdint.h>

#include "keplinor_export.h"
#include "recorder.h"

#if defined(HOSTILE_FUNCTION_AS_VARIABLE)
/* Binding would write an entry's address over the function's code. */
KP_EXPORT int ApplicationMenuAdd(void) { return 1; }
#elif defined(HOSTILE_CONSTANT_VARIABLE)
/* Binding would write into memory made read-only. */
KP_EXPORT void *const ApplicationMenuAdd = (void *)&kp_test_record;
#elif defined(HOSTILE_SMALL_VARIABLE)
/* Binding would write 8 bytes into a 4-byte object and over its neighbour. */
KP_EXPORT int32_t ApplicationMenuAdd = 0;
KP_EXPORT int32_t neighbour = 0;
#elif defined(HOSTILE_DATA_EVENT)
/* The core would call data. */
KP_EXPORT int OnApplicationStart = 0;
#endif

#if defined(HOSTILE_DATA_STARTUP)
KP_EXPORT void *TPlugin_OnStartup = 0;
#else
KP_EXPORT void TPlugin_OnStartup(void *applicationBlock, void *pluginBlock) {
  (void)applicationBlock;
  (void)pluginBlock;
  kp_test_record("hostile:startup");
}
#endif

KP_EXPORT void TPlugin_OnShutdown(void) {}
