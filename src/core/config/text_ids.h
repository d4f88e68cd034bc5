#pragma once
// The language texts the program's code asks for, by name. Each is checked
// against the table of language_ids.h when the program is compiled. Add a name
// here when code needs another text of the table.

#include "core/config/language_ids.h"

namespace kp::text {

// Shared words.
inline constexpr TTextId kEdit{"General", "00001"};
inline constexpr TTextId kRemove{"General", "00002"};
inline constexpr TTextId kOk{"General", "00003"};
inline constexpr TTextId kCancel{"General", "00004"};
inline constexpr TTextId kAdd{"General", "00005"};
inline constexpr TTextId kYes{"General", "00009"};
inline constexpr TTextId kNo{"General", "00010"};
inline constexpr TTextId kNext{"General", "00006"};
inline constexpr TTextId kFinish{"General", "00008"};
inline constexpr TTextId kZeroSeconds{"General", "00014"};
inline constexpr TTextId kSeconds{"General", "00015"};
inline constexpr TTextId kMinutes{"General", "00016"};
inline constexpr TTextId kHours{"General", "00017"};
inline constexpr TTextId kDays{"General", "00018"};
inline constexpr TTextId kYears{"General", "00019"};
inline constexpr TTextId kBytes{"General", "00020"};
inline constexpr TTextId kKilobytes{"General", "00021"};
inline constexpr TTextId kMegabytes{"General", "00022"};
inline constexpr TTextId kGigabytes{"General", "00023"};
inline constexpr TTextId kTerabytes{"General", "00024"};

// The main window.
inline constexpr TTextId kOnline{"Main", "00001"};
inline constexpr TTextId kOffline{"Main", "00002"};
inline constexpr TTextId kWebSection{"Main", "00004"};
inline constexpr TTextId kServicesSection{"Main", "00005"};
inline constexpr TTextId kUploadsSection{"Main", "00006"};
inline constexpr TTextId kSharedSection{"Main", "00007"};
inline constexpr TTextId kDownloadsSection{"Main", "00008"};
inline constexpr TTextId kSearchResultsSection{"Main", "00009"};
inline constexpr TTextId kAddServiceCommand{"Main", "00010"};
inline constexpr TTextId kCustomizeServicesCommand{"Main", "00011"};
inline constexpr TTextId kProgramMenu{"Main", "00012"};
inline constexpr TTextId kSettingsCommand{"Main", "00013"};
inline constexpr TTextId kExitCommand{"Main", "00014"};
inline constexpr TTextId kSearchCommand{"Main", "00015"};
inline constexpr TTextId kHelpCommand{"Main", "00016"};
inline constexpr TTextId kAboutCommand{"Main", "00018"};
inline constexpr TTextId kHideWindowCommand{"Main", "00020"};
inline constexpr TTextId kShowWindowCommand{"Main", "00021"};
inline constexpr TTextId kNoApplicationForLink{"Main", "00022"};

// The About box.
inline constexpr TTextId kAboutTab{"About", "00001"};
inline constexpr TTextId kVersionInfoTab{"About", "00002"};
inline constexpr TTextId kAboutQuestions{"About", "00003"};
inline constexpr TTextId kAboutBuildNumber{"About", "00004"};
inline constexpr TTextId kAboutPlugins{"About", "00005"};

// The service wizard and the services dialogs.
inline constexpr TTextId kServiceWizardTitle{"ServiceWizard", "00001"};
inline constexpr TTextId kServiceWizardInstructions{"ServiceWizard", "00002"};
inline constexpr TTextId kServiceWizardTypeLabel{"ServiceWizard", "00003"};
inline constexpr TTextId kServiceWizardEditTitle{"ServiceWizard", "00004"};
inline constexpr TTextId kSetupWizardAgreementHeading{"SetupWizard", "00001"};
inline constexpr TTextId kSetupWizardAgreementQuestion{"SetupWizard", "00002"};
inline constexpr TTextId kSetupWizardNetworkHeading{"SetupWizard", "00003"};
inline constexpr TTextId kSetupWizardNetworkText{"SetupWizard", "00004"};
inline constexpr TTextId kSetupWizardScanQuestionHeading{"SetupWizard", "00005"};
inline constexpr TTextId kSetupWizardScanQuestion{"SetupWizard", "00006"};
inline constexpr TTextId kSetupWizardScanningHeading{"SetupWizard", "00007"};
inline constexpr TTextId kSetupWizardScanningText{"SetupWizard", "00008"};
inline constexpr TTextId kSetupWizardMustAgree{"SetupWizard", "00009"};
inline constexpr TTextId kSetupWizardBack{"SetupWizard", "00010"};
inline constexpr TTextId kSetupWizardTitle{"SetupWizard", "00011"};
inline constexpr TTextId kSetupWizardNetworkNotConfigured{"SetupWizard", "00012"};
inline constexpr TTextId kSetupWizardAgreement{"SetupWizard", "00013"};
inline constexpr TTextId kModifyServiceTitle{"ModifyService", "00001"};
inline constexpr TTextId kDeleteServiceQuestion{"DeleteService", "00001"};

// The search request.
inline constexpr TTextId kSearchRequestHeading{"SearchRequest", "00001"};
inline constexpr TTextId kSearchLocationLabel{"SearchRequest", "00002"};
inline constexpr TTextId kSearchSimplePage{"SearchRequest", "00003"};
inline constexpr TTextId kSearchAdvancedPage{"SearchRequest", "00004"};
inline constexpr TTextId kMP3SearchChoice{"SearchRequest", "00005"};
inline constexpr TTextId kAnyFileSearchChoice{"SearchRequest", "00006"};
inline constexpr TTextId kArtistLabel{"SearchRequest", "00007"};
inline constexpr TTextId kSongTitleLabel{"SearchRequest", "00008"};
inline constexpr TTextId kSearchTextLabel{"SearchRequest", "00009"};
inline constexpr TTextId kMinimumSizeBox{"SearchRequest", "00010"};
inline constexpr TTextId kMaximumSizeBox{"SearchRequest", "00011"};
inline constexpr TTextId kMinimumBitrateBox{"SearchRequest", "00012"};
inline constexpr TTextId kBitrateUnit{"SearchRequest", "00013"};
inline constexpr TTextId kSearchTextMissing{"SearchRequest", "00014"};
inline constexpr TTextId kAllServicesSource{"SearchRequest", "00015"};
inline constexpr TTextId kSizeUnit{"SearchRequest", "00016"};

// The transfer lists: cells, commands and details panels.
inline constexpr TTextId kPlayCommand{"General", "00011"};
inline constexpr TTextId kOpenFileCommand{"General", "00012"};
inline constexpr TTextId kRemoveOneTransfer{"General", "00013"};
inline constexpr TTextId kRemoveTransfers{"General", "00025"};
inline constexpr TTextId kTransferNameColumn{"Transfers", "00001"};
inline constexpr TTextId kTransferStatusColumn{"Transfers", "00003"};
inline constexpr TTextId kTransferSizeLabel{"Transfers", "00004"};
inline constexpr TTextId kTransferEstimatedLabel{"Transfers", "00005"};
inline constexpr TTextId kTransferTransferredLabel{"Transfers", "00006"};
inline constexpr TTextId kTransferBandwidthLabel{"Transfers", "00007"};
inline constexpr TTextId kClearFinishedCommand{"Transfers", "00008"};
inline constexpr TTextId kTransferNickColumn{"Transfers", "00009"};
inline constexpr TTextId kTransferProgressColumn{"Transfers", "00010"};
inline constexpr TTextId kTransferSpeedColumn{"Transfers", "00011"};
inline constexpr TTextId kTransferTransferredColumn{"Transfers", "00012"};
inline constexpr TTextId kTransferSizeColumn{"Transfers", "00013"};

// The search results tabs.
inline constexpr TTextId kResultDescriptionColumn{"General", "00026"};
inline constexpr TTextId kResultServiceColumn{"General", "00027"};
inline constexpr TTextId kResultSizeColumn{"General", "00028"};
inline constexpr TTextId kResultBitrateColumn{"General", "00029"};
inline constexpr TTextId kResultFrequencyColumn{"General", "00030"};
inline constexpr TTextId kResultLengthColumn{"General", "00031"};
inline constexpr TTextId kResultNickColumn{"General", "00032"};
inline constexpr TTextId kResultInfoColumn{"General", "00033"};
inline constexpr TTextId kStopSearchCommand{"SearchResults", "00008"};
inline constexpr TTextId kResultCountStatus{"SearchResults", "00009"};
inline constexpr TTextId kDownloadResultsCommand{"SearchResults", "00010"};
inline constexpr TTextId kResultBitrateCell{"SearchResults", "00011"};
inline constexpr TTextId kResultFrequencyCell{"SearchResults", "00012"};
inline constexpr TTextId kSearchingStatus{"SearchResults", "00013"};
inline constexpr TTextId kNothingFoundStatus{"SearchResults", "00014"};

// The Shared files section.
inline constexpr TTextId kSharedTypeColumn{"General", "00034"};
inline constexpr TTextId kOpenFolderCommand{"SharedItems", "00001"};
inline constexpr TTextId kSharedBitrateCell{"SharedItems", "00004"};
inline constexpr TTextId kSharedFrequencyCell{"SharedItems", "00005"};
inline constexpr TTextId kSharedFileType{"SharedItems", "00006"};
inline constexpr TTextId kSharedFolderType{"SharedItems", "00007"};
inline constexpr TTextId kSharedRootChoice{"SharedItems", "00008"};
inline constexpr TTextId kSharedMP3Type{"SharedItems", "00009"};
// The "view as" check of the section, beyond the numbered texts above.
inline constexpr TTextId kSharedLocationLabel{"SharedItems", "00101"};
inline constexpr TTextId kSharedViewAsLabel{"SharedItems", "00102"};
inline constexpr TTextId kSharedViewerMyself{"SharedItems", "00103"};
inline constexpr TTextId kSharedViewerAnybody{"SharedItems", "00104"};
inline constexpr TTextId kSharedRightsColumn{"SharedItems", "00105"};
inline constexpr TTextId kSharedRightRead{"SharedItems", "00106"};
inline constexpr TTextId kSharedRightWrite{"SharedItems", "00107"};
inline constexpr TTextId kSharedRightCreateFolders{"SharedItems", "00108"};
inline constexpr TTextId kSharedRightDelete{"SharedItems", "00109"};
inline constexpr TTextId kSharedRightRemoveFolders{"SharedItems", "00110"};
inline constexpr TTextId kSharedRightFoundBySearches{"SharedItems", "00111"};

// The start page of the Home section.
inline constexpr TTextId kStartWelcome{"StartPage", "00001"};
inline constexpr TTextId kStartSearchButton{"StartPage", "00002"};
inline constexpr TTextId kStartSearchHint{"StartPage", "00003"};
inline constexpr TTextId kStartNetworks{"StartPage", "00004"};
inline constexpr TTextId kStartNoNetwork{"StartPage", "00005"};
inline constexpr TTextId kStartOnline{"StartPage", "00006"};
inline constexpr TTextId kStartOffline{"StartPage", "00007"};
inline constexpr TTextId kStartSearches{"StartPage", "00008"};
inline constexpr TTextId kStartOpenWords{"StartPage", "00009"};
inline constexpr TTextId kStartSearching{"StartPage", "00010"};
inline constexpr TTextId kStartDownloads{"StartPage", "00011"};
inline constexpr TTextId kStartUploads{"StartPage", "00012"};
inline constexpr TTextId kStartRunningWords{"StartPage", "00013"};
inline constexpr TTextId kStartWaiting{"StartPage", "00014"};
inline constexpr TTextId kStartShared{"StartPage", "00015"};
inline constexpr TTextId kStartFoldersWords{"StartPage", "00016"};
inline constexpr TTextId kStartFiles{"StartPage", "00017"};

// The Shared page of the settings dialog and its dialogs.
inline constexpr TTextId kSharedPageList{"Settings", "00000"};
inline constexpr TTextId kSharedPageAddFolder{"Settings", "00001"};
inline constexpr TTextId kSharedPageAddFile{"Settings", "00002"};
inline constexpr TTextId kSharedPageFileTypes{"Settings", "00003"};
inline constexpr TTextId kSharedPageExtensions{"Settings", "00005"};
inline constexpr TTextId kSharedPageScanSystem{"Settings", "00006"};
inline constexpr TTextId kSharedPageNameColumn{"Settings", "00078"};
inline constexpr TTextId kShareFolderEditTitle{"ModifySharedFolder", "00001"};
inline constexpr TTextId kShareFolderAddTitle{"ModifySharedFolder", "00002"};
inline constexpr TTextId kShareFolderLabel{"ModifySharedFolder", "00003"};
inline constexpr TTextId kShareFolderNameLabel{"ModifySharedFolder", "00004"};
inline constexpr TTextId kShareFolderExtensionsLabel{"ModifySharedFolder", "00005"};
inline constexpr TTextId kShareFolderSubdirectories{"ModifySharedFolder", "00006"};
inline constexpr TTextId kShareSameAccess{"ModifySharedFolder", "00008"};
inline constexpr TTextId kShareOptionsLabel{"ModifySharedFolder", "00009"};
inline constexpr TTextId kShareAllowWrite{"ModifySharedFolder", "00010"};
inline constexpr TTextId kShareAllowDelete{"ModifySharedFolder", "00011"};
inline constexpr TTextId kShareAllowCreateDirectory{"ModifySharedFolder", "00012"};
inline constexpr TTextId kShareAllowRemoveDirectory{"ModifySharedFolder", "00013"};
inline constexpr TTextId kShareLimitAccess{"ModifySharedFolder", "00014"};
inline constexpr TTextId kShareFolderMissingFolder{"ModifySharedFolder", "00015"};
inline constexpr TTextId kShareFolderMissingName{"ModifySharedFolder", "00016"};
inline constexpr TTextId kShareFolderMissingExtensions{"ModifySharedFolder", "00017"};
inline constexpr TTextId kShareFolderNotFound{"ModifySharedFolder", "00018"};
inline constexpr TTextId kShareFolderNameTaken{"ModifySharedFolder", "00019"};
inline constexpr TTextId kShareFolderNameSeparator{"ModifySharedFolder", "00022"};
inline constexpr TTextId kShareFolderChooserTitle{"ModifySharedFolder", "00023"};
inline constexpr TTextId kShareNameTooLong{"ModifySharedFolder", "00024"};
inline constexpr TTextId kShareFileEditTitle{"ModifySharedFile", "00001"};
inline constexpr TTextId kShareFileAddTitle{"ModifySharedFile", "00002"};
inline constexpr TTextId kShareFileNameLabel{"ModifySharedFile", "00003"};
inline constexpr TTextId kShareFileLabel{"ModifySharedFile", "00004"};
inline constexpr TTextId kShareFileNotFound{"ModifySharedFile", "00005"};
inline constexpr TTextId kShareFileMissingName{"ModifySharedFile", "00006"};
inline constexpr TTextId kShareFileNameTaken{"ModifySharedFile", "00007"};
inline constexpr TTextId kShareAccessAddTitle{"ModifySharedAccess", "00001"};
inline constexpr TTextId kShareAccessEditTitle{"ModifySharedAccess", "00002"};
inline constexpr TTextId kShareAccessAllUsers{"ModifySharedAccess", "00003"};
inline constexpr TTextId kShareAccessChoiceLabel{"ModifySharedAccess", "00004"};
inline constexpr TTextId kShareIncludeInSearches{"ModifySharedAccess", "00005"};
inline constexpr TTextId kShareAccessDuplicate{"ModifySharedAccess", "00006"};
inline constexpr TTextId kShareAccessUnstorableAccount{"ModifySharedAccess", "00007"};
inline constexpr TTextId kShareRemovalQuestion{"DeleteShare", "00001"};
inline constexpr TTextId kScanProgressStart{"SearchSystemProgress", "00001"};

// The settings dialog: its title, its built-in pages and their controls.
inline constexpr TTextId kSettingsTitle{"Settings", "00082"};
inline constexpr TTextId kSettingsDirectoriesPage{"Settings", "00008"};
inline constexpr TTextId kSettingsSearchesPage{"Settings", "00079"};
inline constexpr TTextId kSettingsUploadsPage{"Settings", "00072"};
inline constexpr TTextId kSettingsDownloadsPage{"Settings", "00071"};
inline constexpr TTextId kSettingsAdvancedPage{"Settings", "00070"};
inline constexpr TTextId kSettingsUsersPage{"Settings", "00073"};
inline constexpr TTextId kSettingsExtensionsLabel{"Settings", "00005"};
inline constexpr TTextId kSettingsLimitResults{"Settings", "00010"};
inline constexpr TTextId kSettingsMaximumResults{"Settings", "00011"};
inline constexpr TTextId kSettingsHideExtensions{"Settings", "00012"};
inline constexpr TTextId kSettingsGroupResults{"Settings", "00013"};
inline constexpr TTextId kSettingsLimitResultTabs{"Settings", "00014"};
inline constexpr TTextId kSettingsMaximumResultTabs{"Settings", "00015"};
inline constexpr TTextId kSettingsSearchRequests{"Settings", "00016"};
inline constexpr TTextId kSettingsKeepHistory{"Settings", "00017"};
inline constexpr TTextId kSettingsMaximumHistory{"Settings", "00018"};
inline constexpr TTextId kSettingsClearHistory{"Settings", "00019"};
inline constexpr TTextId kSettingsRememberRequest{"Settings", "00020"};
inline constexpr TTextId kSettingsClearRequest{"Settings", "00021"};
inline constexpr TTextId kSettingsUploadLimits{"Settings", "00022"};
inline constexpr TTextId kSettingsLimitUploads{"Settings", "00023"};
inline constexpr TTextId kSettingsMaximumUploads{"Settings", "00024"};
inline constexpr TTextId kSettingsLimitUploadsPerHost{"Settings", "00025"};
inline constexpr TTextId kSettingsMaximumUploadsPerHost{"Settings", "00026"};
inline constexpr TTextId kSettingsLimitUploadQueues{"Settings", "00027"};
inline constexpr TTextId kSettingsMaximumUploadQueues{"Settings", "00028"};
inline constexpr TTextId kSettingsLimitUploadQueuesPerHost{"Settings", "00029"};
inline constexpr TTextId kSettingsMaximumUploadQueuesPerHost{"Settings", "00030"};
inline constexpr TTextId kSettingsLimitUploadBandwidth{"Settings", "00031"};
inline constexpr TTextId kSettingsMaximumUploadBandwidth{"Settings", "00032"};
inline constexpr TTextId kSettingsOtherOptions{"Settings", "00033"};
inline constexpr TTextId kSettingsClearCompleteUploads{"Settings", "00034"};
inline constexpr TTextId kSettingsClearFailedUploads{"Settings", "00035"};
inline constexpr TTextId kSettingsUploadTimeout{"Settings", "00036"};
inline constexpr TTextId kSettingsSecondsUnit{"Settings", "00037"};
inline constexpr TTextId kSettingsDownloadLimits{"Settings", "00038"};
inline constexpr TTextId kSettingsLimitDownloads{"Settings", "00039"};
inline constexpr TTextId kSettingsMaximumDownloads{"Settings", "00040"};
inline constexpr TTextId kSettingsLimitDownloadBandwidth{"Settings", "00041"};
inline constexpr TTextId kSettingsMaximumDownloadBandwidth{"Settings", "00042"};
inline constexpr TTextId kSettingsLimitDownloadsPerHost{"Settings", "00043"};
inline constexpr TTextId kSettingsMaximumDownloadsPerHost{"Settings", "00044"};
inline constexpr TTextId kSettingsCompletedFolder{"Settings", "00048"};
inline constexpr TTextId kSettingsTempFolder{"Settings", "00049"};
inline constexpr TTextId kSettingsDownloadTimeout{"Settings", "00050"};
inline constexpr TTextId kSettingsClearCompleteDownloads{"Settings", "00052"};
inline constexpr TTextId kSettingsClearFailedDownloads{"Settings", "00053"};
inline constexpr TTextId kSettingsPickFolder{"Settings", "00085"};
inline constexpr TTextId kSettingsAutostartFailed{"Settings", "00086"};
inline constexpr TTextId kSettingsMiscSettings{"Settings", "00055"};
inline constexpr TTextId kSettingsLaunchAtStartup{"Settings", "00056"};
inline constexpr TTextId kSettingsMinimizeAtStartup{"Settings", "00057"};
inline constexpr TTextId kSettingsRememberLocation{"Settings", "00058"};
inline constexpr TTextId kSettingsMinimizeOnClose{"Settings", "00084"};
inline constexpr TTextId kSettingsSafeFileTypes{"Settings", "00007"};
inline constexpr TTextId kSettingsHistoryCleared{"Settings", "00083"};
inline constexpr TTextId kSettingsUserNameColumn{"Settings", "00074"};

// The user dialog and the user removal question.
inline constexpr TTextId kUserNameLabel{"ModifyUser", "00001"};
inline constexpr TTextId kUserPasswordLabel{"ModifyUser", "00002"};
inline constexpr TTextId kAddUserTitle{"ModifyUser", "00003"};
inline constexpr TTextId kEditUserTitle{"ModifyUser", "00004"};
inline constexpr TTextId kUserNameMissing{"ModifyUser", "00005"};
inline constexpr TTextId kUserRealmLabel{"ModifyUser", "00006"};
inline constexpr TTextId kUserNameTaken{"ModifyUser", "00007"};
inline constexpr TTextId kUserRealmMissing{"ModifyUser", "00008"};
inline constexpr TTextId kUserNameNotStorable{"ModifyUser", "00009"};
inline constexpr TTextId kUserNameTooLong{"ModifyUser", "00010"};
inline constexpr TTextId kUserPasswordNotStorable{"ModifyUser", "00011"};
inline constexpr TTextId kDeleteUserQuestion{"DeleteUser", "00001"};

}  // namespace kp::text
