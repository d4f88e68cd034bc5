// The 51 events that plugins may export, grouped by family. None of them
// answers through its result: where the core wants an answer, it passes the
// address of a byte that starts at 1 and that the plugin sets to 0 to refuse.

#include "core/host/api_table.h"

namespace kp::api {
namespace {

using K = ParamKind;
constexpr ResultKind kIgnored = ResultKind::None;

}  // namespace

constinit const std::array<EventSpec, kEventCount> kEvents = {{
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

}  // namespace kp::api
