/* A plugin that asks for exactly one API function. */
#include "keplinor_plugin.h"

KP_IMPORT(ApplicationButtonAdd);

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN {}
