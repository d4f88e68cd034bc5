// The scenarios the kit drives a plugin through. Each runs in a process of its
// own, so it may leave the core in any state; each checks what the plugin
// contract asks of a plugin in one family of the API.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/host/message_packet.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_holder.h"
#include "core/host/plugin_manager.h"
#include "core/platform/file_io.h"
#include "core/search/search_context.h"
#include "core/search/search_list.h"
#include "core/search/search_request.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/shared_api.h"
#include "core/sharing/shared_items.h"
#include "core/transfers/download_list.h"
#include "core/transfers/upload_list.h"
#include "core/users/users.h"
#include "kit_harness.h"

namespace kp::kit {
namespace {

using std::chrono::milliseconds;
using namespace std::string_literals;

// Texts a plugin meets from users and peers: every one must be handled.
struct THostileText {
  const char* label;
  std::string text;
};

const std::vector<THostileText>& HostileTexts() {
  static const std::vector<THostileText> texts = {
      {"a normal text", "kit test"},
      {"an empty text", ""},
      {"a 4 KiB text", std::string(4096, 'k')},
      {"control characters", "\x01\x02\t\r\n\x1b[2J\x7f"},
      {"invalid UTF-8", "\xff\xfe\xc3\x28\xa0\xa1\xe2\x28\xa1"},
      {"format directives", "%s%n%x%p%99999999d"},
      {"a path out of the folder", "../../etc/passwd"},
  };
  return texts;
}

bool HasDescription(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c != ' ' && c != '\t'; });
}

TGuid KitGuid(std::uint32_t data1) { return TGuid{data1, 0x4B17, 0x4B17, {0x4B, 0x49, 0x54, 0, 0, 0, 0, 1}}; }

// ---- the search request as the window sends it --------------------------------

// Chooses the service's own place in the request's list; false when it has none.
bool ChooseService(TSearchRequest& request, std::uint32_t service) {
  const std::vector<TSearchSource>& sources = request.Sources();
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (sources[i].kind == TSourceKind::Service && sources[i].service == service) {
      request.SelectSource(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

// Sends a search for the text to one service; the search's ID, or -1. An
// empty first text goes with a second text, which a search for any file
// leaves aside: the plugin hears the empty text all the same.
std::int32_t SendSearch(TKit& kit, std::uint32_t service, const std::string& text) {
  TSearchRequest& request = kit.Run().SearchRequest();
  if (!ChooseService(request, service)) return -1;
  request.SetMP3Search(false);
  request.SetText1(text);
  request.SetText2(text.empty() ? "kit" : "");
  const TSearchRequest::TSendOutcome outcome = request.Send();
  return outcome.fault == TRequestFault::None ? outcome.searchID : -1;
}

bool StillSearching(TKit& kit, std::int32_t searchID) {
  const TSearchContext* search = kit.Run().Searches().FindSearch(searchID);
  return search && search->Searching();
}

void Close(TKit& kit, std::int32_t searchID) {
  if (TSearchContext* search = kit.Run().Searches().FindSearch(searchID)) kit.Run().Searches().CloseSearch(*search);
}

// ---- load ---------------------------------------------------------------------

void Load(TKit& kit) {
  const TPluginHolder& plugin = *kit.Plugin();
  kit.Report().Detail("loaded as " + TKit::Quoted(plugin.DisplayName()) + " version " + plugin.VersionText() +
                      " GUID " + GuidToText(plugin.PluginGuid()));
  if (!HasDescription(plugin.DisplayName())) kit.Report().Fault("the plugin block's DisplayName is empty");
  if (plugin.VersionText() == "0.00") kit.Report().Fault("the plugin block has no version (VersionA, B, C are 0)");
  if (plugin.PluginGuid() == TGuid{}) kit.Report().Fault("the plugin block's PluginGUID is zero");
}

// ---- lifecycle ----------------------------------------------------------------

void Lifecycle(TKit& kit) {
  kit.Pump(milliseconds(1000));
  const TPluginManager& plugins = kit.Run().Plugins();
  const auto before = std::chrono::steady_clock::now();
  kit.Finish();
  const auto took = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - before);
  kit.Report().Detail("OnApplicationEnd and shutdown took " + std::to_string(took.count()) + " ms");
  if (took > kit.Timeout()) {
    kit.Report().Fault("OnApplicationEnd and TPlugin_OnShutdown took " + std::to_string(took.count()) +
                       " ms, more than the time-out");
  }
  if (!plugins.KeptLibraries().empty()) {
    kit.Report().Fault("a thread of the plugin still called the program after TPlugin_OnShutdown: its library "
                       "stays loaded (join your threads in OnApplicationEnd or TPlugin_OnShutdown)");
  }
}

// ---- services -----------------------------------------------------------------

void Services(TKit& kit) {
  TServiceRegistry& registry = kit.Run().Services();
  const TPluginHolder* plugin = kit.Plugin();
  std::vector<TGuid> guids;
  std::size_t types = 0;
  auto checkGuid = [&](const TGuid& guid, const std::string& what) {
    if (guid == TGuid{}) kit.Report().Fault(what + " has a zero GUID");
    if (std::find(guids.begin(), guids.end(), guid) != guids.end()) {
      kit.Report().Fault(what + " has the GUID " + GuidToText(guid) + " of another type or service");
    }
    guids.push_back(guid);
  };
  for (const TServiceTypeHolder* type : registry.Types()) {
    if (type->plugin != plugin) continue;
    ++types;
    kit.Report().Detail("type " + TKit::Quoted(type->description));
    if (!HasDescription(type->description)) kit.Report().Fault("a service type has an empty description");
    checkGuid(type->guid, "the service type " + TKit::Quoted(type->description));
  }
  const std::vector<TServiceHolder*> services = kit.OwnServices();
  for (const TServiceHolder* service : services) {
    kit.Report().Detail("service " + TKit::Quoted(service->description));
    if (!HasDescription(service->description)) kit.Report().Fault("a service has an empty description");
    checkGuid(service->guid, "the service " + TKit::Quoted(service->description));
  }
  if (types == 0 && services.empty()) kit.Report().Note("the plugin registers no service types or services");
  // The user's clicks on each service's button and check box, by handle: a
  // plugin's answer may remove services.
  std::vector<std::uint32_t> handles;
  for (const TServiceHolder* service : services) handles.push_back(service->Handle());
  for (const std::uint32_t handle : handles) {
    if (!registry.FindService(handle)) continue;
    registry.SetActive(handle);
    kit.Pump(milliseconds(100));
    for (int round = 0; round < 2; ++round) {
      const TServiceHolder* service = registry.FindService(handle);
      if (!service) break;
      registry.UserChecks(handle, !service->checked);
      kit.Pump(milliseconds(100));
    }
  }
}

// ---- search -------------------------------------------------------------------

void Search(TKit& kit) {
  const std::vector<TServiceHolder*> services = kit.OwnServices();
  if (services.empty()) {
    kit.Report().Note("the plugin has no services to search with");
    return;
  }
  for (const TServiceHolder* service : services) {
    const std::uint32_t handle = service->Handle();
    const std::string name = TKit::Quoted(service->description);
    std::size_t found = 0;
    bool undescribed = false;
    for (const THostileText& text : HostileTexts()) {
      if (!kit.Run().Services().FindService(handle)) break;
      kit.Report().Detail("the service " + name + " searches with " + text.label);
      const std::int32_t id = SendSearch(kit, handle, text.text);
      if (id < 0) {
        kit.Report().Detail("the search request refused " + std::string(text.label));
        continue;
      }
      if (!kit.PumpUntil([&] { return !StillSearching(kit, id); }, kit.Timeout())) {
        kit.Report().Fault("the service " + name + " did not complete the search for " + text.label + " within " +
                           std::to_string(kit.Timeout().count() / 1000) + " s (SearchComplete missing)");
        Close(kit, id);
        break;  // the next texts would only wait as long again
      }
      if (const TSearchContext* search = kit.Run().Searches().FindSearch(id)) {
        found += search->Results.size();
        for (const auto& result : search->Results) undescribed |= !HasDescription(result->Description);
      }
      Close(kit, id);
    }
    if (undescribed) kit.Report().Fault("the service " + name + " reported a result without a description");
    kit.Report().Detail("the service " + name + " found " + std::to_string(found) + " results");
  }
  // Closing searches while they run: the plugin hears OnSearchClose at once,
  // and whatever it still reports is the core's to drop.
  for (const TServiceHolder* service : kit.OwnServices()) {
    const std::int32_t id = SendSearch(kit, service->Handle(), "kit closed at once");
    if (id >= 0) Close(kit, id);
  }
  kit.Pump(milliseconds(1000));
}

// ---- transfers ----------------------------------------------------------------

void Transfers(TKit& kit) {
  TSearchList& searches = kit.Run().Searches();
  std::int32_t searchID = -1;
  std::uint32_t resultHandle = 0;
  for (const char* text : {"kit", "a", "e", "mp3", "test"}) {
    for (const TServiceHolder* service : kit.OwnServices()) {
      const std::int32_t id = SendSearch(kit, service->Handle(), text);
      if (id < 0) continue;
      if (!kit.PumpUntil([&] { return !StillSearching(kit, id); }, kit.Timeout())) {
        Close(kit, id);
        kit.Report().Note("a search did not complete (see the search scenario): no download to check");
        return;
      }
      const TSearchContext* search = searches.FindSearch(id);
      if (search && !search->Results.empty()) {
        searchID = id;
        resultHandle = search->Results.front()->Handle();
        break;
      }
      Close(kit, id);
    }
    if (resultHandle != 0) break;
  }
  if (resultHandle == 0) {
    kit.Report().Note("the plugin found nothing for the kit's searches: no download to check");
    return;
  }
  TDownloadList& downloads = kit.Run().Downloads();
  std::set<std::uint32_t> before;
  for (const TTransferItem* item : downloads.Items()) before.insert(item->Handle());
  {
    const TSearchContext* search = searches.FindSearch(searchID);
    const TSearchResultHolder* result = search ? search->FindResult(resultHandle) : nullptr;
    if (!result) return;
    kit.Report().Detail("executing the result " + TKit::Quoted(result->Description));
    searches.ExecuteResult(*result);
  }
  kit.Pump(milliseconds(300));
  std::uint32_t download = 0;
  for (const TTransferItem* item : downloads.Items()) {
    if (!before.contains(item->Handle())) download = item->Handle();
  }
  if (download == 0) {
    kit.Report().Note("executing a result added no download");
    Close(kit, searchID);
    return;
  }
  auto item = [&]() { return downloads.FindItem(download); };
  bool pausedOnce = false;
  kit.PumpUntil(
      [&] {
        TTransferItem* now = item();
        if (!now || IsFinished(now->State)) return true;
        if (!pausedOnce && now->SupportPause && now->State == TransferState::Transferring) {
          pausedOnce = true;
          kit.Report().Detail("pausing and resuming the download");
          downloads.PauseTransfer(*now);
          kit.Pump(milliseconds(300));
          if ((now = item()) != nullptr) {
            if (now->State != TransferState::Paused) kit.Report().Fault("a paused download did not stay paused");
            downloads.ResumeTransfer(*now);
          }
        }
        return false;
      },
      kit.Timeout());
  if (TTransferItem* now = item()) {
    kit.Report().Detail("the download's state is " + std::to_string(static_cast<int>(now->State)) +
                        (IsFinished(now->State) ? " (ended)" : " (still running: removing it)"));
    downloads.RemoveTransfer(*now);
  }
  kit.Pump(milliseconds(500));
  if (downloads.GetStatus(download) != -2) kit.Report().Fault("the download could not be removed");
  Close(kit, searchID);
  kit.Pump(milliseconds(300));
}

// ---- sharing ------------------------------------------------------------------

constexpr const char* kEverybodyItem = "KitEverybody";
constexpr const char* kAccountItem = "KitAccount";
constexpr const char* kLateItem = "KitLate";
constexpr const char* kKitUser = "kituser";

std::string MakeSharedFolder(TKit& kit, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(kit.ProgramFolder()) / ("shared_" + name);
  std::filesystem::create_directories(folder / "sub");
  static_cast<void>(WriteFileAtomically((folder / "kit readme.txt").string(), "shared by the plugin kit\n"));
  static_cast<void>(WriteFileAtomically((folder / "sub" / "kit song.mp3").string(), std::string(2048, '\0')));
  return folder.string();
}

void Share(TKit& kit, const char* name) {
  TSharedItemList& items = kit.Run().SharedItems();
  items.RegisterFolder(items.Shares().AddDirectory(MakeSharedFolder(kit, name), name, true, "*.*"), false);
}

void ShareBeforeStart(TKit& kit) {
  Share(kit, kEverybodyItem);
  Share(kit, kAccountItem);
  if (TSharedItem* item = kit.Run().SharedItems().FindSharedItem(kAccountItem)) item->AllowAll = false;
}

void Sharing(TKit& kit) {
  const std::vector<TServiceHolder*> services = kit.OwnServices();
  if (!services.empty()) {
    // The account's folder opens to the kit's user of the first service only.
    TServiceHolder& first = *services.front();
    kit.Run().Users().AddUser(first, kKitUser, "kit password");
    if (TSharedItem* item = kit.Run().SharedItems().FindSharedItem(kAccountItem)) {
      TShareAccess access{};
      std::memcpy(&access.ServiceID, &first.guid, sizeof(access.ServiceID));
      std::strncpy(access.UserName, kKitUser, sizeof(access.UserName) - 1);
      access.IncludeInSearchRequests = 1;
      item->AddAccess(access);
    }
  }
  kit.Pump(milliseconds(500));
  Share(kit, kLateItem);  // OnSharedAdd
  kit.Pump(milliseconds(500));
  kit.Run().SharedItems().RemoveSharedItem(kLateItem);  // OnSharedRemove
  kit.Pump(milliseconds(1000));
  kit.Finish();
  const std::size_t open = kit.Run().SharedApi().OpenBrowseCount();
  if (open != 0) {
    kit.Report().Fault(std::to_string(open) +
                       " browse(s) opened with SharedStartDirectory were never ended with SharedEndDirectory");
  }
}

// ---- hostile ------------------------------------------------------------------

void Hostile(TKit& kit) {
  TPluginHolder& plugin = *kit.Plugin();
  TReport& report = kit.Report();
  for (const THostileText& text : HostileTexts()) {
    SendEvent(plugin, EventNumber("OnApplicationURL"), text.text.c_str(), text.text.c_str());
    if (SendEvent(plugin, EventNumber("OnURL"), text.text.c_str(), text.text.c_str())) {
      report.Detail("OnURL with " + std::string(text.label));
    }
  }
  kit.Pump(milliseconds(200));
  const std::vector<TServiceHolder*> own = kit.OwnServices();
  if (!own.empty()) {
    const std::uint32_t service = own.front()->Handle();
    for (const THostileText& text : HostileTexts()) {
      if (TServiceHolder* holder = kit.Run().Services().FindService(service)) {
        kit.Run().Users().AddUser(*holder, text.text, text.text);
      }
      if (TServiceHolder* holder = kit.Run().Services().FindService(service)) {
        static_cast<void>(kit.Run().Users().RemoveUser(*holder, text.text));
      }
    }
    kit.Pump(milliseconds(200));
  }

  // Records of a service that is not the plugin's: the core's own witness.
  TServiceRegistry& registry = kit.Run().Services();
  const std::uint32_t witnessType = registry.AddType(nullptr, "Kit witness", "", KitGuid(0x4B170001u));
  const std::uint32_t witness =
      registry.AddService(nullptr, witnessType, "Kit witness", "", "", 0, KitGuid(0x4B170002u));
  TDownloadList& downloads = kit.Run().Downloads();
  TUploadList& uploads = kit.Run().Uploads();
  const std::uint32_t download = downloads.Add(0, witness, "kit", "witness.bin", true, true, 4096, "kit://w", 0);
  const std::uint32_t upload = uploads.Add(witness, "kit", "witness.bin", true, true, 0);
  TSearchList& searches = kit.Run().Searches();
  TSearchContext& search = searches.OpenSearch("kit", "", 0, 0, 0);
  const std::int32_t searchID = search.SearchID;
  searches.AddService(search, witness);
  TMessagePacket packet;
  packet.AddObject("poService", witness);
  packet.AddInteger("iSearchID", searchID);
  packet.AddString("sDescription", "witness.bin");
  packet.AddString("sNick", "kit");
  packet.AddInteger("iSize", 4096);
  packet.AddString("sURL", "kit://witness");
  searches.AddResult(packet);
  const std::uint32_t result = search.Results.empty() ? 0 : search.Results.front()->Handle();
  if (download == 0 || upload == 0 || result == 0) {
    report.Fault("the kit could not make its witness records");
    return;
  }
  const TransferState downloadState = downloads.FindItem(download)->State;
  const TransferState uploadState = uploads.FindItem(upload)->State;
  const std::size_t downloadCount = downloads.Items().size();

  SendEvent(plugin, EventNumber("OnSearchRequest"), witness, searchID, "kit", "", std::int32_t{0}, std::int32_t{0},
            std::int32_t{0}, std::int32_t{0});
  SendEvent(plugin, EventNumber("OnSearchResultExecute"), result);
  SendEvent(plugin, EventNumber("OnSearchResultButton"), std::int32_t{1}, result);
  SendEvent(plugin, EventNumber("OnSearchResultMenu"), std::int32_t{1}, result);
  for (const auto event : {EventNumber("OnDownloadStart"), EventNumber("OnDownloadSelect"),
                           EventNumber("OnDownloadPause"), EventNumber("OnDownloadResume")}) {
    SendEvent(plugin, event, download);
  }
  SendEvent(plugin, EventNumber("OnDownloadButton"), std::int32_t{1}, download);
  SendEvent(plugin, EventNumber("OnDownloadMenu"), std::int32_t{1}, download);
  for (const auto event : {EventNumber("OnUploadSelect"), EventNumber("OnUploadPause"),
                           EventNumber("OnUploadResume")}) {
    SendEvent(plugin, event, upload);
  }
  SendEvent(plugin, EventNumber("OnUploadButton"), std::int32_t{1}, upload);
  SendEvent(plugin, EventNumber("OnUploadMenu"), std::int32_t{1}, upload);
  kit.Pump(milliseconds(1500));
  SendEvent(plugin, EventNumber("OnDownloadRemove"), download);
  SendEvent(plugin, EventNumber("OnUploadRemove"), upload);
  kit.Pump(milliseconds(500));

  const TTransferItem* downloadItem = downloads.FindItem(download);
  const TTransferItem* uploadItem = uploads.FindItem(upload);
  auto touched = [](const TTransferItem* item, TransferState state) {
    return !item || item->State != state || item->ProgressSeen || !item->ErrorText().empty() ||
           item->Position != 0;
  };
  if (touched(downloadItem, downloadState)) {
    report.Fault("the plugin reported on a download of another service (check the record's Service)");
  }
  if (touched(uploadItem, uploadState)) {
    report.Fault("the plugin reported on an upload of another service (check the record's Service)");
  }
  if (downloads.Items().size() != downloadCount) {
    report.Fault("the plugin added a download for a search result of another service");
  }
  const TSearchContext* open = searches.FindSearch(searchID);
  if (!open || std::find(open->PendingServices.begin(), open->PendingServices.end(), witness) ==
                   open->PendingServices.end()) {
    report.Fault("the plugin completed a search for a service that is not its own");
  } else if (open->Results.size() != 1) {
    report.Fault("the plugin reported search results for a service that is not its own");
  }
}

}  // namespace

const std::vector<TScenario>& Scenarios() {
  static const std::vector<TScenario> scenarios = {
      {"load", "loads, and fills its block", Load},
      {"lifecycle", "starts, runs and ends in time, leaving no thread behind", Lifecycle},
      {"services", "names its types and services with unique GUIDs, survives clicks", Services},
      {"search", "completes every search, hostile texts included", Search},
      {"transfers", "runs a download of its own result to its end or removal", Transfers},
      {"sharing", "ends every browse it opened", Sharing, ShareBeforeStart},
      {"hostile", "survives odd texts and leaves other services' records alone", Hostile},
  };
  return scenarios;
}

}  // namespace kp::kit
