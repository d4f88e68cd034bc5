#pragma once
// The open searches as plugins and the face meet them: a list of searches with
// its plugin API, a services registry, copies of the search test plugin whose
// services take part, and a view that writes down what it is told.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/search/search_api.h"
#include "core/search/search_list.h"
#include "core/services/service_registry.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp::test {

using Strings = std::vector<std::string>;

class RecordingSearchView final : public ISearchListView {
 public:
  Strings calls;
  std::uint32_t nextMenu = 500;

  void SearchOpened(TSearchContext& s) override { calls.push_back("opened " + std::to_string(s.SearchID)); }
  void ResultsAdded(TSearchContext& s, std::size_t first) override {
    calls.push_back("results " + std::to_string(s.SearchID) + " from " + std::to_string(first));
  }
  void SearchStateChanged(TSearchContext& s) override {
    calls.push_back("state " + std::to_string(s.SearchID) + (s.Stopped ? " stopped" : " running") +
                    " pending " + std::to_string(s.PendingServices.size()));
  }
  void SearchClosing(TSearchContext& s) override { calls.push_back("closing " + std::to_string(s.SearchID)); }
  void RefreshSearchIndicator() override { ++indicatorRefreshes; }
  void AddResultButton(TSearchContext& s, TPluginHolder* owner, std::int32_t command,
                       std::string_view description, const std::string& iconFile) override {
    calls.push_back("button " + std::to_string(s.SearchID) + " " + Owner(owner) + " " +
                    std::to_string(command) + " " + std::string(description) + " " + iconFile);
  }
  std::uint32_t AddResultMenuEntry(TSearchContext& s, TPluginHolder* owner, std::int32_t command,
                                   std::uint32_t parentMenu, std::string_view description,
                                   const std::string& iconFile) override {
    calls.push_back("menu " + std::to_string(s.SearchID) + " " + Owner(owner) + " " +
                    std::to_string(command) + " under " + std::to_string(parentMenu) + " " +
                    std::string(description) + " " + iconFile);
    return nextMenu++;
  }
  int indicatorRefreshes = 0;

 private:
  static std::string Owner(const TPluginHolder* owner) {
    return owner ? std::filesystem::path(owner->Path()).filename().string() : "none";
  }
};

// One copy of the search test plugin: its tsp_ functions make Search calls
// on its behalf.
class TSearchPlugin {
 public:
  explicit TSearchPlugin(TPluginHolder& holder) : holder_(&holder) {}

  [[nodiscard]] TPluginHolder& Holder() const { return *holder_; }
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(::dlsym(holder_->Module, name));
  }

  struct Result {
    const char* description = "song.mp3";
    const char* hashCode = "";
    std::int32_t size = 1000;
    std::int32_t bitrate = 128;
    const char* nick = "nick";
    std::int32_t length = 200;
    std::int32_t frequency = 44100;
    bool music = true;
    const char* icon = "";
    const char* info = "info";
    const char* url = "url";
  };
  std::int32_t Add(std::uint32_t service, std::int32_t searchId, const Result& r) const {
    using Fn = std::int32_t (*)(std::uint32_t, std::int32_t, const char*, const char*, const char*,
                                std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                const char*, const char*, const char*);
    return Find<Fn>("tsp_add_result")(service, searchId, r.description, r.hashCode, r.nick, r.size, r.bitrate,
                                      r.length, r.frequency, r.music ? 1 : 0, r.icon, r.info, r.url);
  }
  std::int32_t Complete(std::uint32_t service, std::int32_t searchId) const {
    return Find<std::int32_t (*)(std::uint32_t, std::int32_t)>("tsp_complete")(service, searchId);
  }
  std::uint32_t MenuAdd(std::int32_t command, std::uint32_t parent, const char* description) const {
    return Find<std::uint32_t (*)(std::int32_t, std::uint32_t, const char*, const char*)>("tsp_menu_add")(
        command, parent, description, "");
  }
  void ButtonAdd(std::int32_t command, const char* description) const {
    Find<void (*)(std::int32_t, const char*, const char*)>("tsp_button_add")(command, description, "");
  }
  void AddCommandsOnSelect(bool on) const {
    *static_cast<std::int32_t*>(::dlsym(holder_->Module, "tsp_add_commands")) = on;
  }

 private:
  TPluginHolder* holder_;
};

class SearchListTest : public ::testing::Test {
 protected:
  SearchListTest() {
    kp_test_record_clear();
    searches_.SetView(&view_);
  }
  ~SearchListTest() override { searches_.SetView(nullptr); }

  // A copy of the built plugin under the program folder, loaded and bound.
  TSearchPlugin Load(const std::string& name) {
    const std::filesystem::path target = temp_ / ("Plugins/" + name);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(KP_TP_SEARCH, target);
    EXPECT_TRUE(plugins_.LoadPlugin(target.string()));
    TPluginHolder& plugin = *plugins_.GetPlugin(plugins_.GetPluginCount() - 1);
    plugins_.BindPlugin(plugin);
    return TSearchPlugin(plugin);
  }
  // A service of the plugin, under a type of its own unless one is given.
  std::uint32_t AddService(const TSearchPlugin& plugin, std::uint32_t type = 0) {
    if (type == 0) type = AddType(plugin);
    return services_.AddService(&plugin.Holder(), type, "service", "", "", 0, TGuid{});
  }
  std::uint32_t AddType(const TSearchPlugin& plugin) {
    return services_.AddType(&plugin.Holder(), "type", "", TGuid{});
  }

  TSearchContext& Open(std::int64_t minimumSize = 0, std::int64_t maximumSize = 0,
                       std::int32_t minimumBitrate = 0) {
    return searches_.OpenSearch("text", "", minimumBitrate, minimumSize, maximumSize);
  }

  static Strings Events() { return RecordedLines(); }

  TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TSettings settings_;
  TServiceRegistry services_{temp_.Path()};
  TSearchList searches_{services_, plugins_, settings_, temp_.Path()};
  TSearchApi searchApi_{api_, searches_};
  RecordingSearchView view_;
  // Last: the plugins stop before anything they may call goes.
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

}  // namespace kp::test
