// The example's downloads. When the user downloads one of our search results
// we add it with DownloadAdd, in a group of its own title and service, and
// wait: the program starts it with OnDownloadStart when a download slot is
// free, which can be before DownloadAdd returns. A thread of ours then writes
// the file into the program's temporary folder at the pretend peer's speed,
// reports progress a few times a second, obeys pause, resume and removal, and
// at the end moves the file into the completed folder and says so.
//
// Two versions of every title show the other states: the live recording's
// holder queues us remotely for a while first, and the demo's connection
// breaks part way (a retry, the program's resume, goes through).
#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "example_plugin.h"
#include "example_transfers.h"
#include "keplinor_plugin.h"

KP_IMPORT(DownloadAdd);
KP_IMPORT(DownloadGroupAdd);
KP_IMPORT(DownloadGroupEdit);
KP_IMPORT(DownloadProgress);
KP_IMPORT(DownloadQueued);
KP_IMPORT(DownloadError);
KP_IMPORT(DownloadFinished);
KP_IMPORT(DownloadComplete);
KP_IMPORT(DownloadButtonAdd);
KP_IMPORT(DownloadMenuAdd);

namespace {

namespace tr = example::transfer;

// Our number for the download command; the program hands it back.
constexpr int32_t kShowInFolder = 1;
const char* const kGroupIcon = "DownloadsIcon.bmp";
const char* const kFolderIcon = "OpenFolderIcon.bmp";

// The remote queue: ten places, one every two seconds.
constexpr int32_t kRemotePlaces = 10;
constexpr std::chrono::milliseconds kRemoteStep{2000};
constexpr int64_t kBreakAtPercent = 40;

// The downloads of one title from one service, under a group row. Reused
// only while one of them is unfinished: the program destroys a group that
// has lost its last download, and a finished one may be cleared silently.
struct Group {
  kp_handle handle = 0;
  kp_handle service = 0;
  std::string title;
  // Under groupLock: transfer threads count their files done.
  int files = 0;
  int done = 0;
  int unfinished = 0;
};
std::mutex groupLock;

enum class Phase {
  Waiting,   // added; the program has not started it
  Running,   // our thread has it
  Stopped,   // our thread left it because the plugin stops
  Failed,    // told the program it failed; a resume retries
  Complete,  // the file is in the completed folder
  Removed,   // the program removed it: its handle means nothing now
};

struct Download {
  uint32_t id = 0;  // our number, passed as pData; never reused
  kp_handle handle = 0;
  kp_handle service = 0;
  std::string nick;
  std::string url;
  std::string hashCode;
  std::string fileName;  // safe as a file name
  int64_t size = 0;
  int32_t speed = 0;
  example::Delivery delivery = example::Delivery::Normal;
  std::shared_ptr<Group> group;
  std::shared_ptr<tr::Control> control = std::make_shared<tr::Control>();
  std::string partPath;  // set before a thread starts, read by it

  std::mutex lock;  // guards what follows
  Phase phase = Phase::Waiting;
  int64_t position = 0;  // bytes in the temporary file
  bool queuedRemotely = false;
  bool broken = false;
};

// Main thread only.
std::map<uint32_t, std::shared_ptr<Download>> downloads;
std::vector<std::shared_ptr<Group>> groups;
uint32_t nextId = 1;
uint32_t adding = 0;  // the download inside DownloadAdd, which may start it

Phase PhaseOf(Download& download) {
  std::lock_guard guard(download.lock);
  return download.phase;
}

void DeletePart(const Download& download) {
  std::error_code ignored;
  if (!download.partPath.empty()) std::filesystem::remove(download.partPath, ignored);
}

// Any thread. The group outlives these calls: it holds a download of ours that
// is not finished yet, or the program ignores the handle.
void ShowGroupStatus(const std::shared_ptr<Group>& group) {
  if (!group || group->handle == 0) return;
  std::string status;
  {
    std::lock_guard guard(groupLock);
    status = std::to_string(group->files) + (group->files == 1 ? " file" : " files");
    if (group->done > 0) status += ", " + std::to_string(group->done) + " complete";
  }
  DownloadGroupEdit(group->handle, group->title.c_str(), status.c_str(), kGroupIcon);
}

void CountGroup(const std::shared_ptr<Group>& group, int files, int done, int unfinished) {
  if (!group) return;
  std::lock_guard guard(groupLock);
  group->files += files;
  group->done += done;
  group->unfinished += unfinished;
}

std::shared_ptr<Group> GroupFor(kp_handle service, const std::string& title) {
  {
    std::lock_guard guard(groupLock);
    std::erase_if(groups, [](const std::shared_ptr<Group>& group) { return group->unfinished == 0; });
    for (const auto& group : groups) {
      if (group->service == service && group->title == title) return group;
    }
  }
  auto group = std::make_shared<Group>();
  group->service = service;
  group->title = title;
  group->handle = DownloadGroupAdd(0, service, title.c_str(), "", kGroupIcon);
  if (group->handle == 0) return nullptr;  // the download goes under the service's own row
  groups.push_back(group);
  return group;
}

// Ours, for an event about a download: our number is in the record's Data,
// which also finds a download that DownloadAdd starts before it returns.
std::shared_ptr<Download> Find(kp_handle poDownload) {
  if (poDownload == 0) return nullptr;
  const uint32_t id = kp_download_record_at(poDownload)->Data;
  const auto it = downloads.find(id);
  if (it == downloads.end()) return nullptr;
  Download& download = *it->second;
  if (download.handle == poDownload || (download.handle == 0 && download.id == adding)) return it->second;
  return nullptr;  // another plugin's download whose Data happens to match
}

// ---- The transfer thread's steps

// The thread ends without finishing: removed, or the plugin stops.
void Leave(Download& download) {
  std::lock_guard guard(download.lock);
  if (download.phase == Phase::Removed) {
    DeletePart(download);
  } else {
    download.phase = Phase::Stopped;
  }
}

void Fail(Download& download, const std::string& why) {
  {
    std::lock_guard guard(download.lock);
    if (download.phase == Phase::Removed) {
      DeletePart(download);
      return;
    }
    download.phase = Phase::Failed;  // the part stays for a retry
  }
  CountGroup(download.group, 0, 0, -1);
  DownloadError(download.handle, why.c_str());
}

void Finish(Download& download) {
  // Asked now, not at the start: the user may have changed it meanwhile.
  const std::string folder = tr::SuggestedFolder(KP_DIRECTORY_COMPLETED);
  if (folder.empty()) return Leave(download);  // the program is ending
  const std::string path = tr::MoveIntoFolder(download.partPath, folder, download.fileName);
  if (path.empty()) return Fail(download, "Cannot move the file into " + folder);
  {
    std::lock_guard guard(download.lock);
    if (download.phase != Phase::Removed) download.phase = Phase::Complete;
  }
  CountGroup(download.group, 0, 1, -1);
  DownloadFinished(download.handle, path.c_str());
  ShowGroupStatus(download.group);
  DownloadComplete(download.handle);
}

bool TakeFirstTime(Download& download, bool Download::*flag) {
  std::lock_guard guard(download.lock);
  const bool first = !(download.*flag);
  download.*flag = true;
  return first;
}

void Transfer(Download& download) {
  tr::Control& control = *download.control;
  if (download.delivery == example::Delivery::RemotelyQueued &&
      TakeFirstTime(download, &Download::queuedRemotely)) {
    for (int32_t place = kRemotePlaces; place > 0; --place) {
      DownloadQueued(download.handle, place, place + 2);  // the queue ahead of us empties
      if (!control.Wait(tr::Scaled(kRemoteStep))) return Leave(download);
    }
  }
  int64_t position = 0;
  {
    std::lock_guard guard(download.lock);
    position = download.position;
  }
  // A retry continues the part it left.
  std::FILE* file = std::fopen(download.partPath.c_str(), position > 0 ? "r+b" : "wb");
  if (file && std::fseek(file, static_cast<long>(position), SEEK_SET) != 0) {
    std::fclose(file);
    file = nullptr;
  }
  if (!file) return Fail(download, "Cannot write " + download.partPath);
  std::vector<char> buffer;
  bool ended = false;
  while (position < download.size) {
    if (!control.Wait(tr::Scaled(tr::kTick))) {
      ended = true;
      break;
    }
    buffer.resize(
        static_cast<std::size_t>(std::min(tr::BytesPerTick(download.speed), download.size - position)));
    tr::FillContent(download.fileName, position, buffer.data(), buffer.size());
    if (std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size() || std::fflush(file) != 0) {
      std::fclose(file);
      return Fail(download, "Cannot write " + download.partPath);
    }
    position += static_cast<int64_t>(buffer.size());
    {
      std::lock_guard guard(download.lock);
      download.position = position;
    }
    // Not while paused: a report makes a paused download a transferring one.
    if (!control.HoldWhilePaused()) {
      ended = true;
      break;
    }
    DownloadProgress(download.handle, 0, download.size, position);
    if (download.delivery == example::Delivery::FailsOnce &&
        position * 100 >= download.size * kBreakAtPercent && position < download.size &&
        TakeFirstTime(download, &Download::broken)) {
      std::fclose(file);
      return Fail(download, "Peer closed the connection");
    }
  }
  std::fclose(file);
  if (ended) return Leave(download);
  Finish(download);
}

// Main thread: OnDownloadStart, or a resume after a failure.
void Run(const std::shared_ptr<Download>& download) {
  if (tr::Stopping()) return;  // the program is ending; it removes the download next
  {
    std::lock_guard guard(download->lock);
    if (download->phase != Phase::Waiting && download->phase != Phase::Failed) return;
  }
  if (download->partPath.empty()) {
    const std::string folder = tr::SuggestedFolder(KP_DIRECTORY_TEMPORARY);
    // Our number keeps two downloads of one name apart.
    if (!folder.empty())
      download->partPath = folder + std::to_string(download->id) + "-" + download->fileName + ".part";
  }
  Phase before;
  {
    std::lock_guard guard(download->lock);
    before = download->phase;
    download->phase = Phase::Running;
  }
  if (before == Phase::Failed) CountGroup(download->group, 0, 0, 1);
  download->control->Resume();  // whatever came in between, it runs
  if (!download->partPath.empty() && tr::Launch(download->control, [download] { Transfer(*download); }))
    return;
  // No folder or no thread: say so; a resume may try again.
  Fail(*download, download->partPath.empty() ? "No folder for the download" : "Cannot start the download");
}

}  // namespace

namespace example {

void DownloadResult(kp_handle pResult) {
  if (pResult == 0 || transfer::Stopping()) return;
  // Valid during the event; we copy what we keep.
  const kp_search_result_record* result = kp_search_result_record_at(pResult);
  const kp_handle service = result->Service;
  // The service may have gone since it reported the result.
  if (!IsOurService(service)) return;
  const std::string description = kp_text(result->Description);
  const std::string hashCode = kp_text(result->HashCode);
  CatalogueFile file;
  if (!Identify(description, hashCode, file)) return;
  const std::string nick = kp_text(result->Nick);
  const std::string url = kp_text(result->URL);

  std::erase_if(downloads, [](const auto& entry) { return PhaseOf(*entry.second) == Phase::Complete; });
  // A grouped row passes every copy of its file, and a result selected with
  // its group's row comes twice: one download of a content at a time. (A
  // network that can fetch from several holders at once would add them as
  // sources here.)
  for (const auto& [id, other] : downloads) {
    const Phase phase = PhaseOf(*other);
    if (other->hashCode == hashCode && (phase == Phase::Waiting || phase == Phase::Running)) return;
  }

  auto download = std::make_shared<Download>();
  download->id = nextId++;
  download->service = service;
  download->nick = nick;
  download->url = url;
  download->hashCode = hashCode;
  download->fileName = transfer::SafeFileName(description);
  download->size = std::min<int64_t>(result->Size, transfer::kMostBytes);
  download->speed = transfer::PeerSpeed(nick + url);
  download->delivery = file.delivery;
  download->group = GroupFor(service, file.title);
  CountGroup(download->group, 1, 0, 1);
  const uint32_t id = download->id;
  downloads[id] = download;

  // Listed before the call: the program may start it before it returns.
  adding = id;
  const kp_handle handle =
      DownloadAdd(download->group ? download->group->handle : 0, service, nick.c_str(),
                  download->fileName.c_str(), KP_TRUE, KP_TRUE, download->size, url.c_str(), id);
  adding = 0;
  if (handle == 0) {
    CountGroup(download->group, -1, 0, -1);
    downloads.erase(id);
    return;
  }
  // Already set if the program started it: its thread may be reading it.
  if (download->handle == 0) download->handle = handle;
  ShowGroupStatus(download->group);
}

void StopTransfers() {
  transfer::StopAll();
  // The threads are gone. Parts of downloads that did not complete go too:
  // this plugin forgets its downloads at the end, so nothing would resume them.
  for (const auto& [id, download] : downloads) {
    if (PhaseOf(*download) != Phase::Complete) DeletePart(*download);
  }
  downloads.clear();
  groups.clear();
  transfer::ForgetUploads();
}

}  // namespace example

KP_EVENT(OnDownloadStart) {
  const std::shared_ptr<Download> download = Find(poDownload);
  if (!download) return;
  if (download->handle == 0) download->handle = poDownload;  // inside DownloadAdd
  Run(download);
}

KP_EVENT(OnDownloadPause) {
  if (const std::shared_ptr<Download> download = Find(poDownload)) download->control->Pause();
}

// After a pause the thread goes on; after a failure a new one retries.
KP_EVENT(OnDownloadResume) {
  const std::shared_ptr<Download> download = Find(poDownload);
  if (!download) return;
  if (PhaseOf(*download) == Phase::Failed) {
    Run(download);
  } else {
    download->control->Resume();
  }
}

// The last moment to read the record. The thread, if one runs, deletes the
// part as it leaves; otherwise we do.
KP_EVENT(OnDownloadRemove) {
  const std::shared_ptr<Download> download = Find(poDownload);
  if (!download) return;
  download->control->Remove();
  Phase before;
  {
    std::lock_guard guard(download->lock);
    before = download->phase;
    download->phase = Phase::Removed;
    if (before != Phase::Running) DeletePart(*download);
  }
  const bool unfinished = before == Phase::Waiting || before == Phase::Running;
  CountGroup(download->group, -1, 0, unfinished ? -1 : 0);
  ShowGroupStatus(download->group);
  downloads.erase(download->id);
}

// The selected download is ours (the program asks only the plugin of its
// service). The commands last until the list's commands are rebuilt.
KP_EVENT(OnDownloadSelect) {
  if (poDownload == 0 || !example::IsOurService(kp_download_record_at(poDownload)->Service)) return;
  DownloadButtonAdd(kShowInFolder, "Show in folder", kFolderIcon);
  DownloadMenuAdd(kShowInFolder, 0, "Show in folder", kFolderIcon);
}

namespace {

// Once per selected download, which need not be ours. A finished download's
// file name is the path DownloadFinished gave; an unfinished one is still in
// the temporary folder.
void ShowInFolder(kp_handle poDownload) {
  if (poDownload == 0 || !example::HaveWidgets()) return;
  const kp_download_record* record = kp_download_record_at(poDownload);
  if (!example::IsOurService(record->Service)) return;
  const std::string fileName = kp_text(record->FileName);
  const std::string folder = fileName.starts_with('/')
                                 ? std::filesystem::path(fileName).parent_path().string()
                                 : tr::SuggestedFolder(KP_DIRECTORY_TEMPORARY);
  if (!folder.empty()) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(folder.c_str())));
}

}  // namespace

KP_EVENT(OnDownloadButton) {
  if (iCommand == kShowInFolder) ShowInFolder(poDownload);
}

KP_EVENT(OnDownloadMenu) {
  if (iCommand == kShowInFolder) ShowInFolder(poDownload);
}
