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

}  // namespace kp::text
