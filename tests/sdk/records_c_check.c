/*
 * The plugin SDK headers as a C11 plugin sees them. Compiled with
 * -std=c11 -Wall -Wextra -Werror -pedantic: the headers' own static asserts
 * pin every offset and size, and the code below uses the records the way a
 * plugin written in C does, so any warning that C compilers raise for that
 * use fails the build.
 */
#include "keplinor_records.h"
#include "keplinor_types.h" /* first, alone: it must stand on its own */

#include <string.h>

/* Packing must not leave any record with an alignment requirement. */
KP_STATIC_ASSERT(_Alignof(kp_download_record) == 1, "records are byte-aligned");
KP_STATIC_ASSERT(_Alignof(kp_shared_result) == 1, "records are byte-aligned");
KP_STATIC_ASSERT(_Alignof(kp_service_record) == 1, "records are byte-aligned");

/* The numbers are usable where C wants integer constant expressions. */
#if KP_FIXED_TEXT_SIZE != 256 || KP_SEARCH_ID_MAX != 65000
#error "the SDK's sizes are preprocessor constants"
#endif

int kp_c_check_describe_download(kp_handle poDownload, char* buffer, size_t size);

/* What a C plugin writes: follow a handle, read texts, numbers and the service. */
int kp_c_check_describe_download(kp_handle poDownload, char* buffer, size_t size) {
  const kp_download_record* download = kp_download_record_at(poDownload);
  const kp_service_record* service;
  kp_guid guid;
  const char* nick;
  if (!download || size == 0) return -1;
  service = kp_service_record_at(download->Service);
  guid = service->GUID;
  nick = kp_text(download->Nick);
  strncpy(buffer, nick, size - 1);
  buffer[size - 1] = '\0';
  switch (download->StatusType) {
    case KP_TRANSFER_QUEUED:
    case KP_TRANSFER_REMOTELY_QUEUED:
      return (int)guid.Data1 & 1;
    case KP_TRANSFER_COMPLETE:
      return download->Position == download->EndPosition;
    default:
      return service->Online && download->Progress >= 0;
  }
}
