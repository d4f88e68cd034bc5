/* A plugin that hands the window host whatever window ids and tab handles the
 * test gives it, from wherever the test calls it: also from inside a window's
 * close handler or destructor, as a careless or hostile plugin would. */
#include "keplinor_plugin.h"

KP_IMPORT(ApplicationTabAdd);
KP_IMPORT(ApplicationTabEdit);
KP_IMPORT(ApplicationTabRemove);

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN {}

KP_EXPORT kp_handle TestWindowHost_Add(const char* description, kp_window window) {
  return ApplicationTabAdd(description, window);
}

KP_EXPORT void TestWindowHost_Edit(kp_handle tab, const char* description, kp_window window) {
  ApplicationTabEdit(tab, description, window);
}

KP_EXPORT int32_t TestWindowHost_Remove(kp_handle tab) { return ApplicationTabRemove(tab); }
