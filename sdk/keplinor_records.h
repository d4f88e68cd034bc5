/*
 * Keplinor plugin SDK: the records that plugins read and the numbers they use.
 *
 * The core shows its objects to plugins as packed little-endian records in
 * memory below 4 GiB. A handle is the address of such a record, and every
 * kp_text32 field holds the address of a NUL-terminated UTF-8 text that the
 * core owns, so a plugin reads a record directly from its handle:
 *
 *     const kp_download_record *download = kp_download_record_at(poDownload);
 *     const char *nick = kp_text(download->Nick);
 *
 * Records belong to the core. Plugins never write to them; the one exception
 * is the plugin's own block (kp_plugin_block), which the plugin fills in.
 * A record's texts live no longer than the record, and some are replaced
 * sooner (see each record): copy what you keep.
 *
 * Multi-byte fields may sit at odd addresses. Read them by value
 * (`uint32_t position = download->Position;`, `kp_guid id = service->GUID;`),
 * never through a pointer or a C++ reference to the field (a function taking
 * `const T &`, such as std::max or a test macro, binds one).
 *
 * Usable from C11 and C++.
 */
#ifndef KEPLINOR_RECORDS_H
#define KEPLINOR_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "keplinor_types.h"

#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "The plugin records are little-endian; this SDK needs a little-endian target."
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Internal: turn a 32-bit address or a void pointer into a typed pointer. */
#ifdef __cplusplus
#define KP_RECORD_AT_(type, address) reinterpret_cast<type>(static_cast<uintptr_t>(address))
#define KP_RECORD_FROM_(type, pointer) static_cast<type>(pointer)
#else
#define KP_RECORD_AT_(type, address) ((type)(uintptr_t)(address))
#define KP_RECORD_FROM_(type, pointer) ((type)(pointer))
#endif

/* Internal: pins one field of a record to its offset. */
#define KP_ASSERT_OFFSET_(type, field, offset) \
  KP_STATIC_ASSERT(offsetof(type, field) == (offset), #type "." #field " is at offset " #offset)

/* ------------------------------------------------------------------------ */
/* Sizes                                                                    */
/* ------------------------------------------------------------------------ */

/* Bytes of each record. */
#define KP_APPLICATION_BLOCK_SIZE 800
#define KP_PLUGIN_BLOCK_SIZE 3360
#define KP_SERVICE_TYPE_RECORD_SIZE 532
#define KP_SERVICE_RECORD_SIZE 1050
#define KP_SEARCH_RESULT_RECORD_SIZE 41
#define KP_DOWNLOAD_RECORD_SIZE 62
#define KP_UPLOAD_RECORD_SIZE 57
#define KP_SHARE_ACCESS_SIZE 277
#define KP_SHARED_RESULT_SIZE 35

/*
 * A text field inside a record, and a text buffer that a plugin hands to the
 * core to fill (UsersGetName, SharedGetRealPath,
 * DownloadGetSuggestedDirectory), is 256 bytes. The core writes at most
 * KP_FIXED_TEXT_MAX_LENGTH bytes and a NUL into it; longer texts are cut.
 */
#define KP_FIXED_TEXT_SIZE 256
#define KP_FIXED_TEXT_MAX_LENGTH 254

/* The application name in the application block: at most 253 bytes and a NUL. */
#define KP_APPLICATION_NAME_MAX_LENGTH 253

/* The library path and folder in the plugin block: at most 255 bytes and a NUL. */
#define KP_PLUGIN_PATH_MAX_LENGTH 255

#pragma pack(push, 1)

/* ------------------------------------------------------------------------ */
/* Application block (800 bytes)                                            */
/* ------------------------------------------------------------------------ */

/*
 * The core's block, the first argument of TPlugin_OnStartup; the same block
 * for every plugin. The core writes ApplicationName at start-up, before any
 * plugin is loaded, and zero everywhere else. Valid from TPlugin_OnStartup
 * until TPlugin_OnShutdown has returned. Plugins do not write to it.
 */
typedef struct kp_application_block {
  uint8_t Reserved0[524];
  char ApplicationName[254]; /* the program's name, NUL-terminated, rest zero */
  uint8_t Reserved1[22];
} kp_application_block;

KP_ASSERT_OFFSET_(kp_application_block, Reserved0, 0);
KP_ASSERT_OFFSET_(kp_application_block, ApplicationName, 524);
KP_ASSERT_OFFSET_(kp_application_block, Reserved1, 778);
KP_STATIC_ASSERT(sizeof(kp_application_block) == KP_APPLICATION_BLOCK_SIZE,
                 "kp_application_block is 800 bytes");

/* ------------------------------------------------------------------------ */
/* Plugin block (3360 bytes)                                                */
/* ------------------------------------------------------------------------ */

/*
 * The plugin's own block, the second argument of TPlugin_OnStartup; one per
 * loaded plugin, zero-filled when the library is loaded.
 *
 * The core writes LibraryPath and LibraryFolder before TPlugin_OnStartup.
 * The plugin fills PluginGUID, the three version numbers and DisplayName no
 * later than in TPlugin_OnStartup; the core reads them whenever it needs them
 * (finding a plugin by GUID, the About box). The version shows as VersionA,
 * ".", then VersionB and VersionC with nothing between them: 1, 0 and 5 show
 * as "1.05". Note that VersionB comes first in memory.
 *
 * PluginArea0 and PluginArea1 are the plugin's; the core never reads them.
 * The block lives until TPlugin_OnShutdown has returned.
 */
typedef struct kp_plugin_block {
  char LibraryPath[256];   /* the library's path as the core loaded it, NUL-terminated */
  char LibraryFolder[256]; /* the folder of that path with a trailing separator */
  kp_guid PluginGUID;      /* the plugin's identity */
  int32_t VersionB;        /* second number of the version */
  int32_t VersionA;        /* first number of the version */
  int32_t VersionC;        /* third number of the version */
  uint8_t PluginArea0[256];
  char DisplayName[256]; /* NUL-terminated name shown in the About box */
  uint8_t PluginArea1[2308];
} kp_plugin_block;

KP_ASSERT_OFFSET_(kp_plugin_block, LibraryPath, 0);
KP_ASSERT_OFFSET_(kp_plugin_block, LibraryFolder, 256);
KP_ASSERT_OFFSET_(kp_plugin_block, PluginGUID, 512);
KP_ASSERT_OFFSET_(kp_plugin_block, VersionB, 528);
KP_ASSERT_OFFSET_(kp_plugin_block, VersionA, 532);
KP_ASSERT_OFFSET_(kp_plugin_block, VersionC, 536);
KP_ASSERT_OFFSET_(kp_plugin_block, PluginArea0, 540);
KP_ASSERT_OFFSET_(kp_plugin_block, DisplayName, 796);
KP_ASSERT_OFFSET_(kp_plugin_block, PluginArea1, 1052);
KP_STATIC_ASSERT(sizeof(kp_plugin_block) == KP_PLUGIN_BLOCK_SIZE, "kp_plugin_block is 3360 bytes");

/* ------------------------------------------------------------------------ */
/* Service type record (532 bytes), handle poServiceType                    */
/* ------------------------------------------------------------------------ */

/*
 * One service type, at the handle that ServiceAddType returns and that
 * OnServiceWizardAdd and OnServiceWizardComplete pass. The core writes it
 * when the type is added and rewrites the whole record after every change
 * (ServiceEditType). Its texts are stored inside the record, at most 254
 * bytes and a NUL. Valid until the type is removed (ServiceRemoveType).
 */
typedef struct kp_service_type_record {
  kp_guid GUID;           /* as given to ServiceAddType */
  char Description[256];  /* the type's display name */
  char IconFileName[256]; /* the type's icon file, as the core resolved it */
  uint8_t Reserved[4];    /* always zero */
} kp_service_type_record;

KP_ASSERT_OFFSET_(kp_service_type_record, GUID, 0);
KP_ASSERT_OFFSET_(kp_service_type_record, Description, 16);
KP_ASSERT_OFFSET_(kp_service_type_record, IconFileName, 272);
KP_ASSERT_OFFSET_(kp_service_type_record, Reserved, 528);
KP_STATIC_ASSERT(sizeof(kp_service_type_record) == KP_SERVICE_TYPE_RECORD_SIZE,
                 "kp_service_type_record is 532 bytes");

/* ------------------------------------------------------------------------ */
/* Service record (1050 bytes), handle poService                            */
/* ------------------------------------------------------------------------ */

/*
 * One service, at the handle that ServiceAdd returns and that every service
 * event and every search, transfer, shared and users call carries. The core
 * rewrites the whole record after every change: ServiceEdit, ServiceSetOnline,
 * ServiceSetCheck, ServiceSetIcon, ServiceSetActive, and the user ticking the
 * service's check box. Its texts are stored inside the record, at most 254
 * bytes and a NUL. Valid until the service is removed; OnServiceWizardRemove
 * is the last moment to read it.
 */
typedef struct kp_service_record {
  kp_handle ServiceType;        /* the owning type's record (poServiceType) */
  kp_guid GUID;                 /* as given to ServiceAdd */
  uint8_t Online;               /* 1 online, 0 offline */
  uint8_t Checked;              /* 1 when the service's check box is ticked */
  char Description[256];        /* the service's display name */
  char OnlineIconFileName[256]; /* icon files, as the core resolved them */
  char OfflineIconFileName[256];
  char CurrentIconFileName[256]; /* the icon shown now */
  uint32_t Data;                 /* the plugin's own value (pData), never interpreted */
} kp_service_record;

KP_ASSERT_OFFSET_(kp_service_record, ServiceType, 0);
KP_ASSERT_OFFSET_(kp_service_record, GUID, 4);
KP_ASSERT_OFFSET_(kp_service_record, Online, 20);
KP_ASSERT_OFFSET_(kp_service_record, Checked, 21);
KP_ASSERT_OFFSET_(kp_service_record, Description, 22);
KP_ASSERT_OFFSET_(kp_service_record, OnlineIconFileName, 278);
KP_ASSERT_OFFSET_(kp_service_record, OfflineIconFileName, 534);
KP_ASSERT_OFFSET_(kp_service_record, CurrentIconFileName, 790);
KP_ASSERT_OFFSET_(kp_service_record, Data, 1046);
KP_STATIC_ASSERT(sizeof(kp_service_record) == KP_SERVICE_RECORD_SIZE, "kp_service_record is 1050 bytes");

/* ------------------------------------------------------------------------ */
/* Search result record (41 bytes), pResult                                 */
/* ------------------------------------------------------------------------ */

/*
 * One accepted search result, at the address that OnSearchResultSelect,
 * OnSearchResultButton, OnSearchResultMenu and OnSearchResultExecute pass.
 * The core writes it once, when it accepts the result, and never changes it.
 * The record and its texts stay valid while the search is open, that is
 * until OnSearchClose for its search ID.
 */
typedef struct kp_search_result_record {
  kp_handle Service;     /* the service that reported it (poService) */
  uint8_t Reserved[4];   /* always zero */
  kp_text32 Description; /* sDescription of SearchResultAdd */
  kp_text32 HashCode;    /* sHashCode */
  kp_text32 Nick;        /* sNick */
  uint32_t Size;         /* iSize as reported, read as unsigned: exact up to 4 GiB */
  int32_t Bitrate;       /* iBitrate */
  int32_t Length;        /* iLength, seconds */
  int32_t Frequency;     /* iFrequency */
  uint8_t IsMusicFile;   /* 1 or 0 */
  kp_text32 URL;         /* sURL */
} kp_search_result_record;

KP_ASSERT_OFFSET_(kp_search_result_record, Service, 0);
KP_ASSERT_OFFSET_(kp_search_result_record, Reserved, 4);
KP_ASSERT_OFFSET_(kp_search_result_record, Description, 8);
KP_ASSERT_OFFSET_(kp_search_result_record, HashCode, 12);
KP_ASSERT_OFFSET_(kp_search_result_record, Nick, 16);
KP_ASSERT_OFFSET_(kp_search_result_record, Size, 20);
KP_ASSERT_OFFSET_(kp_search_result_record, Bitrate, 24);
KP_ASSERT_OFFSET_(kp_search_result_record, Length, 28);
KP_ASSERT_OFFSET_(kp_search_result_record, Frequency, 32);
KP_ASSERT_OFFSET_(kp_search_result_record, IsMusicFile, 36);
KP_ASSERT_OFFSET_(kp_search_result_record, URL, 37);
KP_STATIC_ASSERT(sizeof(kp_search_result_record) == KP_SEARCH_RESULT_RECORD_SIZE,
                 "kp_search_result_record is 41 bytes");

/* ------------------------------------------------------------------------ */
/* Download record (62 bytes), handle poDownload                            */
/* ------------------------------------------------------------------------ */

/*
 * One download, at the handle that DownloadAdd returns and that the download
 * events pass. The core fills it when the download is added and after every
 * DownloadProgress, and at no other time: StatusType and the numbers can lag
 * behind a pause, an error, a completion or a queue change until the next
 * progress report. Fields marked "low 32 bits" hold the low half of a 64-bit
 * byte count; they are exact for files below 4 GiB.
 *
 * The record and its texts stay valid until the download is removed. The
 * core tells the plugin of a removal with OnDownloadRemove, except for a
 * download that is complete or failed: such a download can be removed
 * (cleared by the user or by a setting) without an event, so do not read it
 * after DownloadComplete or DownloadError. A text may be replaced when the
 * record is next filled: copy what you keep.
 */
typedef struct kp_download_record {
  kp_handle Service;      /* the download's service (poService) */
  uint8_t SupportPause;   /* bSupportPause of DownloadAdd, 1 or 0 */
  uint8_t SupportResume;  /* bSupportResume, 1 or 0 */
  kp_text32 ErrorText;    /* sDescription of the last DownloadError */
  kp_text32 Nick;         /* sNick */
  kp_text32 FileName;     /* sFileName; replaced by DownloadFinished */
  kp_text32 URL;          /* sURL */
  uint32_t Data;          /* the plugin's own value (pData), never interpreted */
  int32_t StatusType;     /* a KP_TRANSFER_* state */
  int32_t Progress;       /* percent complete; can leave 0..100 when positions lie outside the range */
  uint32_t Transferred;   /* bytes transferred (Position - StartPosition), low 32 bits */
  int32_t Speed;          /* bytes per second, averaged since the download was added */
  uint32_t Estimated;     /* estimated seconds remaining, low 32 bits */
  uint32_t Size;          /* bytes of the range (EndPosition - StartPosition), low 32 bits */
  uint32_t StartPosition; /* low 32 bits */
  uint32_t EndPosition;   /* low 32 bits */
  uint32_t Position;      /* low 32 bits */
} kp_download_record;

KP_ASSERT_OFFSET_(kp_download_record, Service, 0);
KP_ASSERT_OFFSET_(kp_download_record, SupportPause, 4);
KP_ASSERT_OFFSET_(kp_download_record, SupportResume, 5);
KP_ASSERT_OFFSET_(kp_download_record, ErrorText, 6);
KP_ASSERT_OFFSET_(kp_download_record, Nick, 10);
KP_ASSERT_OFFSET_(kp_download_record, FileName, 14);
KP_ASSERT_OFFSET_(kp_download_record, URL, 18);
KP_ASSERT_OFFSET_(kp_download_record, Data, 22);
KP_ASSERT_OFFSET_(kp_download_record, StatusType, 26);
KP_ASSERT_OFFSET_(kp_download_record, Progress, 30);
KP_ASSERT_OFFSET_(kp_download_record, Transferred, 34);
KP_ASSERT_OFFSET_(kp_download_record, Speed, 38);
KP_ASSERT_OFFSET_(kp_download_record, Estimated, 42);
KP_ASSERT_OFFSET_(kp_download_record, Size, 46);
KP_ASSERT_OFFSET_(kp_download_record, StartPosition, 50);
KP_ASSERT_OFFSET_(kp_download_record, EndPosition, 54);
KP_ASSERT_OFFSET_(kp_download_record, Position, 58);
KP_STATIC_ASSERT(sizeof(kp_download_record) == KP_DOWNLOAD_RECORD_SIZE, "kp_download_record is 62 bytes");

/* ------------------------------------------------------------------------ */
/* Upload record (57 bytes), handle poUpload                                */
/* ------------------------------------------------------------------------ */

/*
 * One upload, at the handle that UploadAdd returns and that the upload events
 * pass. Like the download record without URL and SupportResume: the core
 * fills it when the upload is added and after every UploadProgress, and at
 * no other time, so StatusType lags too (ask UploadGetStatus whether a
 * queued upload has been given a slot). Until the first UploadProgress the
 * positions and the size are 0.
 *
 * The record and its texts stay valid until the upload is removed; as for
 * downloads, a complete or failed upload can be removed without
 * OnUploadRemove. Copy the texts you keep.
 */
typedef struct kp_upload_record {
  kp_handle Service;      /* the upload's service (poService) */
  uint8_t SupportPause;   /* bSupportPause of UploadAdd, 1 or 0 */
  kp_text32 ErrorText;    /* sDescription of the last UploadError */
  kp_text32 Nick;         /* sNick */
  kp_text32 FileName;     /* sFileName */
  uint32_t Data;          /* the plugin's own value (pData), never interpreted */
  int32_t StatusType;     /* a KP_TRANSFER_* state; never KP_TRANSFER_REMOTELY_QUEUED */
  int32_t Progress;       /* percent complete */
  uint32_t Transferred;   /* bytes transferred, low 32 bits */
  int32_t Speed;          /* bytes per second, averaged since the upload was added */
  uint32_t Estimated;     /* estimated seconds remaining, low 32 bits */
  uint32_t Size;          /* bytes of the range, low 32 bits */
  uint32_t StartPosition; /* low 32 bits */
  uint32_t EndPosition;   /* low 32 bits */
  uint32_t Position;      /* low 32 bits */
} kp_upload_record;

KP_ASSERT_OFFSET_(kp_upload_record, Service, 0);
KP_ASSERT_OFFSET_(kp_upload_record, SupportPause, 4);
KP_ASSERT_OFFSET_(kp_upload_record, ErrorText, 5);
KP_ASSERT_OFFSET_(kp_upload_record, Nick, 9);
KP_ASSERT_OFFSET_(kp_upload_record, FileName, 13);
KP_ASSERT_OFFSET_(kp_upload_record, Data, 17);
KP_ASSERT_OFFSET_(kp_upload_record, StatusType, 21);
KP_ASSERT_OFFSET_(kp_upload_record, Progress, 25);
KP_ASSERT_OFFSET_(kp_upload_record, Transferred, 29);
KP_ASSERT_OFFSET_(kp_upload_record, Speed, 33);
KP_ASSERT_OFFSET_(kp_upload_record, Estimated, 37);
KP_ASSERT_OFFSET_(kp_upload_record, Size, 41);
KP_ASSERT_OFFSET_(kp_upload_record, StartPosition, 45);
KP_ASSERT_OFFSET_(kp_upload_record, EndPosition, 49);
KP_ASSERT_OFFSET_(kp_upload_record, Position, 53);
KP_STATIC_ASSERT(sizeof(kp_upload_record) == KP_UPLOAD_RECORD_SIZE, "kp_upload_record is 57 bytes");

/* ------------------------------------------------------------------------ */
/* Share access record (277 bytes)                                          */
/* ------------------------------------------------------------------------ */

/*
 * The rights of one service, or of one user of a service, on a shared item.
 * The core fills one for every access check that a Shared function makes,
 * and keeps the user's access settings in this layout, in memory and on disk
 * (SharedAccess.dat). Flags are 1 or 0. Reading needs no flag: every granted
 * access allows it. Only the core writes these records; one that the core
 * shows lives as long as the access check or the access setting it belongs to.
 */
typedef struct kp_share_access {
  kp_guid ServiceID;               /* GUID of the service the entry applies to */
  char UserName[256];              /* NUL-terminated; empty means every user of that service */
  uint8_t IncludeInSearchRequests; /* contents may be offered in answers to searches */
  uint8_t AllowWrite;
  uint8_t AllowDelete; /* files may be deleted */
  uint8_t AllowCreateDirectory;
  uint8_t AllowRemoveDirectory;
} kp_share_access;

KP_ASSERT_OFFSET_(kp_share_access, ServiceID, 0);
KP_ASSERT_OFFSET_(kp_share_access, UserName, 16);
KP_ASSERT_OFFSET_(kp_share_access, IncludeInSearchRequests, 272);
KP_ASSERT_OFFSET_(kp_share_access, AllowWrite, 273);
KP_ASSERT_OFFSET_(kp_share_access, AllowDelete, 274);
KP_ASSERT_OFFSET_(kp_share_access, AllowCreateDirectory, 275);
KP_ASSERT_OFFSET_(kp_share_access, AllowRemoveDirectory, 276);
KP_STATIC_ASSERT(sizeof(kp_share_access) == KP_SHARE_ACCESS_SIZE, "kp_share_access is 277 bytes");

/* ------------------------------------------------------------------------ */
/* Shared result (35 bytes)                                                 */
/* ------------------------------------------------------------------------ */

/*
 * One entry of the shared namespace: a shared file or folder, or a file or
 * directory below a shared folder. The core writes it; plugins read it.
 *
 * - In OnSharedAdd, OnSharedRemove, OnSharedSelect, OnSharedButton and
 *   OnSharedMenu the record is valid for the duration of the event.
 * - SharedStartDirectory returns a record of the plugin's browse. Each
 *   SharedGetNextResult that answers true rewrites it with the next entry;
 *   the texts it points to stay valid until the next SharedGetNextResult or
 *   SharedEndDirectory, and the record itself until SharedEndDirectory,
 *   which frees it. Every browse must end with SharedEndDirectory.
 *
 * Copy the texts you keep.
 */
typedef struct kp_shared_result {
  kp_text32 sName;                  /* the entry's name */
  kp_text32 sVirtualPath;           /* "/" + shared item + further names joined by "/" */
  kp_text32 sRealPath;              /* the path on disk */
  int32_t iSize;                    /* file size in bytes (32 bits); 0 for directories */
  int32_t iBitrate;                 /* kbit/s; MP3 files only, else 0 */
  int32_t iLength;                  /* whole seconds; MP3 files only, else 0 */
  int32_t iFrequency;               /* sample rate in Hz; MP3 files only, else 0 */
  uint8_t bMP3;                     /* 1 when the three audio fields are valid */
  uint8_t bIncludeInSearchRequests; /* the user's right to offer the folder in search answers;
                                       set by SharedStartDirectory only */
  uint8_t bDirectory;               /* 1 for a directory */
  kp_handle poResults;              /* the core's browse cursor; leave it alone */
} kp_shared_result;

KP_ASSERT_OFFSET_(kp_shared_result, sName, 0);
KP_ASSERT_OFFSET_(kp_shared_result, sVirtualPath, 4);
KP_ASSERT_OFFSET_(kp_shared_result, sRealPath, 8);
KP_ASSERT_OFFSET_(kp_shared_result, iSize, 12);
KP_ASSERT_OFFSET_(kp_shared_result, iBitrate, 16);
KP_ASSERT_OFFSET_(kp_shared_result, iLength, 20);
KP_ASSERT_OFFSET_(kp_shared_result, iFrequency, 24);
KP_ASSERT_OFFSET_(kp_shared_result, bMP3, 28);
KP_ASSERT_OFFSET_(kp_shared_result, bIncludeInSearchRequests, 29);
KP_ASSERT_OFFSET_(kp_shared_result, bDirectory, 30);
KP_ASSERT_OFFSET_(kp_shared_result, poResults, 31);
KP_STATIC_ASSERT(sizeof(kp_shared_result) == KP_SHARED_RESULT_SIZE, "kp_shared_result is 35 bytes");

#pragma pack(pop)

/* ------------------------------------------------------------------------ */
/* Reading records                                                          */
/* ------------------------------------------------------------------------ */

/* The text at a kp_text32 field; "" for 0. */
static inline const char* kp_text(kp_text32 text) { return text ? KP_RECORD_AT_(const char*, text) : ""; }

/* The blocks that TPlugin_OnStartup receives. */
static inline const kp_application_block* kp_application_block_from(const void* applicationBlock) {
  return KP_RECORD_FROM_(const kp_application_block*, applicationBlock);
}
static inline kp_plugin_block* kp_plugin_block_from(void* pluginBlock) {
  return KP_RECORD_FROM_(kp_plugin_block*, pluginBlock);
}

/* The record at a handle. A handle of 0 gives a null pointer. */
static inline const kp_service_type_record* kp_service_type_record_at(kp_handle poServiceType) {
  return KP_RECORD_AT_(const kp_service_type_record*, poServiceType);
}
static inline const kp_service_record* kp_service_record_at(kp_handle poService) {
  return KP_RECORD_AT_(const kp_service_record*, poService);
}
static inline const kp_search_result_record* kp_search_result_record_at(kp_handle pResult) {
  return KP_RECORD_AT_(const kp_search_result_record*, pResult);
}
static inline const kp_download_record* kp_download_record_at(kp_handle poDownload) {
  return KP_RECORD_AT_(const kp_download_record*, poDownload);
}
static inline const kp_upload_record* kp_upload_record_at(kp_handle poUpload) {
  return KP_RECORD_AT_(const kp_upload_record*, poUpload);
}
static inline const kp_share_access* kp_share_access_at(kp_handle poAccess) {
  return KP_RECORD_AT_(const kp_share_access*, poAccess);
}
static inline const kp_shared_result* kp_shared_result_at(kp_handle pResult) {
  return KP_RECORD_AT_(const kp_shared_result*, pResult);
}

/* ------------------------------------------------------------------------ */
/* Numbers                                                                  */
/* ------------------------------------------------------------------------ */

/*
 * State of a download or an upload: the StatusType of kp_download_record
 * and kp_upload_record.
 */
enum kp_transfer_state {
  KP_TRANSFER_COMPLETE = 0,       /* the plugin reported completion */
  KP_TRANSFER_STARTING = 1,       /* admitted to a slot; no progress reported yet */
  KP_TRANSFER_TRANSFERRING = 2,   /* the plugin has reported progress */
  KP_TRANSFER_QUEUED = 3,         /* waiting in the core's own queue for a slot */
  KP_TRANSFER_PAUSED = 4,         /* paused by the user; keeps its slot */
  KP_TRANSFER_FAILED = 5,         /* the plugin reported an error */
  KP_TRANSFER_REMOTELY_QUEUED = 6 /* downloads only: the remote side has queued it (DownloadQueued) */
};

/*
 * Results of the Shared functions. SharedCheckReadAccess and
 * SharedCheckWriteAccess answer KP_SHARED_OK or KP_SHARED_REFUSED.
 */
enum kp_shared_result_code {
  KP_SHARED_OK = 0,
  KP_SHARED_REFUSED = -1,       /* access refused, right missing, or the system refused the operation */
  KP_SHARED_NOT_FOUND = -2,     /* the path names no existing entry of the required kind */
  KP_SHARED_REMOVE_FAILED = -3, /* SharedRemoveDirectory: the directory could not be removed */
  KP_SHARED_ALREADY_EXISTS = -4 /* SharedCreateDirectory: the directory exists already */
};

/* "iSection" of ApplicationSectionActivate; other numbers do nothing. */
enum kp_section {
  KP_SECTION_WEB = 1, /* the web start page */
  KP_SECTION_SERVICES = 2,
  KP_SECTION_UPLOADS = 3,
  KP_SECTION_SHARED = 4, /* shared files */
  KP_SECTION_DOWNLOADS = 5,
  KP_SECTION_SEARCH_RESULTS = 6 /* only while a search is open */
};

/* Result of ApplicationGetFirewallStatus. */
enum kp_firewall_status {
  KP_FIREWALL_OPEN = 0,       /* the port check passed: incoming connections reach this computer */
  KP_FIREWALL_BLOCKED = 1,    /* the port check failed */
  KP_FIREWALL_NOT_CHECKED = 3 /* no port check was made */
};

/*
 * "iStatus" of ServiceShowWizardPanel and SetupShowWizardPanel: which page
 * of the plugin's sequence the window is. It decides Back, Next and the
 * Finish caption. Other numbers change nothing.
 */
enum kp_wizard_status {
  KP_WIZARD_PAGE_MIDDLE = 1,
  KP_WIZARD_PAGE_FIRST = 2,
  KP_WIZARD_PAGE_LAST = 3,
  KP_WIZARD_PAGE_ONLY = 4,
  KP_WIZARD_BUSY = 5 /* Back and Next disabled until the next status; the window is not taken */
};

/*
 * Direction passed to OnServiceWizardChange (6 or 7) and OnSetupWizardChange
 * (6 to 9).
 */
enum kp_wizard_direction {
  KP_WIZARD_NEXT = 6,        /* show your next page */
  KP_WIZARD_BACK = 7,        /* show your previous page */
  KP_WIZARD_ENTER_FIRST = 8, /* setup wizard: your pages are entered from before; show the first */
  KP_WIZARD_ENTER_LAST = 9   /* setup wizard: your pages are entered from after; show the last */
};

/*
 * The byte whose address OnApplicationExit, OnSetupWizardValidate,
 * OnSetupApply and OnServiceWizardComplete pass holds KP_ANSWER_YES on
 * entry; write KP_ANSWER_NO to refuse.
 */
enum kp_answer { KP_ANSWER_NO = 0, KP_ANSWER_YES = 1 };

/* Result of UploadGetStatus. */
enum kp_upload_status {
  KP_UPLOAD_NOT_QUEUED = 0, /* holds a slot, or is finished */
  KP_UPLOAD_QUEUED = -1,    /* waiting in the core's upload queue */
  KP_UPLOAD_UNKNOWN = -2    /* the handle names no upload */
};

/*
 * "iStatusType" of UploadGetQueueStatus. DownloadGetQueueStatus takes the
 * same numbers.
 */
enum kp_queue_status_type {
  KP_QUEUE_STATUS_POSITION = -1, /* the transfer's 0-based place in the queue, -1 when not queued */
  KP_QUEUE_STATUS_LENGTH = 0     /* the number of queued transfers (any value but -1 asks this) */
};

/* "iDirectoryType" of DownloadGetSuggestedDirectory; other numbers leave the buffer alone. */
enum kp_directory_type {
  KP_DIRECTORY_TEMPORARY = -1, /* where unfinished downloads go */
  KP_DIRECTORY_COMPLETED = -2  /* where finished downloads go; shared by the core */
};

/* Search IDs run 0, 1, ... KP_SEARCH_ID_MAX and then start again at 0. */
#define KP_SEARCH_ID_MAX 65000

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KEPLINOR_RECORDS_H */
