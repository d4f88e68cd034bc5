/* A plugin for the services tests. The test makes its Service calls through
 * the tps_ functions below, so the core sees them coming from this plugin
 * through its bound entries; every service event is recorded in the shared log
 * with what the plugin reads in the record at the handle. Variables steer how
 * the wizard events answer.
 *
 * Built twice: with every service event (and OnSearchRequest, recorded as the
 * services asked for a search hear it), and with TPS_NO_WIZARD_CHANGE, which
 * leaves out OnServiceWizardChange and OnServiceWizardComplete. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

KP_IMPORT(ServiceAddType);
KP_IMPORT(ServiceEditType);
KP_IMPORT(ServiceRemoveType);
KP_IMPORT(ServiceAdd);
KP_IMPORT(ServiceEdit);
KP_IMPORT(ServiceRemove);
KP_IMPORT(ServiceShowWizardPanel);
KP_IMPORT(ServiceShowMainPanel);
KP_IMPORT(ServiceSetOnline);
KP_IMPORT(ServiceSetCheck);
KP_IMPORT(ServiceSetIcon);
KP_IMPORT(ServiceSetActive);

/* How the wizard events answer: with a page of this status and window (no
 * answer while the status is negative). */
KP_EXPORT int32_t tps_page_status = -1;
KP_EXPORT uint32_t tps_page_window = 0;
KP_EXPORT int32_t tps_page_allow_back = 1;
/* What OnServiceWizardComplete leaves in the byte it is given. */
KP_EXPORT int32_t tps_complete_answer = 1;
/* When set, the next OnServiceSelect removes the service it is told of (re-entry). */
KP_EXPORT int32_t tps_remove_on_select = 0;
/* A service type to which OnServiceWizardRemove adds a new service each time. */
KP_EXPORT kp_handle tps_add_on_remove = 0;

static char ownName[64];

static void record(const char *what) {
  char line[1400];
  snprintf(line, sizeof line, "%s:%s", ownName, what);
  kp_test_record(line);
}

/* Everything the record at the handle says. */
KP_EXPORT void tps_describe(kp_handle handle) {
  const kp_service_record *r = kp_service_record_at(handle);
  char line[1300];
  snprintf(line, sizeof line,
           "record %u type=%u guid=%08X-%04X online=%u checked=%u data=%u desc=%s on=%s off=%s current=%s",
           handle, r->ServiceType, r->GUID.Data1, r->GUID.Data2, r->Online, r->Checked, r->Data, r->Description,
           r->OnlineIconFileName, r->OfflineIconFileName, r->CurrentIconFileName);
  record(line);
}

KP_EXPORT void tps_describe_type(kp_handle handle) {
  const kp_service_type_record *r = kp_service_type_record_at(handle);
  char line[700];
  snprintf(line, sizeof line, "type record %u guid=%08X desc=%s icon=%s reserved=%u", handle, r->GUID.Data1,
           r->Description, r->IconFileName,
           (unsigned)(r->Reserved[0] | r->Reserved[1] | r->Reserved[2] | r->Reserved[3]));
  record(line);
}

static void answer_with_page(void) {
  if (tps_page_status >= 0) ServiceShowWizardPanel(tps_page_window, tps_page_status, tps_page_allow_back);
}

KP_STARTUP {
  (void)applicationBlock;
  const char *path = (const char *)pluginBlock;
  const char *slash = strrchr(path, '/');
  snprintf(ownName, sizeof ownName, "%s", slash ? slash + 1 : path);
}

KP_SHUTDOWN {}

/* ---- calls the tests make through the plugin */

KP_EXPORT kp_handle tps_add_type(const char *description, const char *icon, kp_guid guid) {
  return ServiceAddType(description, icon, guid);
}

KP_EXPORT kp_handle tps_add(kp_handle type, const char *description, const char *onlineIcon,
                            const char *offlineIcon, uint32_t data, kp_guid guid) {
  record("ServiceAdd called");
  const kp_handle service = ServiceAdd(type, description, onlineIcon, offlineIcon, data, guid);
  char line[64];
  snprintf(line, sizeof line, "ServiceAdd returned %u", service);
  record(line);
  return service;
}

KP_EXPORT void tps_edit(kp_handle service, const char *description, const char *onlineIcon,
                        const char *offlineIcon, uint32_t data) {
  ServiceEdit(service, description, onlineIcon, offlineIcon, data);
}

KP_EXPORT void tps_edit_type(kp_handle type, const char *description) { ServiceEditType(type, description); }
KP_EXPORT int32_t tps_remove(kp_handle service) { return ServiceRemove(service); }
KP_EXPORT int32_t tps_remove_type(kp_handle type) { return ServiceRemoveType(type); }
KP_EXPORT int32_t tps_set_online(kp_handle service, kp_bool value) { return ServiceSetOnline(service, value); }
KP_EXPORT int32_t tps_set_check(kp_handle service, kp_bool value) { return ServiceSetCheck(service, value); }
KP_EXPORT void tps_set_icon(kp_handle service, const char *icon) { ServiceSetIcon(service, icon); }
KP_EXPORT int32_t tps_set_active(kp_handle service) { return ServiceSetActive(service); }
KP_EXPORT int32_t tps_show_main_panel(kp_window window) { return ServiceShowMainPanel(window); }
KP_EXPORT int32_t tps_show_wizard_panel(kp_window window, int32_t status, kp_bool allowBack) {
  return ServiceShowWizardPanel(window, status, allowBack);
}

/* ---- events */

KP_EVENT(OnServiceSelect) {
  char line[64];
  snprintf(line, sizeof line, "OnServiceSelect %u", poService);
  record(line);
  tps_describe(poService);
  if (tps_remove_on_select) {
    tps_remove_on_select = 0;
    ServiceRemove(poService);
  }
}

KP_EVENT(OnServiceCheck) {
  char line[96];
  snprintf(line, sizeof line, "OnServiceCheck %u %d record=%u", poService, bValue,
           kp_service_record_at(poService)->Checked);
  record(line);
}

KP_EVENT(OnServiceWizardRemove) {
  char line[300];
  snprintf(line, sizeof line, "OnServiceWizardRemove %u %s", poService,
           kp_service_record_at(poService)->Description);
  record(line);
  if (tps_add_on_remove) {
    const kp_guid none = {0, 0, 0, {0}};
    ServiceAdd(tps_add_on_remove, "added on removal", "", "", 0, none);
  }
}

KP_EVENT(OnServiceWizardAdd) {
  char line[64];
  snprintf(line, sizeof line, "OnServiceWizardAdd %u", poServiceType);
  record(line);
  answer_with_page();
}

KP_EVENT(OnServiceWizardEdit) {
  char line[64];
  snprintf(line, sizeof line, "OnServiceWizardEdit %u", poService);
  record(line);
  answer_with_page();
}

KP_EVENT(OnServiceWizardCancel) {
  char line[64];
  snprintf(line, sizeof line, "OnServiceWizardCancel %u", poService);
  record(line);
}

#ifndef TPS_NO_WIZARD_CHANGE
KP_EVENT(OnServiceWizardChange) {
  char line[64];
  snprintf(line, sizeof line, "OnServiceWizardChange %u %d", poService, iDirection);
  record(line);
  answer_with_page();
}

KP_EVENT(OnServiceWizardComplete) {
  char line[96];
  snprintf(line, sizeof line, "OnServiceWizardComplete %u %u %u", poServiceType, poService, *pCanClose);
  record(line);
  *pCanClose = (uint8_t)tps_complete_answer;
}
#endif

KP_EVENT(OnSearchRequest) {
  char line[1300];
  snprintf(line, sizeof line, "OnSearchRequest %u %d [%s] [%s] mp3=%d max=%d min=%d bitrate=%d", poService,
           iSearchID, sText1, sText2, bMP3Search, iMaximumSize, iMinimumSize, iMinimumBitrate);
  record(line);
}
