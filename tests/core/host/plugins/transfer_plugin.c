/* A plugin for the transfer tests. The tests make Download and Upload calls
 * through the ttp_ functions, so the core sees them coming from this plugin's
 * bound entries; the transfer events are recorded in the shared log with the
 * file name the plugin reads from the transfer's record. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

KP_IMPORT(DownloadAdd);
KP_IMPORT(DownloadGroupAdd);
KP_IMPORT(DownloadProgress);
KP_IMPORT(DownloadComplete);
KP_IMPORT(DownloadError);
KP_IMPORT(DownloadFinished);
KP_IMPORT(DownloadGetSuggestedDirectory);
KP_IMPORT(DownloadButtonAdd);
KP_IMPORT(UploadAdd);
KP_IMPORT(UploadProgress);

/* When set, OnDownloadSelect adds a button for the selected download. */
KP_EXPORT int32_t ttp_add_commands = 0;

static void record2(const char* event, const char* name) {
  char line[600];
  snprintf(line, sizeof line, "%s %s", event, name);
  kp_test_record(line);
}

static const char* download_name(kp_handle d) { return kp_text(kp_download_record_at(d)->FileName); }
static const char* upload_name(kp_handle u) { return kp_text(kp_upload_record_at(u)->FileName); }

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN {}

/* ---- calls the tests make through the plugin */

KP_EXPORT kp_handle ttp_download_add(kp_handle group, kp_handle service, const char* nick, const char* file,
                                     int64_t size) {
  return DownloadAdd(group, service, nick, file, 1, 1, size, "url://x", 0x5EED);
}
KP_EXPORT kp_handle ttp_group_add(kp_handle parent, kp_handle service, const char* description) {
  return DownloadGroupAdd(parent, service, description, "info", "");
}
KP_EXPORT int32_t ttp_download_progress(kp_handle d, int64_t start, int64_t end, int64_t position) {
  return DownloadProgress(d, start, end, position);
}
KP_EXPORT int32_t ttp_download_complete(kp_handle d) { return DownloadComplete(d); }
KP_EXPORT void ttp_download_error(kp_handle d, const char* text) { DownloadError(d, text); }
KP_EXPORT void ttp_download_finished(kp_handle d, const char* file) { DownloadFinished(d, file); }
KP_EXPORT int32_t ttp_suggested_directory(int32_t type, char* buffer) {
  return DownloadGetSuggestedDirectory(0, type, buffer);
}
KP_EXPORT kp_handle ttp_upload_add(kp_handle service, const char* nick, const char* file,
                                   int32_t allowQueue) {
  return UploadAdd(service, nick, file, allowQueue != 0, 1, 0x7AB);
}
KP_EXPORT int32_t ttp_upload_progress(kp_handle u, int64_t start, int64_t end, int64_t position) {
  return UploadProgress(u, start, end, position);
}

/* Everything the plugin reads of a download's record, by field. */
KP_EXPORT void ttp_describe_download(kp_handle d) {
  const kp_download_record* r = kp_download_record_at(d);
  char line[900];
  snprintf(line, sizeof line,
           "service=%u pause=%u resume=%u error=%s nick=%s file=%s url=%s data=%x status=%d progress=%d "
           "transferred=%u speed=%d estimated=%u size=%u start=%u end=%u position=%u",
           r->Service, r->SupportPause, r->SupportResume, kp_text(r->ErrorText), kp_text(r->Nick),
           kp_text(r->FileName), kp_text(r->URL), r->Data, r->StatusType, r->Progress, r->Transferred,
           r->Speed, r->Estimated, r->Size, r->StartPosition, r->EndPosition, r->Position);
  kp_test_record(line);
}

KP_EXPORT void ttp_describe_upload(kp_handle u) {
  const kp_upload_record* r = kp_upload_record_at(u);
  char line[900];
  snprintf(line, sizeof line,
           "service=%u pause=%u error=%s nick=%s file=%s data=%x status=%d progress=%d transferred=%u "
           "speed=%d estimated=%u size=%u start=%u end=%u position=%u",
           r->Service, r->SupportPause, kp_text(r->ErrorText), kp_text(r->Nick), kp_text(r->FileName),
           r->Data, r->StatusType, r->Progress, r->Transferred, r->Speed, r->Estimated, r->Size,
           r->StartPosition, r->EndPosition, r->Position);
  kp_test_record(line);
}

/* ---- events */

KP_EVENT(OnDownloadStart) { record2("OnDownloadStart", download_name(poDownload)); }
KP_EVENT(OnDownloadPause) { record2("OnDownloadPause", download_name(poDownload)); }
KP_EVENT(OnDownloadResume) { record2("OnDownloadResume", download_name(poDownload)); }
KP_EVENT(OnDownloadRemove) { record2("OnDownloadRemove", download_name(poDownload)); }
KP_EVENT(OnDownloadSelect) {
  record2("OnDownloadSelect", download_name(poDownload));
  if (ttp_add_commands) DownloadButtonAdd(7, "Mine", "");
}
KP_EVENT(OnDownloadButton) {
  char line[64];
  snprintf(line, sizeof line, "OnDownloadButton %d", iCommand);
  record2(line, download_name(poDownload));
}
KP_EVENT(OnDownloadMenu) {
  char line[64];
  snprintf(line, sizeof line, "OnDownloadMenu %d", iCommand);
  record2(line, download_name(poDownload));
}
KP_EVENT(OnUploadPause) { record2("OnUploadPause", upload_name(poUpload)); }
KP_EVENT(OnUploadResume) { record2("OnUploadResume", upload_name(poUpload)); }
KP_EVENT(OnUploadRemove) { record2("OnUploadRemove", upload_name(poUpload)); }
