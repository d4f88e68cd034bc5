#pragma once
// Every text the program looks up in the language file, by section and five-digit
// id, with a short note of where it shows. The language file that ships with the
// program holds each of them; a translation should too.

#include <array>
#include <span>
#include <string_view>

namespace kp {

struct LanguageTextId {
  std::string_view section;
  std::string_view id;
  // The arguments the text is formatted with, in order: empty for a text that is
  // shown as it stands, "s" for one text, "d" for one integer, "dd" for two.
  // A formatted text holds exactly these placeholders (%s or %d; %% for a
  // percent sign); a text shown as it stands holds none.
  std::string_view arguments;
  std::string_view use;
};

// Grouped by section, in the order the language file lists them.
inline constexpr std::array kLanguageTexts{
    // Shared words: buttons, commands, units and column titles.
    LanguageTextId{"General", "00001", "", "Edit button"},
    LanguageTextId{"General", "00002", "",
                   "Remove (or Delete) button; remove command for one transfer group"},
    LanguageTextId{"General", "00003", "", "OK button; Yes of the share removal question"},
    LanguageTextId{"General", "00004", "", "Cancel button; No of the share removal question"},
    LanguageTextId{"General", "00005", "", "Add button"},
    LanguageTextId{"General", "00006", "", "Next button of the wizards"},
    LanguageTextId{"General", "00008", "", "Next button of the wizards on their last page (Finish)"},
    LanguageTextId{"General", "00009", "", "Yes button"},
    LanguageTextId{"General", "00010", "", "No button"},
    LanguageTextId{"General", "00011", "", "command that plays an MP3 file (transfers, shared files)"},
    LanguageTextId{"General", "00012", "", "command that opens any other file (transfers, shared files)"},
    LanguageTextId{"General", "00013", "", "remove command when one transfer is selected"},
    LanguageTextId{"General", "00014", "", "duration of zero seconds"},
    LanguageTextId{"General", "00015", "", "duration unit: seconds"},
    LanguageTextId{"General", "00016", "", "duration unit: minutes"},
    LanguageTextId{"General", "00017", "", "duration unit: hours"},
    LanguageTextId{"General", "00018", "", "duration unit: days"},
    LanguageTextId{"General", "00019", "", "duration unit: years"},
    LanguageTextId{"General", "00020", "s", "size in bytes, with the number"},
    LanguageTextId{"General", "00021", "s", "size in kilobytes (1,000 bytes), with the number"},
    LanguageTextId{"General", "00022", "s", "size in megabytes, with the number"},
    LanguageTextId{"General", "00023", "s", "size in gigabytes, with the number"},
    LanguageTextId{"General", "00024", "s", "size in terabytes, with the number"},
    LanguageTextId{"General", "00025", "", "remove command when several transfers are selected"},
    LanguageTextId{"General", "00026", "", "Name column (search results, shared files)"},
    LanguageTextId{"General", "00027", "", "Service column of the search results"},
    LanguageTextId{"General", "00028", "", "Size column"},
    LanguageTextId{"General", "00029", "", "Bitrate column"},
    LanguageTextId{"General", "00030", "", "Frequency column"},
    LanguageTextId{"General", "00031", "", "Length column"},
    LanguageTextId{"General", "00032", "", "Nick column of the search results"},
    LanguageTextId{"General", "00033", "", "Info column of the search results"},
    LanguageTextId{"General", "00034", "", "Type column of the shared files"},

    // The main window: caption, section tabs, menu and button bar commands.
    LanguageTextId{"Main", "00001", "", "online state, after the name in the window caption"},
    LanguageTextId{"Main", "00002", "", "offline state, after the name in the window caption"},
    LanguageTextId{"Main", "00004", "", "tab of the web start page"},
    LanguageTextId{"Main", "00005", "", "Services tab; heading of the services list menu"},
    LanguageTextId{"Main", "00006", "", "Uploads tab; command that shows the uploads"},
    LanguageTextId{"Main", "00007", "", "Shared files tab"},
    LanguageTextId{"Main", "00008", "", "Downloads tab; command that shows the downloads"},
    LanguageTextId{"Main", "00009", "", "Search results tab"},
    LanguageTextId{"Main", "00010", "", "command (and Services tab button) that adds a service"},
    LanguageTextId{"Main", "00011", "", "command (and Services tab button) that opens the services dialog"},
    LanguageTextId{"Main", "00012", "", "menu heading named after the program"},
    LanguageTextId{"Main", "00013", "", "command that opens the settings"},
    LanguageTextId{"Main", "00014", "", "command that exits the program"},
    LanguageTextId{"Main", "00015", "", "command that opens the search request"},
    LanguageTextId{"Main", "00016", "", "command that opens the help page; heading of the help menu"},
    LanguageTextId{"Main", "00018", "", "command that opens the About dialog"},
    LanguageTextId{"Main", "00020", "", "tray menu entry that hides the shown window"},
    LanguageTextId{"Main", "00021", "", "tray menu entry that shows the hidden window"},
    LanguageTextId{"Main", "00022", "s", "message: no application opens the file or link (the link)"},

    LanguageTextId{"About", "00001", "", "About tab"},
    LanguageTextId{"About", "00002", "", "Version Info tab"},
    LanguageTextId{"About", "00003", "", "line that invites questions, above the support address"},
    LanguageTextId{"About", "00004", "", "label of the build number"},
    LanguageTextId{"About", "00005", "", "label of the plugin list"},

    // The settings dialog.
    LanguageTextId{"Settings", "00000", "", "Directories page: list of shared items"},
    LanguageTextId{"Settings", "00001", "", "Directories page: Add Folder button"},
    LanguageTextId{"Settings", "00002", "", "Directories page: Add File button"},
    LanguageTextId{"Settings", "00003", "", "Directories page: heading of the scanned file types"},
    LanguageTextId{"Settings", "00005", "",
                   "label of the extension fields (Directories, Searches, Advanced)"},
    LanguageTextId{"Settings", "00006", "", "Directories page: Scan System button"},
    LanguageTextId{"Settings", "00007", "", "Advanced page: heading of the file types that may be opened"},
    LanguageTextId{"Settings", "00008", "", "Directories page title"},
    LanguageTextId{"Settings", "00010", "", "Searches page: box that limits the results"},
    LanguageTextId{"Settings", "00011", "", "Searches page: label of the result limit"},
    LanguageTextId{"Settings", "00012", "", "Searches page: box that hides results by extension"},
    LanguageTextId{"Settings", "00013", "", "Searches page: box that groups results"},
    LanguageTextId{"Settings", "00014", "", "Searches page: box that limits the result tabs"},
    LanguageTextId{"Settings", "00015", "", "Searches page: label of the tab limit"},
    LanguageTextId{"Settings", "00016", "", "Searches page: heading of the request options"},
    LanguageTextId{"Settings", "00017", "", "Searches page: box that keeps the search history"},
    LanguageTextId{"Settings", "00018", "", "Searches page: label of the history length"},
    LanguageTextId{"Settings", "00019", "", "Searches page: button that clears the history"},
    LanguageTextId{"Settings", "00020", "", "Searches page: choice that keeps the request fields"},
    LanguageTextId{"Settings", "00021", "", "Searches page: choice that clears the request fields"},
    LanguageTextId{"Settings", "00022", "", "Uploads page: heading of the limits"},
    LanguageTextId{"Settings", "00023", "", "Uploads page: box that limits the uploads"},
    LanguageTextId{"Settings", "00024", "", "Uploads page: label of the upload limit"},
    LanguageTextId{"Settings", "00025", "", "Uploads page: box that limits the uploads per host"},
    LanguageTextId{"Settings", "00026", "", "Uploads page: label of the per-host limit"},
    LanguageTextId{"Settings", "00027", "", "Uploads page: box that limits the upload queue"},
    LanguageTextId{"Settings", "00028", "", "Uploads page: label of the queue limit"},
    LanguageTextId{"Settings", "00029", "", "Uploads page: box that limits the queue per host"},
    LanguageTextId{"Settings", "00030", "", "Uploads page: label of the per-host queue limit"},
    LanguageTextId{"Settings", "00031", "", "Uploads page: box that limits the bandwidth"},
    LanguageTextId{"Settings", "00032", "", "Uploads page: label of the bandwidth limit"},
    LanguageTextId{"Settings", "00033", "", "Uploads and Downloads pages: heading of the other options"},
    LanguageTextId{"Settings", "00034", "", "Uploads page: box that clears complete uploads"},
    LanguageTextId{"Settings", "00035", "", "Uploads page: box that clears failed uploads"},
    LanguageTextId{"Settings", "00036", "", "Uploads page: label of the timeout"},
    LanguageTextId{"Settings", "00037", "", "Uploads and Downloads pages: unit after the timeouts"},
    LanguageTextId{"Settings", "00038", "", "Downloads page: heading of the limits"},
    LanguageTextId{"Settings", "00039", "", "Downloads page: box that limits the downloads"},
    LanguageTextId{"Settings", "00040", "", "Downloads page: label of the download limit"},
    LanguageTextId{"Settings", "00041", "", "Downloads page: box that limits the bandwidth"},
    LanguageTextId{"Settings", "00042", "", "Downloads page: label of the bandwidth limit"},
    LanguageTextId{"Settings", "00043", "", "Downloads page: box that limits the downloads per host"},
    LanguageTextId{"Settings", "00044", "", "Downloads page: label of the per-host limit"},
    LanguageTextId{"Settings", "00048", "", "Downloads page: label of the folder for completed files"},
    LanguageTextId{"Settings", "00049", "", "Downloads page: label of the folder for incomplete files"},
    LanguageTextId{"Settings", "00050", "", "Downloads page: label of the timeout"},
    LanguageTextId{"Settings", "00052", "", "Downloads page: box that clears complete downloads"},
    LanguageTextId{"Settings", "00053", "", "Downloads page: box that clears failed downloads"},
    LanguageTextId{"Settings", "00055", "", "Advanced page: heading"},
    LanguageTextId{"Settings", "00056", "", "Advanced page: box that starts the program at log-in"},
    LanguageTextId{"Settings", "00057", "", "Advanced page: box that starts the program hidden in the tray"},
    LanguageTextId{"Settings", "00058", "", "Advanced page: box that restores the window position"},
    LanguageTextId{"Settings", "00070", "", "Advanced page title"},
    LanguageTextId{"Settings", "00071", "", "Downloads page title"},
    LanguageTextId{"Settings", "00072", "", "Uploads page title"},
    LanguageTextId{"Settings", "00073", "", "Users page title and heading"},
    LanguageTextId{"Settings", "00074", "", "Users page: column of the user names"},
    LanguageTextId{"Settings", "00078", "", "Directories page: column of the shared items"},
    LanguageTextId{"Settings", "00079", "", "Searches page title"},
    LanguageTextId{"Settings", "00082", "", "title of the settings dialog"},
    LanguageTextId{"Settings", "00083", "", "message after the search history was cleared"},
    LanguageTextId{"Settings", "00084", "", "Advanced page: box that hides the window on its close button"},

    // Services: the wizard, the services dialog and its removal question.
    LanguageTextId{"ServiceWizard", "00001", "",
                   "title and heading of the service wizard when it adds a service"},
    LanguageTextId{"ServiceWizard", "00002", "", "instructions of the service type page"},
    LanguageTextId{"ServiceWizard", "00003", "", "label of the service type list"},
    LanguageTextId{"ServiceWizard", "00004", "",
                   "title and heading of the service wizard when it edits a service"},
    LanguageTextId{"ModifyService", "00001", "", "heading of the services dialog"},
    LanguageTextId{"DeleteService", "00001", "", "question before a service is removed"},

    LanguageTextId{"SetupWizard", "00009", "", "message when the license agreement is not accepted"},

    // Searching.
    LanguageTextId{"SearchRequest", "00001", "", "label above the list of places to search"},
    LanguageTextId{"SearchRequest", "00002", "", "label of the list of places to search"},
    LanguageTextId{"SearchRequest", "00003", "", "Simple page"},
    LanguageTextId{"SearchRequest", "00004", "", "Advanced page"},
    LanguageTextId{"SearchRequest", "00005", "", "choice of an MP3 search"},
    LanguageTextId{"SearchRequest", "00006", "", "choice of a search for any file"},
    LanguageTextId{"SearchRequest", "00007", "", "label of the first search text in an MP3 search"},
    LanguageTextId{"SearchRequest", "00008", "", "label of the song title"},
    LanguageTextId{"SearchRequest", "00009", "", "label of the search text in a search for any file"},
    LanguageTextId{"SearchRequest", "00010", "", "box of the minimum size"},
    LanguageTextId{"SearchRequest", "00011", "", "box of the maximum size"},
    LanguageTextId{"SearchRequest", "00012", "", "box of the minimum bitrate"},
    LanguageTextId{"SearchRequest", "00013", "", "unit after the bitrate"},
    LanguageTextId{"SearchRequest", "00014", "", "message when both search texts are empty"},
    LanguageTextId{"SearchRequest", "00015", "", "first place to search: every service"},
    LanguageTextId{"SearchRequest", "00016", "", "unit after the sizes"},
    LanguageTextId{"SearchResults", "00008", "", "command that stops the search"},
    LanguageTextId{"SearchResults", "00009", "d", "status line: the number of results"},
    LanguageTextId{"SearchResults", "00010", "", "command that downloads the selected results"},
    LanguageTextId{"SearchResults", "00011", "d", "Bitrate cell of a music file: the bitrate"},
    LanguageTextId{"SearchResults", "00012", "d", "Frequency cell of a music file: the frequency"},
    LanguageTextId{"SearchResults", "00013", "", "status line until the first result arrives"},
    LanguageTextId{"SearchResults", "00014", "", "status line when nothing was found"},

    // Transfers: the Downloads and Uploads lists and their details panels.
    LanguageTextId{"Downloads", "00001", "dd",
                   "status of a download queued by the remote side: its place and the queue length"},
    LanguageTextId{"Downloads", "00002", "dd", "status of a queued download: its place and the queue length"},
    LanguageTextId{"Downloads", "00003", "d", "status of a running or paused download: its percentage"},
    LanguageTextId{"Downloads", "00004", "", "status of a starting download"},
    LanguageTextId{"Downloads", "00005", "", "status of a complete download"},
    LanguageTextId{"Downloads", "00006", "", "status of a paused download"},
    LanguageTextId{"Downloads", "00007", "d", "details panel: the percentage done"},
    LanguageTextId{"Downloads", "00008", "d", "details panel: the speed in bytes per second"},
    LanguageTextId{"Downloads", "00009", "", "command that starts a queued download at once"},
    LanguageTextId{"Downloads", "00011", "", "row of all downloads; title of its details panel"},
    LanguageTextId{"Downloads", "00013", "", "details panel: title of the group's bandwidth"},
    LanguageTextId{"Downloads", "00014", "", "command that pauses a download"},
    LanguageTextId{"Downloads", "00015", "", "command that resumes a download"},
    LanguageTextId{"Downloads", "00016", "", "question before every download of a group is removed"},
    // Shown as it stands, so it holds no placeholder; the Speed cell of a paused
    // download takes 00018 like that of a running one.
    LanguageTextId{"Downloads", "00017", "",
                   "status of a download queued by the remote side when its place is unknown"},
    LanguageTextId{"Downloads", "00018", "d", "Speed cell of a running download: bytes per second"},
    LanguageTextId{"Uploads", "00002", "dd", "status of a queued upload: its place and the queue length"},
    LanguageTextId{"Uploads", "00003", "d", "status of a running or paused upload: its percentage"},
    LanguageTextId{"Uploads", "00004", "", "status of a starting upload"},
    LanguageTextId{"Uploads", "00005", "", "status of a complete upload"},
    LanguageTextId{"Uploads", "00006", "", "status of a paused upload"},
    LanguageTextId{"Uploads", "00007", "d", "details panel: the percentage done"},
    LanguageTextId{"Uploads", "00008", "d", "details panel: the speed in bytes per second"},
    LanguageTextId{"Uploads", "00009", "", "command that starts a queued upload at once"},
    LanguageTextId{"Uploads", "00011", "", "row of all uploads; title of its details panel"},
    LanguageTextId{"Uploads", "00013", "", "details panel: title of the group's bandwidth"},
    LanguageTextId{"Uploads", "00014", "", "command that pauses an upload"},
    LanguageTextId{"Uploads", "00015", "", "command that resumes an upload"},
    LanguageTextId{"Uploads", "00017", "d", "Speed cell of a running or paused upload: bytes per second"},
    LanguageTextId{"Transfers", "00001", "", "Name column"},
    LanguageTextId{"Transfers", "00003", "", "Status column"},
    LanguageTextId{"Transfers", "00004", "", "details panel: label of the size"},
    LanguageTextId{"Transfers", "00005", "", "details panel: label of the time left"},
    LanguageTextId{"Transfers", "00006", "", "details panel: label of the bytes transferred"},
    LanguageTextId{"Transfers", "00007", "", "details panel: label of the bandwidth"},
    LanguageTextId{"Transfers", "00008", "", "command that clears the finished transfers of a group"},
    LanguageTextId{"Transfers", "00009", "", "Nick column"},
    LanguageTextId{"Transfers", "00010", "", "Progress column"},
    LanguageTextId{"Transfers", "00011", "", "Speed column"},
    LanguageTextId{"Transfers", "00012", "",
                   "Transferred column; details panel title until a transfer is shown"},
    LanguageTextId{"Transfers", "00013", "", "Size column"},

    // Sharing: the Shared files section, the share dialogs and the scan window.
    LanguageTextId{"SharedItems", "00001", "", "command that opens the selected folder"},
    LanguageTextId{"SharedItems", "00004", "s", "Bitrate cell of an MP3 file: the bitrate"},
    LanguageTextId{"SharedItems", "00005", "s", "Frequency cell of an MP3 file: the frequency"},
    LanguageTextId{"SharedItems", "00006", "", "Type cell of a file (the list sorts by type)"},
    LanguageTextId{"SharedItems", "00007", "", "Type cell of a folder; sorts before both file types"},
    LanguageTextId{"SharedItems", "00008", "", "location list: the root of the shared files"},
    LanguageTextId{"SharedItems", "00009", "", "Type cell of an MP3 file (the list sorts by type)"},
    LanguageTextId{"ModifySharedFolder", "00001", "", "title of the folder dialog when editing"},
    LanguageTextId{"ModifySharedFolder", "00002", "", "title of the folder dialog when adding"},
    LanguageTextId{"ModifySharedFolder", "00003", "", "label of the folder"},
    LanguageTextId{"ModifySharedFolder", "00004", "", "label of the virtual name"},
    LanguageTextId{"ModifySharedFolder", "00005", "", "label of the file extensions"},
    LanguageTextId{"ModifySharedFolder", "00006", "", "box that includes the subfolders"},
    LanguageTextId{"ModifySharedFolder", "00008", "",
                   "choice of the same access for everybody (also for files)"},
    LanguageTextId{"ModifySharedFolder", "00009", "",
                   "label of the access options (also in the access dialog)"},
    LanguageTextId{"ModifySharedFolder", "00010", "", "box that allows writing"},
    LanguageTextId{"ModifySharedFolder", "00011", "", "box that allows deleting files"},
    LanguageTextId{"ModifySharedFolder", "00012", "", "box that allows creating folders"},
    LanguageTextId{"ModifySharedFolder", "00013", "", "box that allows removing folders"},
    LanguageTextId{"ModifySharedFolder", "00014", "",
                   "choice that limits access to some users (also for files)"},
    LanguageTextId{"ModifySharedFolder", "00015", "", "message: no folder chosen"},
    LanguageTextId{"ModifySharedFolder", "00016", "", "message: no virtual name"},
    LanguageTextId{"ModifySharedFolder", "00017", "", "message: no file extensions"},
    LanguageTextId{"ModifySharedFolder", "00018", "", "message: the folder does not exist"},
    LanguageTextId{"ModifySharedFolder", "00019", "", "message: the virtual name is taken"},
    LanguageTextId{"ModifySharedFolder", "00022", "", "message: the virtual name holds a slash or backslash"},
    LanguageTextId{"ModifySharedFile", "00001", "", "title of the file dialog when editing"},
    LanguageTextId{"ModifySharedFile", "00002", "", "title of the file dialog when adding"},
    LanguageTextId{"ModifySharedFile", "00003", "", "label of the virtual name"},
    LanguageTextId{"ModifySharedFile", "00004", "", "label of the file"},
    LanguageTextId{"ModifySharedFile", "00005", "", "message: the file does not exist"},
    LanguageTextId{"ModifySharedFile", "00006", "", "message: no virtual name"},
    LanguageTextId{"ModifySharedFile", "00007", "", "message: the virtual name is taken"},
    LanguageTextId{"ModifySharedAccess", "00001", "", "title of the access dialog when adding"},
    LanguageTextId{"ModifySharedAccess", "00002", "", "title of the access dialog when editing"},
    // Shown as it stands in the user choice and in the edit dialog's caption, and
    // put through the format with the service's name in the access list: a text
    // without a placeholder reads well in all three, under the service's own row.
    LanguageTextId{"ModifySharedAccess", "00003", "", "entry for all users of a service"},
    LanguageTextId{"ModifySharedAccess", "00004", "", "label of the user or service choice"},
    LanguageTextId{"ModifySharedAccess", "00005", "", "box that includes the item in search answers"},
    LanguageTextId{"ModifySharedAccess", "00006", "", "message: the list already has this user"},
    LanguageTextId{"DeleteShare", "00001", "", "question before shared items are removed"},
    LanguageTextId{"SearchSystemProgress", "00001", "", "first line of the system scan window"},

    // Users.
    LanguageTextId{"ModifyUser", "00001", "", "label of the user name"},
    LanguageTextId{"ModifyUser", "00002", "", "label of the password"},
    LanguageTextId{"ModifyUser", "00003", "", "title of the user dialog when adding"},
    LanguageTextId{"ModifyUser", "00004", "", "title of the user dialog when editing"},
    LanguageTextId{"ModifyUser", "00005", "", "message: no user name"},
    LanguageTextId{"ModifyUser", "00006", "", "label of the service the user belongs to"},
    LanguageTextId{"ModifyUser", "00007", "", "message: the service already has a user of that name"},
    LanguageTextId{"ModifyUser", "00008", "", "message: no service chosen"},
    LanguageTextId{"DeleteUser", "00001", "", "question before a user is removed"},
};
inline constexpr std::span<const LanguageTextId> kLanguageTextIds{kLanguageTexts};

// A text the code looks up, checked against the table when the program is
// compiled: an id that the table does not list does not compile.
struct TTextId {
  std::string_view section;
  std::string_view id;

  consteval TTextId(std::string_view section_, std::string_view id_) : section(section_), id(id_) {
    bool listed = false;
    for (const LanguageTextId& text : kLanguageTexts) listed = listed || (text.section == section && text.id == id);
    // Not a constant expression, so a call with an unlisted id fails to compile.
    if (!listed) throw "the language table does not list this text";
  }
};

}  // namespace kp
