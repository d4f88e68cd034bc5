/* The one header a plugin includes: the boundary's types, the export macros,
 * the records the core shows by address, and every API function and event with
 * its exact C type. See sdk/README.md for how to write and build a plugin. */
#ifndef KEPLINOR_PLUGIN_H
#define KEPLINOR_PLUGIN_H

#include "keplinor_types.h"
#include "keplinor_export.h"
#include "keplinor_records.h"
#include "keplinor_api.h"

#endif /* KEPLINOR_PLUGIN_H */
