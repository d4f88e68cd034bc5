/* The plugin contract's functions and events, with their exact C types.
 * Written from the core's tables by the build; do not edit by hand.
 * Regenerate with: cmake --build <build folder> --target update_sdk_header */
#ifndef KEPLINOR_API_H
#define KEPLINOR_API_H

#include "keplinor_export.h"
#include "keplinor_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The two functions every plugin exports (define them with KP_STARTUP and
 * KP_SHUTDOWN). The core calls TPlugin_OnStartup once its API variables are
 * filled, and TPlugin_OnShutdown before it releases the library. */
KP_EXPORT void TPlugin_OnStartup(void *applicationBlock, void *pluginBlock);
KP_EXPORT void TPlugin_OnShutdown(void);

/* API functions, in the order the core binds them. A plugin that wants to call
 * one defines its variable with KP_IMPORT(Name); the core fills it before
 * TPlugin_OnStartup. "main thread" functions are carried to the core's main
 * thread and the calling thread waits; "posted" ones are carried there too
 * but answer 0 at once, in order with the thread's other main-thread calls;
 * "calling thread" ones run where they are called. */

/* ---- Application */
/* 1. ApplicationMenuAdd (main thread) */
typedef kp_handle (*kp_ApplicationMenuAdd_fn)(int32_t iCommand, kp_handle poParentMenu, const char *sDescription, const char *sIconFileName, kp_bool bIsPopup);
extern KP_EXPORT kp_ApplicationMenuAdd_fn ApplicationMenuAdd;
/* 2. ApplicationMenuEdit (main thread) */
typedef void (*kp_ApplicationMenuEdit_fn)(kp_handle poMenu, int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_ApplicationMenuEdit_fn ApplicationMenuEdit;
/* 3. ApplicationMenuRemove (main thread) */
typedef int32_t (*kp_ApplicationMenuRemove_fn)(kp_handle poMenu);
extern KP_EXPORT kp_ApplicationMenuRemove_fn ApplicationMenuRemove;
/* 4. ApplicationButtonAdd (main thread) */
typedef kp_handle (*kp_ApplicationButtonAdd_fn)(int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_ApplicationButtonAdd_fn ApplicationButtonAdd;
/* 5. ApplicationButtonEdit (main thread) */
typedef void (*kp_ApplicationButtonEdit_fn)(kp_handle poButton, int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_ApplicationButtonEdit_fn ApplicationButtonEdit;
/* 6. ApplicationButtonRemove (main thread) */
typedef int32_t (*kp_ApplicationButtonRemove_fn)(kp_handle poButton);
extern KP_EXPORT kp_ApplicationButtonRemove_fn ApplicationButtonRemove;
/* 7. ApplicationTabAdd (main thread) */
typedef kp_handle (*kp_ApplicationTabAdd_fn)(const char *sDescription, kp_window sWindowHandle);
extern KP_EXPORT kp_ApplicationTabAdd_fn ApplicationTabAdd;
/* 8. ApplicationTabEdit (main thread) */
typedef void (*kp_ApplicationTabEdit_fn)(kp_handle poTab, const char *sDescription, kp_window sWindowHandle);
extern KP_EXPORT kp_ApplicationTabEdit_fn ApplicationTabEdit;
/* 9. ApplicationTabRemove (main thread) */
typedef int32_t (*kp_ApplicationTabRemove_fn)(kp_handle poTab);
extern KP_EXPORT kp_ApplicationTabRemove_fn ApplicationTabRemove;
/* 10. ApplicationTabActivate (main thread) */
typedef int32_t (*kp_ApplicationTabActivate_fn)(kp_handle poTab);
extern KP_EXPORT kp_ApplicationTabActivate_fn ApplicationTabActivate;
/* 11. ApplicationSectionActivate (main thread) */
typedef int32_t (*kp_ApplicationSectionActivate_fn)(int32_t iSection);
extern KP_EXPORT kp_ApplicationSectionActivate_fn ApplicationSectionActivate;
/* 12. ApplicationHide (main thread) */
typedef int32_t (*kp_ApplicationHide_fn)(void);
extern KP_EXPORT kp_ApplicationHide_fn ApplicationHide;
/* 13. ApplicationExit (main thread) */
typedef int32_t (*kp_ApplicationExit_fn)(void);
extern KP_EXPORT kp_ApplicationExit_fn ApplicationExit;
/* 14. ApplicationShow (main thread) */
typedef int32_t (*kp_ApplicationShow_fn)(void);
extern KP_EXPORT kp_ApplicationShow_fn ApplicationShow;
/* 15. ApplicationNotificationIconAdd (main thread) */
typedef kp_handle (*kp_ApplicationNotificationIconAdd_fn)(const char *sIconFileName);
extern KP_EXPORT kp_ApplicationNotificationIconAdd_fn ApplicationNotificationIconAdd;
/* 16. ApplicationNotificationIconEdit (main thread) */
typedef void (*kp_ApplicationNotificationIconEdit_fn)(kp_handle poNotificationIcon, const char *sIconFileName);
extern KP_EXPORT kp_ApplicationNotificationIconEdit_fn ApplicationNotificationIconEdit;
/* 17. ApplicationNotificationIconRemove (main thread) */
typedef int32_t (*kp_ApplicationNotificationIconRemove_fn)(kp_handle poNotificationIcon);
extern KP_EXPORT kp_ApplicationNotificationIconRemove_fn ApplicationNotificationIconRemove;
/* 18. ApplicationRegisterURL (main thread) */
typedef int32_t (*kp_ApplicationRegisterURL_fn)(const char *sName);
extern KP_EXPORT kp_ApplicationRegisterURL_fn ApplicationRegisterURL;
/* 19. ApplicationUnRegisterURL (main thread) */
typedef void (*kp_ApplicationUnRegisterURL_fn)(const char *sName);
extern KP_EXPORT kp_ApplicationUnRegisterURL_fn ApplicationUnRegisterURL;
/* 20. ApplicationGetFirewallStatus (main thread) */
typedef int32_t (*kp_ApplicationGetFirewallStatus_fn)(void);
extern KP_EXPORT kp_ApplicationGetFirewallStatus_fn ApplicationGetFirewallStatus;

/* ---- Setup */
/* 21. SetupStartWizard (main thread) */
typedef int32_t (*kp_SetupStartWizard_fn)(void);
extern KP_EXPORT kp_SetupStartWizard_fn SetupStartWizard;
/* 22. SetupShowWizardPanel (main thread) */
typedef int32_t (*kp_SetupShowWizardPanel_fn)(kp_window sWindowHandle, int32_t iStatus);
extern KP_EXPORT kp_SetupShowWizardPanel_fn SetupShowWizardPanel;
/* 23. SetupTabAdd (main thread) */
typedef kp_handle (*kp_SetupTabAdd_fn)(const char *sDescription, kp_window sWindowHandle);
extern KP_EXPORT kp_SetupTabAdd_fn SetupTabAdd;
/* 24. SetupTabEdit (main thread) */
typedef void (*kp_SetupTabEdit_fn)(kp_handle poTab, const char *sDescription, kp_window sWindowHandle);
extern KP_EXPORT kp_SetupTabEdit_fn SetupTabEdit;
/* 25. SetupTabRemove (main thread) */
typedef int32_t (*kp_SetupTabRemove_fn)(kp_handle poTab);
extern KP_EXPORT kp_SetupTabRemove_fn SetupTabRemove;
/* 26. SetupTabActivate (main thread) */
typedef int32_t (*kp_SetupTabActivate_fn)(kp_handle poTab);
extern KP_EXPORT kp_SetupTabActivate_fn SetupTabActivate;

/* ---- Service */
/* 27. ServiceAddType (main thread) */
typedef kp_handle (*kp_ServiceAddType_fn)(const char *sDescription, const char *sIconFileName, kp_guid sGUID);
extern KP_EXPORT kp_ServiceAddType_fn ServiceAddType;
/* 28. ServiceEditType (main thread) */
typedef void (*kp_ServiceEditType_fn)(kp_handle poServiceType, const char *sDescription);
extern KP_EXPORT kp_ServiceEditType_fn ServiceEditType;
/* 29. ServiceRemoveType (main thread) */
typedef int32_t (*kp_ServiceRemoveType_fn)(kp_handle poServiceType);
extern KP_EXPORT kp_ServiceRemoveType_fn ServiceRemoveType;
/* 30. ServiceAdd (main thread) */
typedef kp_handle (*kp_ServiceAdd_fn)(kp_handle poServiceType, const char *sDescription, const char *sOnlineIconFileName, const char *sOfflineIconFileName, uint32_t pData, kp_guid sGUID);
extern KP_EXPORT kp_ServiceAdd_fn ServiceAdd;
/* 31. ServiceEdit (main thread) */
typedef void (*kp_ServiceEdit_fn)(kp_handle poService, const char *sDescription, const char *sOnlineIconFileName, const char *sOfflineIconFileName, uint32_t pData);
extern KP_EXPORT kp_ServiceEdit_fn ServiceEdit;
/* 32. ServiceRemove (main thread) */
typedef int32_t (*kp_ServiceRemove_fn)(kp_handle poService);
extern KP_EXPORT kp_ServiceRemove_fn ServiceRemove;
/* 33. ServiceShowWizardPanel (main thread) */
typedef int32_t (*kp_ServiceShowWizardPanel_fn)(kp_window sHWND, int32_t iStatus, kp_bool bAllowBack);
extern KP_EXPORT kp_ServiceShowWizardPanel_fn ServiceShowWizardPanel;
/* 34. ServiceShowMainPanel (main thread) */
typedef int32_t (*kp_ServiceShowMainPanel_fn)(kp_window sHWND);
extern KP_EXPORT kp_ServiceShowMainPanel_fn ServiceShowMainPanel;
/* 35. ServiceSetOnline (main thread) */
typedef int32_t (*kp_ServiceSetOnline_fn)(kp_handle poService, kp_bool bValue);
extern KP_EXPORT kp_ServiceSetOnline_fn ServiceSetOnline;
/* 36. ServiceSetCheck (main thread) */
typedef int32_t (*kp_ServiceSetCheck_fn)(kp_handle poService, kp_bool bValue);
extern KP_EXPORT kp_ServiceSetCheck_fn ServiceSetCheck;
/* 37. ServiceSetIcon (main thread) */
typedef void (*kp_ServiceSetIcon_fn)(kp_handle poService, const char *sIconFileName);
extern KP_EXPORT kp_ServiceSetIcon_fn ServiceSetIcon;
/* 38. ServiceSetActive (main thread) */
typedef int32_t (*kp_ServiceSetActive_fn)(kp_handle poService);
extern KP_EXPORT kp_ServiceSetActive_fn ServiceSetActive;

/* ---- URL */
/* 39. URLRegister (main thread) */
typedef int32_t (*kp_URLRegister_fn)(const char *sURL);
extern KP_EXPORT kp_URLRegister_fn URLRegister;
/* 40. URLUnRegister (main thread) */
typedef void (*kp_URLUnRegister_fn)(const char *sURL);
extern KP_EXPORT kp_URLUnRegister_fn URLUnRegister;

/* ---- Search */
/* 41. SearchResultAdd (main thread, posted) */
typedef int32_t (*kp_SearchResultAdd_fn)(kp_handle poService, int32_t iSearchID, const char *sDescription, const char *sHashCode, const char *sNick, int32_t iSize, int32_t iBitrate, int32_t iLength, int32_t iFrequency, kp_bool bIsMusicFile, const char *sIconFileName, const char *sInfo, const char *sURL);
extern KP_EXPORT kp_SearchResultAdd_fn SearchResultAdd;
/* 42. SearchResultButtonAdd (calling thread) */
typedef void (*kp_SearchResultButtonAdd_fn)(int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_SearchResultButtonAdd_fn SearchResultButtonAdd;
/* 43. SearchResultMenuAdd (calling thread) */
typedef kp_handle (*kp_SearchResultMenuAdd_fn)(int32_t iCommand, kp_handle poParentMenu, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_SearchResultMenuAdd_fn SearchResultMenuAdd;
/* 44. SearchComplete (main thread, posted) */
typedef int32_t (*kp_SearchComplete_fn)(kp_handle poService, int32_t iSearchID);
extern KP_EXPORT kp_SearchComplete_fn SearchComplete;

/* ---- Upload */
/* 45. UploadAdd (main thread) */
typedef kp_handle (*kp_UploadAdd_fn)(kp_handle poService, const char *sNick, const char *sFileName, kp_bool bAllowQueue, kp_bool bSupportPause, uint32_t pData);
extern KP_EXPORT kp_UploadAdd_fn UploadAdd;
/* 46. UploadButtonAdd (main thread) */
typedef void (*kp_UploadButtonAdd_fn)(int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_UploadButtonAdd_fn UploadButtonAdd;
/* 47. UploadMenuAdd (main thread) */
typedef kp_handle (*kp_UploadMenuAdd_fn)(int32_t iCommand, kp_handle poParentMenu, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_UploadMenuAdd_fn UploadMenuAdd;
/* 48. UploadGetStatus (main thread) */
typedef int32_t (*kp_UploadGetStatus_fn)(kp_handle poUpload);
extern KP_EXPORT kp_UploadGetStatus_fn UploadGetStatus;
/* 49. UploadGetQueueStatus (main thread) */
typedef int32_t (*kp_UploadGetQueueStatus_fn)(kp_handle poUpload, int32_t iStatusType);
extern KP_EXPORT kp_UploadGetQueueStatus_fn UploadGetQueueStatus;
/* 50. UploadError (main thread, posted) */
typedef void (*kp_UploadError_fn)(kp_handle poUpload, const char *sDescription);
extern KP_EXPORT kp_UploadError_fn UploadError;
/* 51. UploadGetSuggestedBandwidth (main thread) */
typedef int32_t (*kp_UploadGetSuggestedBandwidth_fn)(kp_handle poUpload);
extern KP_EXPORT kp_UploadGetSuggestedBandwidth_fn UploadGetSuggestedBandwidth;
/* 52. UploadGetSuggestedTimeout (main thread) */
typedef int32_t (*kp_UploadGetSuggestedTimeout_fn)(kp_handle poUpload);
extern KP_EXPORT kp_UploadGetSuggestedTimeout_fn UploadGetSuggestedTimeout;
/* 53. UploadComplete (main thread, posted) */
typedef int32_t (*kp_UploadComplete_fn)(kp_handle poUpload);
extern KP_EXPORT kp_UploadComplete_fn UploadComplete;
/* 54. UploadProgress (main thread, posted) */
typedef int32_t (*kp_UploadProgress_fn)(kp_handle poUpload, int64_t iStartPosition, int64_t iEndPosition, int64_t iPosition);
extern KP_EXPORT kp_UploadProgress_fn UploadProgress;

/* ---- Download */
/* 55. DownloadGroupAdd (main thread) */
typedef kp_handle (*kp_DownloadGroupAdd_fn)(kp_handle poRoot, kp_handle poService, const char *sDescription, const char *sStatusInfo, const char *sIconFileName);
extern KP_EXPORT kp_DownloadGroupAdd_fn DownloadGroupAdd;
/* 56. DownloadGroupEdit (main thread, posted) */
typedef void (*kp_DownloadGroupEdit_fn)(kp_handle poGroup, const char *sDescription, const char *sStatusInfo, const char *sIconFileName);
extern KP_EXPORT kp_DownloadGroupEdit_fn DownloadGroupEdit;
/* 57. DownloadCustomInfo (main thread, posted) */
typedef void (*kp_DownloadCustomInfo_fn)(kp_handle poDownload, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_DownloadCustomInfo_fn DownloadCustomInfo;
/* 58. DownloadGetSuggestedDirectory (main thread) */
typedef int32_t (*kp_DownloadGetSuggestedDirectory_fn)(kp_handle poDownload, int32_t iDirectoryType, char *sDirectory);
extern KP_EXPORT kp_DownloadGetSuggestedDirectory_fn DownloadGetSuggestedDirectory;
/* 59. DownloadQueued (main thread, posted) */
typedef int32_t (*kp_DownloadQueued_fn)(kp_handle poDownload, int32_t iQueuePosition, int32_t iQueueSize);
extern KP_EXPORT kp_DownloadQueued_fn DownloadQueued;
/* 60. DownloadAdd (main thread) */
typedef kp_handle (*kp_DownloadAdd_fn)(kp_handle poGroup, kp_handle poService, const char *sNick, const char *sFileName, kp_bool bSupportResume, kp_bool bSupportPause, int64_t iSize, const char *sURL, uint32_t pData);
extern KP_EXPORT kp_DownloadAdd_fn DownloadAdd;
/* 61. DownloadButtonAdd (main thread) */
typedef void (*kp_DownloadButtonAdd_fn)(int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_DownloadButtonAdd_fn DownloadButtonAdd;
/* 62. DownloadMenuAdd (main thread) */
typedef kp_handle (*kp_DownloadMenuAdd_fn)(int32_t iCommand, kp_handle poParentMenu, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_DownloadMenuAdd_fn DownloadMenuAdd;
/* 63. DownloadGetStatus (main thread) */
typedef int32_t (*kp_DownloadGetStatus_fn)(kp_handle poDownload);
extern KP_EXPORT kp_DownloadGetStatus_fn DownloadGetStatus;
/* 64. DownloadGetQueueStatus (main thread) */
typedef int32_t (*kp_DownloadGetQueueStatus_fn)(kp_handle poDownload, int32_t iStatusType);
extern KP_EXPORT kp_DownloadGetQueueStatus_fn DownloadGetQueueStatus;
/* 65. DownloadError (main thread, posted) */
typedef void (*kp_DownloadError_fn)(kp_handle poDownload, const char *sDescription);
extern KP_EXPORT kp_DownloadError_fn DownloadError;
/* 66. DownloadGetSuggestedBandwidth (main thread) */
typedef int32_t (*kp_DownloadGetSuggestedBandwidth_fn)(kp_handle poDownload);
extern KP_EXPORT kp_DownloadGetSuggestedBandwidth_fn DownloadGetSuggestedBandwidth;
/* 67. DownloadGetSuggestedTimeout (main thread) */
typedef int32_t (*kp_DownloadGetSuggestedTimeout_fn)(kp_handle poDownload);
extern KP_EXPORT kp_DownloadGetSuggestedTimeout_fn DownloadGetSuggestedTimeout;
/* 68. DownloadComplete (main thread, posted) */
typedef int32_t (*kp_DownloadComplete_fn)(kp_handle poDownload);
extern KP_EXPORT kp_DownloadComplete_fn DownloadComplete;
/* 69. DownloadProgress (main thread, posted) */
typedef int32_t (*kp_DownloadProgress_fn)(kp_handle poDownload, int64_t iStartPosition, int64_t iEndPosition, int64_t iPosition);
extern KP_EXPORT kp_DownloadProgress_fn DownloadProgress;
/* 70. DownloadFinished (main thread, posted) */
typedef void (*kp_DownloadFinished_fn)(kp_handle poDownload, const char *sFileName);
extern KP_EXPORT kp_DownloadFinished_fn DownloadFinished;

/* ---- Shared */
/* 71. SharedButtonAdd (main thread) */
typedef void (*kp_SharedButtonAdd_fn)(int32_t iCommand, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_SharedButtonAdd_fn SharedButtonAdd;
/* 72. SharedMenuAdd (main thread) */
typedef kp_handle (*kp_SharedMenuAdd_fn)(int32_t iCommand, kp_handle poMenu, const char *sDescription, const char *sIconFileName);
extern KP_EXPORT kp_SharedMenuAdd_fn SharedMenuAdd;
/* 73. SharedGetNextResult (calling thread) */
typedef int32_t (*kp_SharedGetNextResult_fn)(kp_handle pResult);
extern KP_EXPORT kp_SharedGetNextResult_fn SharedGetNextResult;
/* 74. SharedStartDirectory (calling thread) */
typedef kp_handle (*kp_SharedStartDirectory_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName, kp_bool bRecursive);
extern KP_EXPORT kp_SharedStartDirectory_fn SharedStartDirectory;
/* 75. SharedEndDirectory (calling thread) */
typedef void (*kp_SharedEndDirectory_fn)(kp_handle pResult);
extern KP_EXPORT kp_SharedEndDirectory_fn SharedEndDirectory;
/* 76. SharedRemoveDirectory (calling thread) */
typedef int32_t (*kp_SharedRemoveDirectory_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedRemoveDirectory_fn SharedRemoveDirectory;
/* 77. SharedDeleteFile (calling thread) */
typedef int32_t (*kp_SharedDeleteFile_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedDeleteFile_fn SharedDeleteFile;
/* 78. SharedCreateDirectory (calling thread) */
typedef int32_t (*kp_SharedCreateDirectory_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedCreateDirectory_fn SharedCreateDirectory;
/* 79. SharedCheckWriteAccess (calling thread) */
typedef int32_t (*kp_SharedCheckWriteAccess_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedCheckWriteAccess_fn SharedCheckWriteAccess;
/* 80. SharedCheckReadAccess (calling thread) */
typedef int32_t (*kp_SharedCheckReadAccess_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedCheckReadAccess_fn SharedCheckReadAccess;
/* 81. SharedDirectoryExists (calling thread) */
typedef int32_t (*kp_SharedDirectoryExists_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedDirectoryExists_fn SharedDirectoryExists;
/* 82. SharedFileExists (calling thread) */
typedef int32_t (*kp_SharedFileExists_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName);
extern KP_EXPORT kp_SharedFileExists_fn SharedFileExists;
/* 83. SharedGetRealPath (calling thread) */
typedef int32_t (*kp_SharedGetRealPath_fn)(kp_handle poService, const char *sUserName, const char *sPassword, const char *sVirtualName, char *sRealPath);
extern KP_EXPORT kp_SharedGetRealPath_fn SharedGetRealPath;
/* 84. SharedNoticeItem (main thread) */
typedef void (*kp_SharedNoticeItem_fn)(const char *sPath);
extern KP_EXPORT kp_SharedNoticeItem_fn SharedNoticeItem;

/* ---- Users */
/* 85. UsersGetCount (main thread) */
typedef int32_t (*kp_UsersGetCount_fn)(kp_handle poService);
extern KP_EXPORT kp_UsersGetCount_fn UsersGetCount;
/* 86. UsersCheckAccess (main thread) */
typedef int32_t (*kp_UsersCheckAccess_fn)(kp_handle poService, const char *sUserName, const char *sPassword);
extern KP_EXPORT kp_UsersCheckAccess_fn UsersCheckAccess;
/* 87. UsersGetName (main thread) */
typedef int32_t (*kp_UsersGetName_fn)(kp_handle poService, int32_t iPosition, char *sName);
extern KP_EXPORT kp_UsersGetName_fn UsersGetName;

/* Events. A plugin receives those it defines with KP_EVENT(Name) { ... },
 * always on the core's main thread; it may call the API from inside them. */

/* ---- Application */
#define KP_SIGNATURE_OnApplicationButton void OnApplicationButton(kp_handle poButton, int32_t iCommand)
KP_EXPORT void OnApplicationButton(kp_handle poButton, int32_t iCommand);
#define KP_SIGNATURE_OnApplicationMenu void OnApplicationMenu(kp_handle poMenu, int32_t iCommand)
KP_EXPORT void OnApplicationMenu(kp_handle poMenu, int32_t iCommand);
#define KP_SIGNATURE_OnApplicationHide void OnApplicationHide(void)
KP_EXPORT void OnApplicationHide(void);
#define KP_SIGNATURE_OnApplicationShow void OnApplicationShow(void)
KP_EXPORT void OnApplicationShow(void);
#define KP_SIGNATURE_OnApplicationExit void OnApplicationExit(uint8_t *pCanExit)
KP_EXPORT void OnApplicationExit(uint8_t *pCanExit);
#define KP_SIGNATURE_OnApplicationStart void OnApplicationStart(void)
KP_EXPORT void OnApplicationStart(void);
#define KP_SIGNATURE_OnApplicationEnd void OnApplicationEnd(void)
KP_EXPORT void OnApplicationEnd(void);
#define KP_SIGNATURE_OnApplicationURL void OnApplicationURL(const char *sName, const char *sRest)
KP_EXPORT void OnApplicationURL(const char *sName, const char *sRest);

/* ---- URL */
#define KP_SIGNATURE_OnURL void OnURL(const char *sScheme, const char *sRest)
KP_EXPORT void OnURL(const char *sScheme, const char *sRest);

/* ---- Setup */
#define KP_SIGNATURE_OnSetupWizardChange void OnSetupWizardChange(int32_t iDirection)
KP_EXPORT void OnSetupWizardChange(int32_t iDirection);
#define KP_SIGNATURE_OnSetupWizardComplete void OnSetupWizardComplete(void)
KP_EXPORT void OnSetupWizardComplete(void);
#define KP_SIGNATURE_OnSetupWizardCancel void OnSetupWizardCancel(void)
KP_EXPORT void OnSetupWizardCancel(void);
#define KP_SIGNATURE_OnSetupWizardValidate void OnSetupWizardValidate(uint8_t *pCanMove)
KP_EXPORT void OnSetupWizardValidate(uint8_t *pCanMove);
#define KP_SIGNATURE_OnSetupApply void OnSetupApply(uint8_t *pCanApply)
KP_EXPORT void OnSetupApply(uint8_t *pCanApply);
#define KP_SIGNATURE_OnSetupCancel void OnSetupCancel(void)
KP_EXPORT void OnSetupCancel(void);

/* ---- Service */
#define KP_SIGNATURE_OnServiceWizardAdd void OnServiceWizardAdd(kp_handle poServiceType)
KP_EXPORT void OnServiceWizardAdd(kp_handle poServiceType);
#define KP_SIGNATURE_OnServiceWizardEdit void OnServiceWizardEdit(kp_handle poService)
KP_EXPORT void OnServiceWizardEdit(kp_handle poService);
#define KP_SIGNATURE_OnServiceWizardRemove void OnServiceWizardRemove(kp_handle poService)
KP_EXPORT void OnServiceWizardRemove(kp_handle poService);
#define KP_SIGNATURE_OnServiceWizardChange void OnServiceWizardChange(kp_handle poService, int32_t iDirection)
KP_EXPORT void OnServiceWizardChange(kp_handle poService, int32_t iDirection);
#define KP_SIGNATURE_OnServiceWizardCancel void OnServiceWizardCancel(kp_handle poService)
KP_EXPORT void OnServiceWizardCancel(kp_handle poService);
#define KP_SIGNATURE_OnServiceWizardComplete void OnServiceWizardComplete(kp_handle poServiceType, kp_handle poService, uint8_t *pCanClose)
KP_EXPORT void OnServiceWizardComplete(kp_handle poServiceType, kp_handle poService, uint8_t *pCanClose);
#define KP_SIGNATURE_OnServiceSelect void OnServiceSelect(kp_handle poService)
KP_EXPORT void OnServiceSelect(kp_handle poService);
#define KP_SIGNATURE_OnServiceCheck void OnServiceCheck(kp_handle poService, kp_bool bValue)
KP_EXPORT void OnServiceCheck(kp_handle poService, kp_bool bValue);

/* ---- Search */
#define KP_SIGNATURE_OnSearchResultButton void OnSearchResultButton(int32_t iCommand, kp_handle pResult)
KP_EXPORT void OnSearchResultButton(int32_t iCommand, kp_handle pResult);
#define KP_SIGNATURE_OnSearchResultMenu void OnSearchResultMenu(int32_t iCommand, kp_handle pResult)
KP_EXPORT void OnSearchResultMenu(int32_t iCommand, kp_handle pResult);
#define KP_SIGNATURE_OnSearchResultExecute void OnSearchResultExecute(kp_handle pResult)
KP_EXPORT void OnSearchResultExecute(kp_handle pResult);
#define KP_SIGNATURE_OnSearchResultSelect void OnSearchResultSelect(kp_handle pResult)
KP_EXPORT void OnSearchResultSelect(kp_handle pResult);
#define KP_SIGNATURE_OnSearchRequest void OnSearchRequest(kp_handle poService, int32_t iSearchID, const char *sText1, const char *sText2, kp_bool bMP3Search, int32_t iMaximumSize, int32_t iMinimumSize, int32_t iMinimumBitrate)
KP_EXPORT void OnSearchRequest(kp_handle poService, int32_t iSearchID, const char *sText1, const char *sText2, kp_bool bMP3Search, int32_t iMaximumSize, int32_t iMinimumSize, int32_t iMinimumBitrate);
#define KP_SIGNATURE_OnSearchClose void OnSearchClose(int32_t iSearchID)
KP_EXPORT void OnSearchClose(int32_t iSearchID);

/* ---- Upload */
#define KP_SIGNATURE_OnUploadButton void OnUploadButton(int32_t iCommand, kp_handle poUpload)
KP_EXPORT void OnUploadButton(int32_t iCommand, kp_handle poUpload);
#define KP_SIGNATURE_OnUploadMenu void OnUploadMenu(int32_t iCommand, kp_handle poUpload)
KP_EXPORT void OnUploadMenu(int32_t iCommand, kp_handle poUpload);
#define KP_SIGNATURE_OnUploadPause void OnUploadPause(kp_handle poUpload)
KP_EXPORT void OnUploadPause(kp_handle poUpload);
#define KP_SIGNATURE_OnUploadResume void OnUploadResume(kp_handle poUpload)
KP_EXPORT void OnUploadResume(kp_handle poUpload);
#define KP_SIGNATURE_OnUploadRemove void OnUploadRemove(kp_handle poUpload)
KP_EXPORT void OnUploadRemove(kp_handle poUpload);
#define KP_SIGNATURE_OnUploadSelect void OnUploadSelect(kp_handle poUpload)
KP_EXPORT void OnUploadSelect(kp_handle poUpload);

/* ---- Download */
#define KP_SIGNATURE_OnDownloadButton void OnDownloadButton(int32_t iCommand, kp_handle poDownload)
KP_EXPORT void OnDownloadButton(int32_t iCommand, kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadMenu void OnDownloadMenu(int32_t iCommand, kp_handle poDownload)
KP_EXPORT void OnDownloadMenu(int32_t iCommand, kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadPause void OnDownloadPause(kp_handle poDownload)
KP_EXPORT void OnDownloadPause(kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadResume void OnDownloadResume(kp_handle poDownload)
KP_EXPORT void OnDownloadResume(kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadRemove void OnDownloadRemove(kp_handle poDownload)
KP_EXPORT void OnDownloadRemove(kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadSelect void OnDownloadSelect(kp_handle poDownload)
KP_EXPORT void OnDownloadSelect(kp_handle poDownload);
#define KP_SIGNATURE_OnDownloadStart void OnDownloadStart(kp_handle poDownload)
KP_EXPORT void OnDownloadStart(kp_handle poDownload);

/* ---- Shared */
#define KP_SIGNATURE_OnSharedButton void OnSharedButton(int32_t iCommand, kp_handle pResult)
KP_EXPORT void OnSharedButton(int32_t iCommand, kp_handle pResult);
#define KP_SIGNATURE_OnSharedMenu void OnSharedMenu(int32_t iCommand, kp_handle pResult)
KP_EXPORT void OnSharedMenu(int32_t iCommand, kp_handle pResult);
#define KP_SIGNATURE_OnSharedSelect void OnSharedSelect(kp_handle pResult)
KP_EXPORT void OnSharedSelect(kp_handle pResult);
#define KP_SIGNATURE_OnSharedAdd void OnSharedAdd(kp_handle pResult)
KP_EXPORT void OnSharedAdd(kp_handle pResult);
#define KP_SIGNATURE_OnSharedRemove void OnSharedRemove(kp_handle pResult)
KP_EXPORT void OnSharedRemove(kp_handle pResult);

/* ---- Users */
#define KP_SIGNATURE_OnUsersSetupAdd void OnUsersSetupAdd(kp_handle poService, const char *sUserName)
KP_EXPORT void OnUsersSetupAdd(kp_handle poService, const char *sUserName);
#define KP_SIGNATURE_OnUsersSetupRemove void OnUsersSetupRemove(kp_handle poService, const char *sUserName)
KP_EXPORT void OnUsersSetupRemove(kp_handle poService, const char *sUserName);
#define KP_SIGNATURE_OnUsersAdd void OnUsersAdd(kp_handle poService, const char *sUserName)
KP_EXPORT void OnUsersAdd(kp_handle poService, const char *sUserName);
#define KP_SIGNATURE_OnUsersRemove void OnUsersRemove(kp_handle poService, const char *sUserName)
KP_EXPORT void OnUsersRemove(kp_handle poService, const char *sUserName);

#ifdef __cplusplus
}
#endif

#endif /* KEPLINOR_API_H */
