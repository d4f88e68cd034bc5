#pragma once
// The contract between the core and its plugins as data: the 87 API functions
// (in registration order) and the 51 events, each with its parameters in the
// order the plugin passes them, their packet names and kinds, and its result.
// Binding, packet building, the plugin SDK's declarations and their checks are
// all driven by these two tables, and the compiler checks every name the core
// looks up in them (api_names.h).

#include "core/host/api_types.h"

namespace kp::api {
namespace table_detail {

using K = ParamKind;
using R = ResultKind;
constexpr Route kMain = Route::Dispatched;
constexpr Route kCaller = Route::CallingThread;
// Functions whose implementation the program has (the others answer 0).
constexpr Availability kBuilt = Availability::Built;
// Events whose result the core ignores: where it wants an answer, it passes the
// address of a byte that starts at 1 and that the plugin sets to 0 to refuse.
constexpr ResultKind kIgnored = ResultKind::None;

// The 87 API functions in registration order: each one's parameters as the
// plugin passes them, under the names they carry in the call's packet.
inline constexpr std::array<FunctionSpec, kApiFunctionCount> kApiFunctions = {{
    // clang-format off
    // Application: menus, buttons, tabs, the window and notification icons
    FunctionSpec{"ApplicationMenuAdd", Family::Application, R::Handle, kMain, 20,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}, {"bIsPopup", K::Boolean}}, kBuilt},
    FunctionSpec{"ApplicationMenuEdit", Family::Application, R::None, kMain, 16,
                 {{"poMenu", K::Handle}, {"iCommand", K::Int32}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationMenuRemove", Family::Application, R::Int32, kMain, 4, {{"poMenu", K::Handle}}, kBuilt},
    FunctionSpec{"ApplicationButtonAdd", Family::Application, R::Handle, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationButtonEdit", Family::Application, R::None, kMain, 16,
                 {{"poButton", K::Handle}, {"iCommand", K::Int32}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationButtonRemove", Family::Application, R::Int32, kMain, 4,
                 {{"poButton", K::Handle}}, kBuilt},
    FunctionSpec{"ApplicationTabAdd", Family::Application, R::Handle, kMain, 8,
                 {{"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}, kBuilt},
    FunctionSpec{"ApplicationTabEdit", Family::Application, R::None, kMain, 12,
                 {{"poTab", K::Handle}, {"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}, kBuilt},
    FunctionSpec{"ApplicationTabRemove", Family::Application, R::Int32, kMain, 4, {{"poTab", K::Handle}}, kBuilt},
    FunctionSpec{"ApplicationTabActivate", Family::Application, R::Int32, kMain, 4, {{"poTab", K::Handle}}, kBuilt},
    FunctionSpec{"ApplicationSectionActivate", Family::Application, R::Int32, kMain, 4,
                 {{"iSection", K::Int32}}, kBuilt},
    FunctionSpec{"ApplicationHide", Family::Application, R::Int32, kMain, 0, {}, kBuilt},
    FunctionSpec{"ApplicationExit", Family::Application, R::Int32, kMain, 0, {}, kBuilt},
    FunctionSpec{"ApplicationShow", Family::Application, R::Int32, kMain, 0, {}, kBuilt},
    FunctionSpec{"ApplicationNotificationIconAdd", Family::Application, R::Handle, kMain, 4,
                 {{"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationNotificationIconEdit", Family::Application, R::None, kMain, 8,
                 {{"poNotificationIcon", K::Handle}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationNotificationIconRemove", Family::Application, R::Int32, kMain, 4,
                 {{"poNotificationIcon", K::Handle}}, kBuilt},
    // Application: names under the program's own link scheme, and the firewall status
    FunctionSpec{"ApplicationRegisterURL", Family::Application, R::Int32, kMain, 4, {{"sName", K::Text}}, kBuilt},
    FunctionSpec{"ApplicationUnRegisterURL", Family::Application, R::None, kMain, 4, {{"sName", K::Text}},
                 kBuilt},
    FunctionSpec{"ApplicationGetFirewallStatus", Family::Application, R::Int32, kMain, 0, {}, kBuilt},

    // Setup: the setup wizard's plugin pages and the settings dialog's plugin tabs
    FunctionSpec{"SetupStartWizard", Family::Setup, R::Int32, kMain, 0, {}, kBuilt},
    FunctionSpec{"SetupShowWizardPanel", Family::Setup, R::Int32, kMain, 8,
                 {{"sWindowHandle", K::WindowHandle}, {"iStatus", K::Int32}}, kBuilt},
    FunctionSpec{"SetupTabAdd", Family::Setup, R::Handle, kMain, 8,
                 {{"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}, kBuilt},
    FunctionSpec{"SetupTabEdit", Family::Setup, R::None, kMain, 12,
                 {{"poTab", K::Handle}, {"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}, kBuilt},
    FunctionSpec{"SetupTabRemove", Family::Setup, R::Int32, kMain, 4, {{"poTab", K::Handle}}, kBuilt},
    FunctionSpec{"SetupTabActivate", Family::Setup, R::Int32, kMain, 4, {{"poTab", K::Handle}}, kBuilt},

    // Service: service types, services and the Services section
    FunctionSpec{"ServiceAddType", Family::Service, R::Handle, kMain, 24,
                 {{"sDescription", K::Text}, {"sIconFileName", K::Text}, {"sGUID", K::Guid}}, kBuilt},
    FunctionSpec{"ServiceEditType", Family::Service, R::None, kMain, 8,
                 {{"poServiceType", K::Handle}, {"sDescription", K::Text}}, kBuilt},
    FunctionSpec{"ServiceRemoveType", Family::Service, R::Int32, kMain, 4, {{"poServiceType", K::Handle}}, kBuilt},
    FunctionSpec{"ServiceAdd", Family::Service, R::Handle, kMain, 36,
                 {{"poServiceType", K::Handle}, {"sDescription", K::Text}, {"sOnlineIconFileName", K::Text},
                  {"sOfflineIconFileName", K::Text}, {"pData", K::Value32}, {"sGUID", K::Guid}}, kBuilt},
    FunctionSpec{"ServiceEdit", Family::Service, R::None, kMain, 20,
                 {{"poService", K::Handle}, {"sDescription", K::Text}, {"sOnlineIconFileName", K::Text},
                  {"sOfflineIconFileName", K::Text}, {"pData", K::Value32}}, kBuilt},
    FunctionSpec{"ServiceRemove", Family::Service, R::Int32, kMain, 4, {{"poService", K::Handle}}, kBuilt},
    FunctionSpec{"ServiceShowWizardPanel", Family::Service, R::Int32, kMain, 12,
                 {{"sHWND", K::WindowHandle}, {"iStatus", K::Int32}, {"bAllowBack", K::Boolean}}, kBuilt},
    FunctionSpec{"ServiceShowMainPanel", Family::Service, R::Int32, kMain, 4, {{"sHWND", K::WindowHandle}}, kBuilt},
    FunctionSpec{"ServiceSetOnline", Family::Service, R::Int32, kMain, 8,
                 {{"poService", K::Handle}, {"bValue", K::Boolean}}, kBuilt},
    FunctionSpec{"ServiceSetCheck", Family::Service, R::Int32, kMain, 8,
                 {{"poService", K::Handle}, {"bValue", K::Boolean}}, kBuilt},
    FunctionSpec{"ServiceSetIcon", Family::Service, R::None, kMain, 8,
                 {{"poService", K::Handle}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"ServiceSetActive", Family::Service, R::Int32, kMain, 4, {{"poService", K::Handle}}, kBuilt},

    // URL: link schemes claimed from the operating system
    FunctionSpec{"URLRegister", Family::Url, R::Int32, kMain, 4, {{"sURL", K::Text}}, kBuilt},
    FunctionSpec{"URLUnRegister", Family::Url, R::None, kMain, 4, {{"sURL", K::Text}}, kBuilt},

    // Search: results, the results tab's commands and completion. The two
    // command functions are called from inside OnSearchResultSelect and run
    // on the calling thread.
    FunctionSpec{"SearchResultAdd", Family::Search, R::Int32, Route::Posted, 52,
                 {{"poService", K::Handle}, {"iSearchID", K::Int32}, {"sDescription", K::Text},
                  {"sHashCode", K::Text}, {"sNick", K::Text}, {"iSize", K::Int32}, {"iBitrate", K::Int32},
                  {"iLength", K::Int32}, {"iFrequency", K::Int32}, {"bIsMusicFile", K::Boolean},
                  {"sIconFileName", K::Text}, {"sInfo", K::Text}, {"sURL", K::Text}}, kBuilt},
    FunctionSpec{"SearchResultButtonAdd", Family::Search, R::None, kCaller, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"SearchResultMenuAdd", Family::Search, R::Handle, kCaller, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"SearchComplete", Family::Search, R::Int32, Route::Posted, 8,
                 {{"poService", K::Handle}, {"iSearchID", K::Int32}}, kBuilt},

    // Upload: admission, the Uploads list's commands, status and progress.
    // Reports whose answer is always 0 are posted: a plugin thread reporting
    // progress does not wait for the main thread.
    FunctionSpec{"UploadAdd", Family::Upload, R::Handle, kMain, 24,
                 {{"poService", K::Handle}, {"sNick", K::Text}, {"sFileName", K::Text},
                  {"bAllowQueue", K::Boolean}, {"bSupportPause", K::Boolean}, {"pData", K::Value32}}, kBuilt},
    FunctionSpec{"UploadButtonAdd", Family::Upload, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"UploadMenuAdd", Family::Upload, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"UploadGetStatus", Family::Upload, R::Int32, kMain, 4, {{"poUpload", K::Handle}}, kBuilt},
    FunctionSpec{"UploadGetQueueStatus", Family::Upload, R::Int32, kMain, 8,
                 {{"poUpload", K::Handle}, {"iStatusType", K::Int32}}, kBuilt},
    FunctionSpec{"UploadError", Family::Upload, R::None, Route::Posted, 8,
                 {{"poUpload", K::Handle}, {"sDescription", K::Text}}, kBuilt},
    FunctionSpec{"UploadGetSuggestedBandwidth", Family::Upload, R::Int32, kMain, 4,
                 {{"poUpload", K::Handle}}, kBuilt},
    FunctionSpec{"UploadGetSuggestedTimeout", Family::Upload, R::Int32, kMain, 4, {{"poUpload", K::Handle}}, kBuilt},
    FunctionSpec{"UploadComplete", Family::Upload, R::Int32, Route::Posted, 4, {{"poUpload", K::Handle}}, kBuilt},
    FunctionSpec{"UploadProgress", Family::Upload, R::Int32, Route::Posted, 28,
                 {{"poUpload", K::Handle}, {"iStartPosition", K::Int64}, {"iEndPosition", K::Int64},
                  {"iPosition", K::Int64}}, kBuilt},

    // Download: groups, admission, folders, the Downloads list's commands,
    // status and progress
    FunctionSpec{"DownloadGroupAdd", Family::Download, R::Handle, kMain, 20,
                 {{"poRoot", K::Handle}, {"poService", K::Handle}, {"sDescription", K::Text},
                  {"sStatusInfo", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"DownloadGroupEdit", Family::Download, R::None, Route::Posted, 16,
                 {{"poGroup", K::Handle}, {"sDescription", K::Text}, {"sStatusInfo", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"DownloadCustomInfo", Family::Download, R::None, Route::Posted, 12,
                 {{"poDownload", K::Handle}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    // The first argument is never read and has no name of its own; it is
    // declared as a download handle like the first argument of its neighbours.
    FunctionSpec{"DownloadGetSuggestedDirectory", Family::Download, R::Int32, kMain, 12,
                 {{"poDownload", K::Handle}, {"iDirectoryType", K::Int32}, {"sDirectory", K::TextBuffer}}, kBuilt},
    FunctionSpec{"DownloadQueued", Family::Download, R::Int32, Route::Posted, 12,
                 {{"poDownload", K::Handle}, {"iQueuePosition", K::Int32}, {"iQueueSize", K::Int32}}, kBuilt},
    FunctionSpec{"DownloadAdd", Family::Download, R::Handle, kMain, 40,
                 {{"poGroup", K::Handle}, {"poService", K::Handle}, {"sNick", K::Text},
                  {"sFileName", K::Text}, {"bSupportResume", K::Boolean}, {"bSupportPause", K::Boolean},
                  {"iSize", K::Int64}, {"sURL", K::Text}, {"pData", K::Value32}}, kBuilt},
    FunctionSpec{"DownloadButtonAdd", Family::Download, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"DownloadMenuAdd", Family::Download, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"DownloadGetStatus", Family::Download, R::Int32, kMain, 4, {{"poDownload", K::Handle}}, kBuilt},
    FunctionSpec{"DownloadGetQueueStatus", Family::Download, R::Int32, kMain, 8,
                 {{"poDownload", K::Handle}, {"iStatusType", K::Int32}}, kBuilt},
    FunctionSpec{"DownloadError", Family::Download, R::None, Route::Posted, 8,
                 {{"poDownload", K::Handle}, {"sDescription", K::Text}}, kBuilt},
    FunctionSpec{"DownloadGetSuggestedBandwidth", Family::Download, R::Int32, kMain, 4,
                 {{"poDownload", K::Handle}}, kBuilt},
    FunctionSpec{"DownloadGetSuggestedTimeout", Family::Download, R::Int32, kMain, 4,
                 {{"poDownload", K::Handle}}, kBuilt},
    FunctionSpec{"DownloadComplete", Family::Download, R::Int32, Route::Posted, 4, {{"poDownload", K::Handle}}, kBuilt},
    FunctionSpec{"DownloadProgress", Family::Download, R::Int32, Route::Posted, 28,
                 {{"poDownload", K::Handle}, {"iStartPosition", K::Int64}, {"iEndPosition", K::Int64},
                  {"iPosition", K::Int64}}, kBuilt},
    FunctionSpec{"DownloadFinished", Family::Download, R::None, Route::Posted, 8,
                 {{"poDownload", K::Handle}, {"sFileName", K::Text}}, kBuilt},

    // Shared: the Shared files section's commands and notice go through the
    // main thread; browsing, the checks and the file operations run on the
    // calling thread. Those have no packet of their own: their service, user,
    // password and path travel under these names in the access request, and
    // "pResult" is the browse record that SharedStartDirectory hands out.
    // SharedGetNextResult and the two existence tests answer 1 or 0.
    FunctionSpec{"SharedButtonAdd", Family::Shared, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"SharedMenuAdd", Family::Shared, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}, kBuilt},
    FunctionSpec{"SharedGetNextResult", Family::Shared, R::Int32, kCaller, 4, {{"pResult", K::Handle}}, kBuilt},
    FunctionSpec{"SharedStartDirectory", Family::Shared, R::Handle, kCaller, 20,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}, {"bRecursive", K::Boolean}}, kBuilt},
    FunctionSpec{"SharedEndDirectory", Family::Shared, R::None, kCaller, 4, {{"pResult", K::Handle}}, kBuilt},
    FunctionSpec{"SharedRemoveDirectory", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedDeleteFile", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedCreateDirectory", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedCheckWriteAccess", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedCheckReadAccess", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedDirectoryExists", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedFileExists", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}, kBuilt},
    FunctionSpec{"SharedGetRealPath", Family::Shared, R::Int32, kCaller, 20,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}, {"sRealPath", K::TextBuffer}}, kBuilt},
    FunctionSpec{"SharedNoticeItem", Family::Shared, R::None, kMain, 4, {{"sPath", K::Text}}, kBuilt},

    // Users: the accounts of a service
    FunctionSpec{"UsersGetCount", Family::Users, R::Int32, kMain, 4, {{"poService", K::Handle}}, kBuilt},
    FunctionSpec{"UsersCheckAccess", Family::Users, R::Int32, kMain, 12,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text}}, kBuilt},
    FunctionSpec{"UsersGetName", Family::Users, R::Int32, kMain, 12,
                 {{"poService", K::Handle}, {"iPosition", K::Int32}, {"sName", K::TextBuffer}}, kBuilt},
    // clang-format on
}};

// The 51 events that plugins may export, grouped by family.
inline constexpr std::array<EventSpec, kEventCount> kEvents = {{
    // clang-format off
    // Application: the owner's buttons and menu entries, the window, exit,
    // start and end of the run, and links of the program's own scheme
    EventSpec{"OnApplicationButton", Family::Application, kIgnored,
              {{"poButton", K::Handle}, {"iCommand", K::Int32}}},
    EventSpec{"OnApplicationMenu", Family::Application, kIgnored,
              {{"poMenu", K::Handle}, {"iCommand", K::Int32}}},
    EventSpec{"OnApplicationHide", Family::Application, kIgnored, {}},
    EventSpec{"OnApplicationShow", Family::Application, kIgnored, {}},
    EventSpec{"OnApplicationExit", Family::Application, kIgnored, {{"pCanExit", K::AnswerByte}}},
    EventSpec{"OnApplicationStart", Family::Application, kIgnored, {}},
    EventSpec{"OnApplicationEnd", Family::Application, kIgnored, {}},
    // The name key under the program's own scheme and the rest of the link.
    EventSpec{"OnApplicationURL", Family::Application, kIgnored, {{"sName", K::Text}, {"sRest", K::Text}}},

    // URL: a link of a scheme the plugin claimed; the scheme key and the rest
    EventSpec{"OnURL", Family::Url, kIgnored, {{"sScheme", K::Text}, {"sRest", K::Text}}},

    // Setup: moves in the setup wizard, OK and Cancel of the settings dialog.
    // The direction is 6 (next), 7 (back), 8 (enter from before) or 9 (enter
    // from after).
    EventSpec{"OnSetupWizardChange", Family::Setup, kIgnored, {{"iDirection", K::Int32}}},
    EventSpec{"OnSetupWizardComplete", Family::Setup, kIgnored, {}},
    EventSpec{"OnSetupWizardCancel", Family::Setup, kIgnored, {}},
    EventSpec{"OnSetupWizardValidate", Family::Setup, kIgnored, {{"pCanMove", K::AnswerByte}}},
    EventSpec{"OnSetupApply", Family::Setup, kIgnored, {{"pCanApply", K::AnswerByte}}},
    EventSpec{"OnSetupCancel", Family::Setup, kIgnored, {}},

    // Service: the service wizard and the services navigator. A service
    // handle of 0 stands for the service still being added.
    EventSpec{"OnServiceWizardAdd", Family::Service, kIgnored, {{"poServiceType", K::Handle}}},
    EventSpec{"OnServiceWizardEdit", Family::Service, kIgnored, {{"poService", K::Handle}}},
    EventSpec{"OnServiceWizardRemove", Family::Service, kIgnored, {{"poService", K::Handle}}},
    EventSpec{"OnServiceWizardChange", Family::Service, kIgnored,
              {{"poService", K::Handle}, {"iDirection", K::Int32}}},
    EventSpec{"OnServiceWizardCancel", Family::Service, kIgnored, {{"poService", K::Handle}}},
    EventSpec{"OnServiceWizardComplete", Family::Service, kIgnored,
              {{"poServiceType", K::Handle}, {"poService", K::Handle}, {"pCanClose", K::AnswerByte}}},
    EventSpec{"OnServiceSelect", Family::Service, kIgnored, {{"poService", K::Handle}}},
    EventSpec{"OnServiceCheck", Family::Service, kIgnored,
              {{"poService", K::Handle}, {"bValue", K::Boolean}}},

    // Search: "pResult" is the address of a search result's record
    EventSpec{"OnSearchResultButton", Family::Search, kIgnored,
              {{"iCommand", K::Int32}, {"pResult", K::Handle}}},
    EventSpec{"OnSearchResultMenu", Family::Search, kIgnored,
              {{"iCommand", K::Int32}, {"pResult", K::Handle}}},
    EventSpec{"OnSearchResultExecute", Family::Search, kIgnored, {{"pResult", K::Handle}}},
    EventSpec{"OnSearchResultSelect", Family::Search, kIgnored, {{"pResult", K::Handle}}},
    // The size limits cross as 32-bit values although the search keeps them
    // in 64 bits; 0 means no limit.
    EventSpec{"OnSearchRequest", Family::Search, kIgnored,
              {{"poService", K::Handle}, {"iSearchID", K::Int32}, {"sText1", K::Text}, {"sText2", K::Text},
               {"bMP3Search", K::Boolean}, {"iMaximumSize", K::Int32}, {"iMinimumSize", K::Int32},
               {"iMinimumBitrate", K::Int32}}},
    EventSpec{"OnSearchClose", Family::Search, kIgnored, {{"iSearchID", K::Int32}}},

    // Upload: the plugin's commands and the user's decisions on an upload
    EventSpec{"OnUploadButton", Family::Upload, kIgnored, {{"iCommand", K::Int32}, {"poUpload", K::Handle}}},
    EventSpec{"OnUploadMenu", Family::Upload, kIgnored, {{"iCommand", K::Int32}, {"poUpload", K::Handle}}},
    EventSpec{"OnUploadPause", Family::Upload, kIgnored, {{"poUpload", K::Handle}}},
    EventSpec{"OnUploadResume", Family::Upload, kIgnored, {{"poUpload", K::Handle}}},
    EventSpec{"OnUploadRemove", Family::Upload, kIgnored, {{"poUpload", K::Handle}}},
    EventSpec{"OnUploadSelect", Family::Upload, kIgnored, {{"poUpload", K::Handle}}},

    // Download: the plugin's commands, the user's decisions, and admission
    EventSpec{"OnDownloadButton", Family::Download, kIgnored,
              {{"iCommand", K::Int32}, {"poDownload", K::Handle}}},
    EventSpec{"OnDownloadMenu", Family::Download, kIgnored,
              {{"iCommand", K::Int32}, {"poDownload", K::Handle}}},
    EventSpec{"OnDownloadPause", Family::Download, kIgnored, {{"poDownload", K::Handle}}},
    EventSpec{"OnDownloadResume", Family::Download, kIgnored, {{"poDownload", K::Handle}}},
    EventSpec{"OnDownloadRemove", Family::Download, kIgnored, {{"poDownload", K::Handle}}},
    EventSpec{"OnDownloadSelect", Family::Download, kIgnored, {{"poDownload", K::Handle}}},
    EventSpec{"OnDownloadStart", Family::Download, kIgnored, {{"poDownload", K::Handle}}},

    // Shared: "pResult" is the address of the shared entry's record
    EventSpec{"OnSharedButton", Family::Shared, kIgnored, {{"iCommand", K::Int32}, {"pResult", K::Handle}}},
    EventSpec{"OnSharedMenu", Family::Shared, kIgnored, {{"iCommand", K::Int32}, {"pResult", K::Handle}}},
    EventSpec{"OnSharedSelect", Family::Shared, kIgnored, {{"pResult", K::Handle}}},
    EventSpec{"OnSharedAdd", Family::Shared, kIgnored, {{"pResult", K::Handle}}},
    EventSpec{"OnSharedRemove", Family::Shared, kIgnored, {{"pResult", K::Handle}}},

    // Users: accounts added and removed, in the settings dialog and for real
    EventSpec{"OnUsersSetupAdd", Family::Users, kIgnored, {{"poService", K::Handle}, {"sUserName", K::Text}}},
    EventSpec{"OnUsersSetupRemove", Family::Users, kIgnored,
              {{"poService", K::Handle}, {"sUserName", K::Text}}},
    EventSpec{"OnUsersAdd", Family::Users, kIgnored, {{"poService", K::Handle}, {"sUserName", K::Text}}},
    EventSpec{"OnUsersRemove", Family::Users, kIgnored, {{"poService", K::Handle}, {"sUserName", K::Text}}},
    // clang-format on
}};

}  // namespace table_detail

using table_detail::kApiFunctions;
using table_detail::kEvents;

}  // namespace kp::api
