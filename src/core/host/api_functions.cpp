// The 87 API functions in registration order: each one's parameters as the
// plugin passes them, under the names they carry in the call's packet.

#include "core/host/api_table.h"

namespace kp::api {
namespace {

using K = ParamKind;
using R = ResultKind;
constexpr Route kMain = Route::Dispatched;
constexpr Route kCaller = Route::CallingThread;
// Functions whose implementation the program has (the others answer 0).
constexpr Availability kBuilt = Availability::Built;

}  // namespace

constinit const std::array<FunctionSpec, kApiFunctionCount> kApiFunctions = {{
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
    FunctionSpec{"ApplicationRegisterURL", Family::Application, R::Int32, kMain, 4, {{"sName", K::Text}}},
    FunctionSpec{"ApplicationUnRegisterURL", Family::Application, R::None, kMain, 4, {{"sName", K::Text}}},
    FunctionSpec{"ApplicationGetFirewallStatus", Family::Application, R::Int32, kMain, 0, {}},

    // Setup: the setup wizard's plugin pages and the settings dialog's plugin tabs
    FunctionSpec{"SetupStartWizard", Family::Setup, R::Int32, kMain, 0, {}},
    FunctionSpec{"SetupShowWizardPanel", Family::Setup, R::Int32, kMain, 8,
                 {{"sWindowHandle", K::WindowHandle}, {"iStatus", K::Int32}}},
    FunctionSpec{"SetupTabAdd", Family::Setup, R::Handle, kMain, 8,
                 {{"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}},
    FunctionSpec{"SetupTabEdit", Family::Setup, R::None, kMain, 12,
                 {{"poTab", K::Handle}, {"sDescription", K::Text}, {"sWindowHandle", K::WindowHandle}}},
    FunctionSpec{"SetupTabRemove", Family::Setup, R::Int32, kMain, 4, {{"poTab", K::Handle}}},
    FunctionSpec{"SetupTabActivate", Family::Setup, R::Int32, kMain, 4, {{"poTab", K::Handle}}},

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
    FunctionSpec{"URLRegister", Family::Url, R::Int32, kMain, 4, {{"sURL", K::Text}}},
    FunctionSpec{"URLUnRegister", Family::Url, R::None, kMain, 4, {{"sURL", K::Text}}},

    // Search: results, the results tab's commands and completion. The two
    // command functions are called from inside OnSearchResultSelect and run
    // on the calling thread.
    FunctionSpec{"SearchResultAdd", Family::Search, R::Int32, kMain, 52,
                 {{"poService", K::Handle}, {"iSearchID", K::Int32}, {"sDescription", K::Text},
                  {"sHashCode", K::Text}, {"sNick", K::Text}, {"iSize", K::Int32}, {"iBitrate", K::Int32},
                  {"iLength", K::Int32}, {"iFrequency", K::Int32}, {"bIsMusicFile", K::Boolean},
                  {"sIconFileName", K::Text}, {"sInfo", K::Text}, {"sURL", K::Text}}},
    FunctionSpec{"SearchResultButtonAdd", Family::Search, R::None, kCaller, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}},
    FunctionSpec{"SearchResultMenuAdd", Family::Search, R::Handle, kCaller, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}},
    FunctionSpec{"SearchComplete", Family::Search, R::Int32, kMain, 8,
                 {{"poService", K::Handle}, {"iSearchID", K::Int32}}},

    // Upload: admission, the Uploads list's commands, status and progress
    FunctionSpec{"UploadAdd", Family::Upload, R::Handle, kMain, 24,
                 {{"poService", K::Handle}, {"sNick", K::Text}, {"sFileName", K::Text},
                  {"bAllowQueue", K::Boolean}, {"bSupportPause", K::Boolean}, {"pData", K::Value32}}},
    FunctionSpec{"UploadButtonAdd", Family::Upload, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}},
    FunctionSpec{"UploadMenuAdd", Family::Upload, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}},
    FunctionSpec{"UploadGetStatus", Family::Upload, R::Int32, kMain, 4, {{"poUpload", K::Handle}}},
    FunctionSpec{"UploadGetQueueStatus", Family::Upload, R::Int32, kMain, 8,
                 {{"poUpload", K::Handle}, {"iStatusType", K::Int32}}},
    FunctionSpec{"UploadError", Family::Upload, R::None, kMain, 8,
                 {{"poUpload", K::Handle}, {"sDescription", K::Text}}},
    FunctionSpec{"UploadGetSuggestedBandwidth", Family::Upload, R::Int32, kMain, 4,
                 {{"poUpload", K::Handle}}},
    FunctionSpec{"UploadGetSuggestedTimeout", Family::Upload, R::Int32, kMain, 4, {{"poUpload", K::Handle}}},
    FunctionSpec{"UploadComplete", Family::Upload, R::Int32, kMain, 4, {{"poUpload", K::Handle}}},
    FunctionSpec{"UploadProgress", Family::Upload, R::Int32, kMain, 28,
                 {{"poUpload", K::Handle}, {"iStartPosition", K::Int64}, {"iEndPosition", K::Int64},
                  {"iPosition", K::Int64}}},

    // Download: groups, admission, folders, the Downloads list's commands,
    // status and progress
    FunctionSpec{"DownloadGroupAdd", Family::Download, R::Handle, kMain, 20,
                 {{"poRoot", K::Handle}, {"poService", K::Handle}, {"sDescription", K::Text},
                  {"sStatusInfo", K::Text}, {"sIconFileName", K::Text}}},
    FunctionSpec{"DownloadGroupEdit", Family::Download, R::None, kMain, 16,
                 {{"poGroup", K::Handle}, {"sDescription", K::Text}, {"sStatusInfo", K::Text},
                  {"sIconFileName", K::Text}}},
    FunctionSpec{"DownloadCustomInfo", Family::Download, R::None, kMain, 12,
                 {{"poDownload", K::Handle}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}},
    // The first argument is never read and has no name of its own; it is
    // declared as a download handle like the first argument of its neighbours.
    FunctionSpec{"DownloadGetSuggestedDirectory", Family::Download, R::Int32, kMain, 12,
                 {{"poDownload", K::Handle}, {"iDirectoryType", K::Int32}, {"sDirectory", K::TextBuffer}}},
    FunctionSpec{"DownloadQueued", Family::Download, R::Int32, kMain, 12,
                 {{"poDownload", K::Handle}, {"iQueuePosition", K::Int32}, {"iQueueSize", K::Int32}}},
    FunctionSpec{"DownloadAdd", Family::Download, R::Handle, kMain, 40,
                 {{"poGroup", K::Handle}, {"poService", K::Handle}, {"sNick", K::Text},
                  {"sFileName", K::Text}, {"bSupportResume", K::Boolean}, {"bSupportPause", K::Boolean},
                  {"iSize", K::Int64}, {"sURL", K::Text}, {"pData", K::Value32}}},
    FunctionSpec{"DownloadButtonAdd", Family::Download, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}},
    FunctionSpec{"DownloadMenuAdd", Family::Download, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poParentMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}},
    FunctionSpec{"DownloadGetStatus", Family::Download, R::Int32, kMain, 4, {{"poDownload", K::Handle}}},
    FunctionSpec{"DownloadGetQueueStatus", Family::Download, R::Int32, kMain, 8,
                 {{"poDownload", K::Handle}, {"iStatusType", K::Int32}}},
    FunctionSpec{"DownloadError", Family::Download, R::None, kMain, 8,
                 {{"poDownload", K::Handle}, {"sDescription", K::Text}}},
    FunctionSpec{"DownloadGetSuggestedBandwidth", Family::Download, R::Int32, kMain, 4,
                 {{"poDownload", K::Handle}}},
    FunctionSpec{"DownloadGetSuggestedTimeout", Family::Download, R::Int32, kMain, 4,
                 {{"poDownload", K::Handle}}},
    FunctionSpec{"DownloadComplete", Family::Download, R::Int32, kMain, 4, {{"poDownload", K::Handle}}},
    FunctionSpec{"DownloadProgress", Family::Download, R::Int32, kMain, 28,
                 {{"poDownload", K::Handle}, {"iStartPosition", K::Int64}, {"iEndPosition", K::Int64},
                  {"iPosition", K::Int64}}},
    FunctionSpec{"DownloadFinished", Family::Download, R::None, kMain, 8,
                 {{"poDownload", K::Handle}, {"sFileName", K::Text}}},

    // Shared: the Shared files section's commands and notice go through the
    // main thread; browsing, the checks and the file operations run on the
    // calling thread. Those have no packet of their own: their service, user,
    // password and path travel under these names in the access request, and
    // "pResult" is the browse record that SharedStartDirectory hands out.
    // SharedGetNextResult and the two existence tests answer 1 or 0.
    FunctionSpec{"SharedButtonAdd", Family::Shared, R::None, kMain, 12,
                 {{"iCommand", K::Int32}, {"sDescription", K::Text}, {"sIconFileName", K::Text}}},
    FunctionSpec{"SharedMenuAdd", Family::Shared, R::Handle, kMain, 16,
                 {{"iCommand", K::Int32}, {"poMenu", K::Handle}, {"sDescription", K::Text},
                  {"sIconFileName", K::Text}}},
    FunctionSpec{"SharedGetNextResult", Family::Shared, R::Int32, kCaller, 4, {{"pResult", K::Handle}}},
    FunctionSpec{"SharedStartDirectory", Family::Shared, R::Handle, kCaller, 20,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}, {"bRecursive", K::Boolean}}},
    FunctionSpec{"SharedEndDirectory", Family::Shared, R::None, kCaller, 4, {{"pResult", K::Handle}}},
    FunctionSpec{"SharedRemoveDirectory", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedDeleteFile", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedCreateDirectory", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedCheckWriteAccess", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedCheckReadAccess", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedDirectoryExists", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedFileExists", Family::Shared, R::Int32, kCaller, 16,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}}},
    FunctionSpec{"SharedGetRealPath", Family::Shared, R::Int32, kCaller, 20,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text},
                  {"sVirtualName", K::Text}, {"sRealPath", K::TextBuffer}}},
    FunctionSpec{"SharedNoticeItem", Family::Shared, R::None, kMain, 4, {{"sPath", K::Text}}},

    // Users: the accounts of a service
    FunctionSpec{"UsersGetCount", Family::Users, R::Int32, kMain, 4, {{"poService", K::Handle}}},
    FunctionSpec{"UsersCheckAccess", Family::Users, R::Int32, kMain, 12,
                 {{"poService", K::Handle}, {"sUserName", K::Text}, {"sPassword", K::Text}}},
    FunctionSpec{"UsersGetName", Family::Users, R::Int32, kMain, 12,
                 {{"poService", K::Handle}, {"iPosition", K::Int32}, {"sName", K::TextBuffer}}},
    // clang-format on
}};

}  // namespace kp::api
