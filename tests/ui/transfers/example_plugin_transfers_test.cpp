// The example plugin's downloads and uploads against a stand-in for the core's
// transfers: the stand-in answers the plugin's calls and records them, and the
// tests send the events the program would send. Time in the plugin runs fifty
// times faster (its KEPLINOR_EXAMPLE_TIME_SCALE).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/host/main_loop.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_manager.h"
#include "core/platform/low_memory_heap.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "keplinor_plugin.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

// One call the plugin made, with its arguments.
struct Call {
  std::string name;
  std::uint32_t handle = 0;  // the download, upload or group it is about
  TMessagePacket packet;
  std::int64_t Number(TPacketName field) const { return packet.GetInteger(field); }
  std::string Text(TPacketName field) const { return std::string(packet.GetString(field)); }
};

struct Hit {
  std::string description, hash, nick, url;
  std::uint32_t size = 0;
};

class ExamplePluginTransfers : public ::testing::Test {
 protected:
  ExamplePluginTransfers() {
    ::setenv("KEPLINOR_EXAMPLE_TIME_SCALE", "50", 1);
    temp_.MakeFolder("Temp");
    temp_.MakeFolder("Downloads");
    StandIn();
    const std::string copy = temp_ / "Plugins/Example.fpn";
    fs::create_directories(temp_ / "Plugins");
    fs::copy_file(KP_EXAMPLE_PLUGIN, copy);
    EXPECT_TRUE(plugins_.LoadPlugin(copy));
    plugins_.BindPlugin(Plugin());
    service_ = services_.Services().front()->Handle();
  }

  TPluginHolder& Plugin() const { return *plugins_.GetPlugin(0); }

  std::uint32_t Remember(LowBlock block) {
    const std::uint32_t address = LowAddress(block.get());
    blocks_.push_back(std::move(block));
    return address;
  }
  std::uint32_t Text(const std::string& text) {
    return Remember(LowBlock(reinterpret_cast<std::byte*>(LowCopyText(text))));
  }
  template <typename Record>
  std::uint32_t NewRecord(std::uint32_t service, std::uint32_t data) {
    LowBlock block = MakeLowBlock(sizeof(Record));
    auto* record = reinterpret_cast<Record*>(block.get());
    record->Service = service;
    record->Data = data;
    return Remember(std::move(block));
  }
  // A call that only reports: logged, answered 0.
  void Logs(TApiFunctionName function, const char* name, TPacketName handle) {
    api_.Implement(function, [this, name, handle](TMessagePacket& p) -> std::int64_t {
      calls_.push_back(Call{name, p.GetObject(handle), p});
      return 0;
    });
  }

  // What the core's transfers answer, reduced to what the plugin relies on.
  void StandIn() {
    api_.Implement("SearchResultAdd", [this](TMessagePacket& p) -> std::int64_t {
      hits_.push_back(Hit{std::string(p.GetString("sDescription")), std::string(p.GetString("sHashCode")),
                          std::string(p.GetString("sNick")), std::string(p.GetString("sURL")),
                          static_cast<std::uint32_t>(p.GetInteger("iSize"))});
      return 0;
    });
    api_.Implement("SearchComplete", [this](TMessagePacket&) -> std::int64_t { return ++searchesComplete_; });
    api_.Implement("DownloadGetSuggestedDirectory", [this](TMessagePacket& p) -> std::int64_t {
      const std::int64_t type = p.GetInteger("iDirectoryType");
      if (type != KP_DIRECTORY_TEMPORARY && type != KP_DIRECTORY_COMPLETED) return 0;
      const std::string folder = temp_ / (type == KP_DIRECTORY_TEMPORARY ? "Temp" : "Downloads");
      std::strcpy(reinterpret_cast<char*>(static_cast<std::uintptr_t>(p.GetInteger("sDirectory"))),
                  folder.c_str());
      return 0;
    });
    api_.Implement("DownloadGroupAdd", [this](TMessagePacket& p) -> std::int64_t {
      const std::uint32_t group = Remember(MakeLowBlock(16));
      calls_.push_back(Call{"DownloadGroupAdd", group, p});
      return group;
    });
    api_.Implement("DownloadAdd", [this](TMessagePacket& p) -> std::int64_t {
      const std::uint32_t download =
          NewRecord<kp_download_record>(p.GetObject("poService"), p.GetObject("pData"));
      EXPECT_TRUE(p.GetBoolean("bSupportResume") && p.GetBoolean("bSupportPause"));
      calls_.push_back(Call{"DownloadAdd", download, p});
      // A free slot: the program starts it before DownloadAdd returns.
      if (startAtOnce_) SendEvent(Plugin(), EventNumber("OnDownloadStart"), download);
      return download;
    });
    api_.Implement("UploadAdd", [this](TMessagePacket& p) -> std::int64_t {
      if (refuseUploads_) return 0;
      const std::uint32_t upload =
          NewRecord<kp_upload_record>(p.GetObject("poService"), p.GetObject("pData"));
      calls_.push_back(Call{"UploadAdd", upload, p});
      return upload;
    });
    api_.Implement("UploadGetStatus", [this](TMessagePacket& p) -> std::int64_t {
      calls_.push_back(Call{"UploadGetStatus", p.GetObject("poUpload"), p});
      if (queuedPolls_ == 0) return KP_UPLOAD_NOT_QUEUED;
      --queuedPolls_;
      return KP_UPLOAD_QUEUED;
    });
    Logs("DownloadGroupEdit", "DownloadGroupEdit", "poGroup");
    Logs("DownloadProgress", "DownloadProgress", "poDownload");
    Logs("DownloadQueued", "DownloadQueued", "poDownload");
    Logs("DownloadError", "DownloadError", "poDownload");
    Logs("DownloadFinished", "DownloadFinished", "poDownload");
    Logs("DownloadComplete", "DownloadComplete", "poDownload");
    Logs("UploadProgress", "UploadProgress", "poUpload");
    Logs("UploadComplete", "UploadComplete", "poUpload");
  }

  // The hits of one MP3 search of the first service.
  void Search(const char* artist, const char* title) {
    const int before = searchesComplete_;
    SendEvent(Plugin(), EventNumber("OnSearchRequest"), service_, std::int32_t{7}, artist, title,
              std::int32_t{1}, std::int32_t{0}, std::int32_t{0}, std::int32_t{0});
    ASSERT_TRUE(test::DrainUntil(queue_, [&] { return searchesComplete_ > before; }));
  }
  const Hit& HitEndingWith(const std::string& tail) const {
    const auto found =
        std::ranges::find_if(hits_, [&](const Hit& hit) { return hit.description.ends_with(tail); });
    EXPECT_NE(found, hits_.end()) << tail;
    return *found;
  }
  // The user downloads the result: its record as the results tab holds it.
  void Execute(const Hit& hit) {
    LowBlock block = MakeLowBlock(sizeof(kp_search_result_record));
    auto* record = reinterpret_cast<kp_search_result_record*>(block.get());
    record->Service = service_;
    record->Description = Text(hit.description);
    record->HashCode = Text(hit.hash);
    record->Nick = Text(hit.nick);
    record->URL = Text(hit.url);
    record->Size = hit.size;
    SendEvent(Plugin(), EventNumber("OnSearchResultExecute"), Remember(std::move(block)));
  }

  // The calls of that name (any for ""), about that handle (any for 0).
  std::vector<Call> Calls(const std::string& name, std::uint32_t handle = 0) const {
    std::vector<Call> found;
    for (const Call& call : calls_) {
      if ((name.empty() || call.name == name) && (handle == 0 || call.handle == handle))
        found.push_back(call);
    }
    return found;
  }
  std::vector<Call> CallsFor(std::uint32_t handle) const { return Calls("", handle); }
  bool Has(const std::string& name, std::uint32_t handle) const { return !Calls(name, handle).empty(); }
  // Lets the plugin's threads run while their calls are carried out.
  void Drain(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    test::DrainUntil(queue_, [&] { return std::chrono::steady_clock::now() >= until; });
  }
  bool PartsLeft() const { return !fs::is_empty(temp_ / "Temp"); }

  // A completed download: positions rising to its size, then the final path,
  // then completion, and nothing after it.
  void ExpectCompleted(const Call& added) {
    const std::int64_t size = added.Number("iSize");
    const std::vector<Call> calls = CallsFor(added.handle);
    ASSERT_GE(calls.size(), 4u);
    std::int64_t last = 0;
    for (const Call& call : calls) {
      if (call.name != "DownloadProgress") continue;
      EXPECT_GT(call.Number("iPosition"), last);
      EXPECT_EQ(call.Number("iEndPosition"), size);
      last = call.Number("iPosition");
    }
    EXPECT_EQ(last, size);
    ASSERT_EQ(calls.back().name, "DownloadComplete");
    ASSERT_EQ(calls[calls.size() - 2].name, "DownloadFinished");
    const std::string path = calls[calls.size() - 2].Text("sFileName");
    EXPECT_EQ(path, temp_ / ("Downloads/" + added.Text("sFileName")));
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(path)), size);
  }

  test::TempFolder temp_;
  std::vector<LowBlock> blocks_;
  std::vector<Call> calls_;
  std::vector<Hit> hits_;
  int searchesComplete_ = 0;
  bool startAtOnce_ = true;
  bool refuseUploads_ = false;
  int queuedPolls_ = 0;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TServiceRegistry services_{temp_.Path()};
  TServiceApi serviceApi_{api_, services_};
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
  std::uint32_t service_ = 0;
};

TEST_F(ExamplePluginTransfers, DownloadsUnderOneGroupPerTitleIntoTheCompletedFolder) {
  Search("AC/DC", "Back\\Slash");
  const Hit& plain = HitEndingWith("Slash.mp3");
  const Hit& radio = HitEndingWith("(radio edit).mp3");
  Execute(plain);
  Execute(plain);  // the result again, selected with its group's row
  Execute(radio);

  const std::vector<Call> groups = Calls("DownloadGroupAdd");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].Text("sDescription"), "AC/DC - Back\\Slash");
  const std::vector<Call> added = Calls("DownloadAdd");
  ASSERT_EQ(added.size(), 2u);
  for (const Call& add : added) EXPECT_EQ(add.packet.GetObject("poGroup"), groups[0].handle);
  EXPECT_EQ(added[0].Text("sFileName"), "AC_DC - Back_Slash.mp3");
  EXPECT_EQ(added[0].Number("iSize"), std::min<std::int64_t>(plain.size, 4 * 1024 * 1024));

  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Calls("DownloadComplete").size() == 2; }));
  for (const Call& add : added) ExpectCompleted(add);
  EXPECT_FALSE(PartsLeft());
  EXPECT_EQ(Calls("DownloadGroupEdit").back().Text("sStatusInfo"), "2 files, 2 complete");
}

TEST_F(ExamplePluginTransfers, WaitsForStartHoldsWhilePausedAndCleansUpWhenRemoved) {
  startAtOnce_ = false;
  Search("Nina Example", "Blue Song");
  Execute(HitEndingWith("(acoustic).mp3"));
  const std::uint32_t download = Calls("DownloadAdd").at(0).handle;
  Drain(std::chrono::milliseconds(200));
  EXPECT_FALSE(Has("DownloadProgress", download)) << "queued in the core: no transfer before OnDownloadStart";

  SendEvent(Plugin(), EventNumber("OnDownloadStart"), download);
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Calls("DownloadProgress", download).size() >= 2; }));
  SendEvent(Plugin(), EventNumber("OnDownloadPause"), download);
  Drain(std::chrono::milliseconds(50));  // a report already on its way
  const std::size_t paused = Calls("DownloadProgress", download).size();
  Drain(std::chrono::milliseconds(300));
  EXPECT_EQ(Calls("DownloadProgress", download).size(), paused);

  SendEvent(Plugin(), EventNumber("OnDownloadResume"), download);
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Calls("DownloadProgress", download).size() > paused; }));
  SendEvent(Plugin(), EventNumber("OnDownloadRemove"), download);
  Drain(std::chrono::milliseconds(50));
  const std::size_t removed = CallsFor(download).size();
  Drain(std::chrono::milliseconds(200));
  EXPECT_EQ(CallsFor(download).size(), removed) << "no call with the handle of a removed download";
  EXPECT_FALSE(Has("DownloadComplete", download));
  EXPECT_FALSE(PartsLeft());

  // A download running as the plugin is stopped: its thread ends in time.
  startAtOnce_ = true;
  Execute(HitEndingWith("remastered.mp3"));
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Calls("DownloadProgress").size() > removed; }));
  plugins_.UnloadAllPlugins();
  EXPECT_TRUE(plugins_.KeptLibraries().empty());
  EXPECT_FALSE(PartsLeft());
}

TEST_F(ExamplePluginTransfers, RemoteQueueCountsDownAndABrokenDownloadResumesToTheEnd) {
  Search("Nina Example", "Blue Song");
  Execute(HitEndingWith("(live).mp3"));
  Execute(HitEndingWith("(demo).mp3"));
  const std::vector<Call> added = Calls("DownloadAdd");
  ASSERT_EQ(added.size(), 2u);
  const std::uint32_t live = added[0].handle;
  const std::uint32_t demo = added[1].handle;

  ASSERT_TRUE(
      test::DrainUntil(queue_, [&] { return Has("DownloadComplete", live) && Has("DownloadError", demo); }));
  const std::vector<Call> liveCalls = CallsFor(live);
  std::vector<std::int64_t> places;
  for (const Call& call : liveCalls) {
    if (call.name == "DownloadQueued") places.push_back(call.Number("iQueuePosition"));
  }
  EXPECT_EQ(places, (std::vector<std::int64_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
  ASSERT_GE(liveCalls.size(), 2u);
  EXPECT_EQ(liveCalls[1].name, "DownloadQueued") << "queued remotely before any progress";
  ExpectCompleted(added[0]);

  const std::vector<Call> broken = Calls("DownloadError", demo);
  ASSERT_EQ(broken.size(), 1u);
  EXPECT_EQ(broken[0].Text("sDescription"), "Peer closed the connection");
  EXPECT_EQ(CallsFor(demo).back().name, "DownloadError") << "nothing after the error";
  const std::int64_t reached = Calls("DownloadProgress", demo).back().Number("iPosition");
  EXPECT_GE(reached * 100, added[1].Number("iSize") * 40);
  EXPECT_LT(reached, added[1].Number("iSize"));

  SendEvent(Plugin(), EventNumber("OnDownloadResume"), demo);
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Has("DownloadComplete", demo); }));
  ExpectCompleted(added[1]);
  EXPECT_EQ(Calls("DownloadError", demo).size(), 1u) << "the retry goes through";
}

TEST_F(ExamplePluginTransfers, AnUploadWaitsWhileQueuedThenSendsAndARefusalStartsNothing) {
  temp_.WriteFile("Downloads/song.mp3", std::string(100'000, 'x'));
  QPushButton* connect = nullptr;
  QPushButton* request = nullptr;
  for (QWidget* widget : QApplication::allWidgets()) {
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (button->text() == "&Connect") connect = button;
      if (button->text() == "A user asks for a &file") request = button;
    }
  }
  ASSERT_TRUE(connect && request);
  EXPECT_FALSE(request->isEnabled()) << "offline: nobody asks";
  connect->click();
  ASSERT_TRUE(request->isEnabled());
  const auto outcome = [request] {
    return request->parentWidget()->findChildren<QLabel*>().back()->text().toStdString();
  };

  refuseUploads_ = true;
  request->click();
  EXPECT_NE(outcome().find("refused"), std::string::npos) << outcome();
  Drain(std::chrono::milliseconds(100));
  EXPECT_TRUE(Calls("UploadGetStatus").empty());

  refuseUploads_ = false;
  queuedPolls_ = 4;  // one asked by the panel, three by the upload's thread
  request->click();
  EXPECT_NE(outcome().find("queued"), std::string::npos) << outcome();
  const std::uint32_t upload = Calls("UploadAdd").at(0).handle;
  EXPECT_EQ(Calls("UploadAdd")[0].Text("sFileName"), "song.mp3");
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Has("UploadComplete", upload); }));
  const std::vector<Call> calls = CallsFor(upload);
  const auto firstReport = std::ranges::find(calls, std::string("UploadProgress"), &Call::name);
  EXPECT_EQ(std::count_if(calls.begin(), firstReport,
                          [](const Call& call) { return call.name == "UploadGetStatus"; }),
            5);
  EXPECT_EQ(Calls("UploadGetStatus", upload).size(), 5u) << "no asking once admitted";
  EXPECT_EQ(calls[calls.size() - 2].Number("iPosition"), 100'000);
  EXPECT_EQ(calls.back().name, "UploadComplete");

  // Removed while queued: it stops asking.
  queuedPolls_ = 1000;
  request->click();
  const std::uint32_t queued = Calls("UploadAdd").at(1).handle;
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return Calls("UploadGetStatus", queued).size() >= 3; }));
  SendEvent(Plugin(), EventNumber("OnUploadRemove"), queued);
  Drain(std::chrono::milliseconds(50));
  const std::size_t asked = Calls("UploadGetStatus", queued).size();
  Drain(std::chrono::milliseconds(200));
  EXPECT_EQ(Calls("UploadGetStatus", queued).size(), asked);
}

}  // namespace
}  // namespace kp
