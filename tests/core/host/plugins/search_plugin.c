/* A plugin for the search tests. The test makes its Search calls through the
 * tsp_ functions below, so the core sees them coming from this plugin through
 * its bound entries; the search events are recorded in the shared log, a
 * selected result with everything the plugin reads in its record. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

KP_IMPORT(SearchResultAdd);
KP_IMPORT(SearchComplete);
KP_IMPORT(SearchResultButtonAdd);
KP_IMPORT(SearchResultMenuAdd);

/* When set, OnSearchResultSelect adds a button and a menu entry with a
 * submenu entry, and records the menu handles it gets. */
KP_EXPORT int32_t tsp_add_commands = 0;

static char ownName[64];

static void record(const char* what) {
  char line[1400];
  snprintf(line, sizeof line, "%s:%s", ownName, what);
  kp_test_record(line);
}

KP_STARTUP {
  (void)applicationBlock;
  const char* path = (const char*)pluginBlock;
  const char* slash = strrchr(path, '/');
  snprintf(ownName, sizeof ownName, "%s", slash ? slash + 1 : path);
}

KP_SHUTDOWN {}

/* ---- calls the tests make through the plugin */

KP_EXPORT int32_t tsp_add_result(kp_handle service, int32_t searchId, const char* description,
                                 const char* hashCode, const char* nick, int32_t size, int32_t bitrate,
                                 int32_t length, int32_t frequency, kp_bool isMusicFile, const char* icon,
                                 const char* info, const char* url) {
  return SearchResultAdd(service, searchId, description, hashCode, nick, size, bitrate, length, frequency,
                         isMusicFile, icon, info, url);
}

KP_EXPORT int32_t tsp_complete(kp_handle service, int32_t searchId) {
  return SearchComplete(service, searchId);
}

KP_EXPORT void tsp_button_add(int32_t command, const char* description, const char* icon) {
  SearchResultButtonAdd(command, description, icon);
}

KP_EXPORT kp_handle tsp_menu_add(int32_t command, kp_handle parent, const char* description,
                                 const char* icon) {
  return SearchResultMenuAdd(command, parent, description, icon);
}

/* ---- events */

KP_EVENT(OnSearchClose) {
  char line[64];
  snprintf(line, sizeof line, "OnSearchClose %d", iSearchID);
  record(line);
}

KP_EVENT(OnSearchResultSelect) {
  const kp_search_result_record* r = kp_search_result_record_at(pResult);
  const uint8_t* bytes = (const uint8_t*)r;
  char line[1300];
  snprintf(line, sizeof line,
           "select service=%u reserved=%u desc=%s hash=%s nick=%s size=%u bitrate=%d length=%d frequency=%d "
           "music=%u url=%s",
           r->Service, (unsigned)(bytes[4] | bytes[5] | bytes[6] | bytes[7]), kp_text(r->Description),
           kp_text(r->HashCode), kp_text(r->Nick), r->Size, r->Bitrate, r->Length, r->Frequency,
           r->IsMusicFile, kp_text(r->URL));
  record(line);
  if (tsp_add_commands) {
    SearchResultButtonAdd(0x10007, "Button", "b.bmp");
    const kp_handle menu = SearchResultMenuAdd(-1, 0, "Menu", "");
    const kp_handle sub = SearchResultMenuAdd(3, menu, "Sub", "");
    snprintf(line, sizeof line, "menus %u %u", menu, sub);
    record(line);
  }
}

KP_EVENT(OnSearchResultButton) {
  char line[64];
  snprintf(line, sizeof line, "OnSearchResultButton %d %u", iCommand, pResult);
  record(line);
}

KP_EVENT(OnSearchResultMenu) {
  char line[64];
  snprintf(line, sizeof line, "OnSearchResultMenu %d %u", iCommand, pResult);
  record(line);
}

KP_EVENT(OnSearchResultExecute) {
  char line[64];
  snprintf(line, sizeof line, "OnSearchResultExecute %u", pResult);
  record(line);
}
