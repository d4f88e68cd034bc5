#pragma once
// The transfer lists as plugins and the face meet them: both lists with their
// plugin API, a services registry, the transfer test plugin whose service
// carries the transfers, a clock the test moves, and a view that answers the
// group question and counts what it is told.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/services/service_registry.h"
#include "core/transfers/download_list.h"
#include "core/transfers/transfer_api.h"
#include "core/transfers/upload_list.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp::test {

using Strings = std::vector<std::string>;

class CountingTransferView final : public ITransferListView {
 public:
  bool answerYes = true;
  int questions = 0;
  int inserted = 0;
  int removed = 0;

  void NodeInserting(const TTransferGroup*, std::int32_t) override {}
  void NodeInserted() override { ++inserted; }
  void NodeRemoving(const TTransferBase&) override {}
  void NodeRemoved() override { ++removed; }
  void ExpandRoot() override {}
  void RowChanged(const TTransferBase&) override {}
  void AllRowsChanged() override {}
  void CommandsChanged() override {}
  void SpeedsSampled() override {}
  bool ConfirmGroupRemoval() override {
    ++questions;
    return answerYes;
  }
  void AddPluginButton(TPluginHolder*, std::int32_t, std::string_view, const std::string&) override {}
  std::uint32_t AddPluginMenuEntry(TPluginHolder*, std::int32_t, std::uint32_t, std::string_view,
                                   const std::string&) override {
    return 0;
  }
};

class TransferTest : public ::testing::Test {
 protected:
  TransferTest() {
    kp_test_record_clear();
    const std::filesystem::path target = temp_ / "Plugins/transfers.so";
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(KP_TP_TRANSFERS, target);
    EXPECT_TRUE(plugins_.LoadPlugin(target.string()));
    plugin_ = plugins_.GetPlugin(0);
    plugins_.BindPlugin(*plugin_);
    const std::uint32_t type = services_.AddType(plugin_, "type", "", TGuid{});
    service_ = services_.AddService(plugin_, type, "service", "", "", 0, TGuid{});
    downloads_.SetClock([this] { return now_; });
    uploads_.SetClock([this] { return now_; });
    downloads_.SetView(&view_);
    uploads_.SetView(&view_);
  }
  ~TransferTest() override {
    downloads_.SetView(nullptr);
    uploads_.SetView(nullptr);
  }

  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(::dlsym(plugin_->Module, name));
  }

  std::uint32_t Add(const char* file, const char* nick = "nick", std::int64_t size = 1000,
                    std::uint32_t group = 0) {
    using Fn = std::uint32_t (*)(std::uint32_t, std::uint32_t, const char*, const char*, std::int64_t);
    return Find<Fn>("ttp_download_add")(group, service_, nick, file, size);
  }
  std::uint32_t AddGroup(const char* description, std::uint32_t parent = 0) {
    using Fn = std::uint32_t (*)(std::uint32_t, std::uint32_t, const char*);
    return Find<Fn>("ttp_group_add")(parent, service_, description);
  }
  void Progress(std::uint32_t download, std::int64_t start, std::int64_t end, std::int64_t position) {
    using Fn = std::int32_t (*)(std::uint32_t, std::int64_t, std::int64_t, std::int64_t);
    EXPECT_EQ(Find<Fn>("ttp_download_progress")(download, start, end, position), 0);
  }
  void Complete(std::uint32_t download) {
    EXPECT_EQ(Find<std::int32_t (*)(std::uint32_t)>("ttp_download_complete")(download), 0);
  }
  void Fail(std::uint32_t download, const char* text) {
    Find<void (*)(std::uint32_t, const char*)>("ttp_download_error")(download, text);
  }
  std::uint32_t Upload(const char* file, const char* nick = "nick", bool allowQueue = true) {
    using Fn = std::uint32_t (*)(std::uint32_t, const char*, const char*, std::int32_t);
    return Find<Fn>("ttp_upload_add")(service_, nick, file, allowQueue ? 1 : 0);
  }
  std::string Describe(const char* function, std::uint32_t handle) {
    kp_test_record_clear();
    Find<void (*)(std::uint32_t)>(function)(handle);
    const Strings lines = RecordedLines();
    return lines.empty() ? std::string() : lines.back();
  }
  TTransferItem& Item(std::uint32_t handle) {
    TTransferItem* item = downloads_.FindItem(handle);
    if (!item) item = uploads_.FindItem(handle);
    EXPECT_NE(item, nullptr);
    return *item;
  }
  static Strings Events() {
    Strings events = RecordedLines();
    kp_test_record_clear();
    return events;
  }
  void Later(int seconds) { now_ += std::chrono::seconds(seconds); }

  TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TSettings settings_;
  TServiceRegistry services_{temp_.Path()};
  TDownloadList downloads_{services_, plugins_, settings_, temp_.Path()};
  TUploadList uploads_{services_, plugins_, settings_, temp_.Path()};
  TTransferApi transferApi_{api_, downloads_, uploads_};
  CountingTransferView view_;
  TimeStamp now_ = TimeStamp{} + std::chrono::hours(1);
  TPluginHolder* plugin_ = nullptr;
  std::uint32_t service_ = 0;
  // Last: the plugins stop before anything they may call goes.
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

}  // namespace kp::test
