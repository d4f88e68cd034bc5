// The example's uploads. A real network's users ask us for files we share;
// here the service's panel has a button that plays such a user. We ask the
// program with UploadAdd, which admits the upload, queues it or refuses it by
// the user's upload limits. No event says when a queued upload gets its slot,
// so its thread asks UploadGetStatus now and then; once admitted it "sends"
// the file (reads it; there is no network) with progress reports, and obeys
// pause, resume and removal as a download does.
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "example_plugin.h"
#include "example_transfers.h"
#include "keplinor_plugin.h"

KP_IMPORT(UploadAdd);
KP_IMPORT(UploadGetStatus);
KP_IMPORT(UploadGetQueueStatus);
KP_IMPORT(UploadProgress);
KP_IMPORT(UploadComplete);
KP_IMPORT(UploadError);

namespace {

namespace tr = example::transfer;

constexpr std::chrono::milliseconds kAskEvery{1000};
// What the user asks for when we have downloaded nothing yet.
const char* const kGeneratedName = "Example sampler.zip";
constexpr int64_t kGeneratedSize = 1536 * 1024;

struct Upload {
  uint32_t id = 0;  // our number, passed as pData; never reused
  kp_handle handle = 0;
  std::string nick;
  std::string name;
  std::string path;  // empty: generated content
  int64_t size = 0;  // what we send: the whole file, at most kMostBytes
  int32_t speed = 0;
  std::shared_ptr<tr::Control> control = std::make_shared<tr::Control>();
  std::atomic<bool> over{false};  // complete, failed or left
};

// Main thread only.
std::map<uint32_t, std::shared_ptr<Upload>> uploads;
uint32_t nextId = 1;
std::mt19937 chance{std::random_device{}()};

std::shared_ptr<Upload> Find(kp_handle poUpload) {
  if (poUpload == 0) return nullptr;
  const uint32_t id = kp_upload_record_at(poUpload)->Data;
  const auto it = uploads.find(id);
  if (it == uploads.end() || it->second->handle != poUpload) return nullptr;
  return it->second;
}

// Remote users ask for what we share, and the program shares the completed
// folder: one of the files there, or a made-up one while it is empty.
void ChooseFile(Upload& upload) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code error;
  const std::string folder = tr::SuggestedFolder(KP_DIRECTORY_COMPLETED);
  if (!folder.empty()) {
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      if (it->is_regular_file(error) && !it->path().filename().string().starts_with('.'))
        files.push_back(it->path());
    }
  }
  if (!files.empty()) {
    const fs::path& file = files[std::uniform_int_distribution<std::size_t>(0, files.size() - 1)(chance)];
    const auto size = fs::file_size(file, error);
    if (!error) {
      upload.name = file.filename().string();
      upload.path = file.string();
      upload.size = std::min<int64_t>(static_cast<int64_t>(size), tr::kMostBytes);
      return;
    }
  }
  upload.name = kGeneratedName;
  upload.size = kGeneratedSize;
}

void Send(Upload& upload) {
  tr::Control& control = *upload.control;
  // Admitted, queued, or gone: no event tells a queued upload that its turn
  // has come. At the program's end the answer is 0 and the stop shows.
  for (;;) {
    const int32_t status = UploadGetStatus(upload.handle);
    if (control.Ended() || status == KP_UPLOAD_UNKNOWN) return;
    if (status != KP_UPLOAD_QUEUED) break;
    if (!control.Wait(tr::Scaled(kAskEvery))) return;
  }
  std::FILE* file = upload.path.empty() ? nullptr : std::fopen(upload.path.c_str(), "rb");
  if (!upload.path.empty() && !file) {
    UploadError(upload.handle, "The file could not be read");
    return;
  }
  std::vector<char> buffer;
  int64_t position = 0;
  bool ended = false;
  while (position < upload.size) {
    if (!control.Wait(tr::Scaled(tr::kTick))) {
      ended = true;
      break;
    }
    buffer.resize(static_cast<std::size_t>(std::min(tr::BytesPerTick(upload.speed), upload.size - position)));
    if (!file) {
      tr::FillContent(upload.name, position, buffer.data(), buffer.size());
    } else if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) {
      std::fclose(file);
      UploadError(upload.handle, "The file could not be read");  // shortened or gone meanwhile
      return;
    }
    position += static_cast<int64_t>(buffer.size());
    // Not while paused: a report makes a paused upload a transferring one.
    if (!control.HoldWhilePaused()) {
      ended = true;
      break;
    }
    UploadProgress(upload.handle, 0, upload.size, position);
  }
  if (file) std::fclose(file);
  if (!ended) UploadComplete(upload.handle);
}

}  // namespace

namespace example {

std::string ServeUploadRequest(kp_handle poService) {
  if (!IsOurService(poService) || transfer::Stopping()) return {};
  std::erase_if(uploads, [](const auto& entry) { return entry.second->over.load(); });
  auto upload = std::make_shared<Upload>();
  upload->id = nextId++;
  upload->nick = "user" + std::to_string(std::uniform_int_distribution<int>(1000, 9999)(chance));
  ChooseFile(*upload);
  upload->speed = transfer::PeerSpeed(upload->nick + upload->name);
  const std::string request = upload->nick + " asks for " + upload->name;

  upload->handle =
      UploadAdd(poService, upload->nick.c_str(), upload->name.c_str(), KP_TRUE, KP_TRUE, upload->id);
  if (upload->handle == 0) return request + ": refused, the upload limits are reached.";
  uploads[upload->id] = upload;
  std::string outcome = request + ": sending.";
  if (UploadGetStatus(upload->handle) == KP_UPLOAD_QUEUED) {
    const int32_t place = UploadGetQueueStatus(upload->handle, KP_QUEUE_STATUS_POSITION);
    const int32_t length = UploadGetQueueStatus(upload->handle, KP_QUEUE_STATUS_LENGTH);
    outcome =
        request + ": queued, place " + std::to_string(place + 1) + " of " + std::to_string(length) + ".";
  }
  if (!transfer::Launch(upload->control, [upload] {
        Send(*upload);
        upload->over.store(true);
      })) {
    UploadError(upload->handle, "Cannot start the upload");
    uploads.erase(upload->id);
    return request + ": could not start.";
  }
  return outcome;
}

namespace transfer {

void ForgetUploads() { uploads.clear(); }

}  // namespace transfer

}  // namespace example

KP_EVENT(OnUploadPause) {
  if (const std::shared_ptr<Upload> upload = Find(poUpload)) upload->control->Pause();
}

KP_EVENT(OnUploadResume) {
  if (const std::shared_ptr<Upload> upload = Find(poUpload)) upload->control->Resume();
}

// The last moment to read the record; the thread leaves at its next look.
KP_EVENT(OnUploadRemove) {
  const std::shared_ptr<Upload> upload = Find(poUpload);
  if (!upload) return;
  upload->control->Remove();
  uploads.erase(upload->id);
}
