/* How a plugin exports exactly the symbols of the contract. Build plugins with
 * hidden visibility (the CMake helper in KeplinorPlugin.cmake does); these macros
 * make the contract's names, and nothing else, visible to the core. */
#ifndef KEPLINOR_EXPORT_H
#define KEPLINOR_EXPORT_H

#define KP_EXPORT __attribute__((visibility("default")))

/* Defines the variable of an API function the plugin calls, e.g.
 *   KP_IMPORT(ApplicationMenuAdd);
 * The core writes the function's entry into it before TPlugin_OnStartup; until
 * then it is null. */
#define KP_IMPORT(name) KP_EXPORT kp_##name##_fn name = 0

/* Defines an event handler with the contract's exact signature, e.g.
 *   KP_EVENT(OnApplicationMenu) { if (iCommand == 1) ... }
 * The parameter names are those of the declarations in keplinor_api.h. */
#define KP_EVENT(name) KP_EXPORT KP_SIGNATURE_##name

/* The two functions every plugin must export. */
#define KP_STARTUP KP_EXPORT void TPlugin_OnStartup(void *applicationBlock, void *pluginBlock)
#define KP_SHUTDOWN KP_EXPORT void TPlugin_OnShutdown(void)

#endif /* KEPLINOR_EXPORT_H */
