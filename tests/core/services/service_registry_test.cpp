// The registry of service types and services as plugins meet it: calls made
// through a test plugin's bound entries, events and records as the plugin sees
// them, and what the desktop face is told.
#include "core/services/service_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/service_plugins_fixture.h"

namespace kp {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// What the desktop face would have been told, one line per call.
class RecordingView final : public IServicesView {
 public:
  Strings calls;
  std::uint32_t nextMenu = 900;

  void ServiceButtonAdded(const TServiceHolder& s) override { calls.push_back("button+ " + s.description); }
  void ServiceButtonChanged(const TServiceHolder& s) override {
    calls.push_back("button " + s.description + " icon=" + fs::path(s.currentIconFileName).filename().string() +
                    (s.checked ? " checked" : ""));
  }
  void ServiceButtonRemoved(const TServiceHolder& s) override { calls.push_back("button- " + s.description); }
  void ActiveServiceChanged(const TServiceHolder* s) override {
    calls.push_back("active " + (s ? s->description : std::string("none")));
  }
  std::uint32_t AddTypeMenu(const TServiceTypeHolder& t) override {
    calls.push_back("submenu+ " + t.description + " " + std::to_string(nextMenu));
    return nextMenu++;
  }
  std::uint32_t AddServiceMenuEntry(const TServiceHolder& s) override {
    calls.push_back("entry+ " + s.description + " under " + std::to_string(s.type->menuEntry));
    return nextMenu++;
  }
  void RemoveMenuEntry(std::uint32_t entry) override { calls.push_back("menu- " + std::to_string(entry)); }
  void ShowMainPanel(std::uint32_t window) override { calls.push_back("panel " + std::to_string(window)); }
  void OnlineStateChanged(bool anyOnline) override { calls.push_back(anyOnline ? "online" : "offline"); }
};

// Stands for the search request's sources and the user accounts.
class RecordingListener final : public IServiceListener {
 public:
  RecordingListener(std::string name, Strings& log) : name_(std::move(name)), log_(log) {}
  void ServiceAdded(TServiceHolder& s) override { log_.push_back(name_ + " added " + s.description); }
  void ServiceRemoving(TServiceHolder& s) override { log_.push_back(name_ + " removing " + s.description); }

 private:
  std::string name_;
  Strings& log_;
};

class ServiceRegistryTest : public test::ServicePluginsTest {
 protected:
  ServiceRegistryTest() { services_.SetView(&view_); }
  ~ServiceRegistryTest() override { services_.SetView(nullptr); }

  RecordingView view_;
};

TEST_F(ServiceRegistryTest, UnknownHandlesChangeNothingAndAnswerZero) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  EXPECT_EQ(plugin.Add(0x1234, "stray"), 0u) << "an unknown type";
  EXPECT_EQ(plugin.Add(0, "stray"), 0u);
  plugin.Edit(0x1234, "x", "", "", 1);
  plugin.EditType(0x1234, "x");
  plugin.Remove(0x1234);
  plugin.RemoveType(0x1234);
  plugin.SetOnline(0x1234, true);
  plugin.SetCheck(0x1234, true);
  plugin.SetIcon(0x1234, "x.bmp");
  plugin.SetActive(0x1234);
  EXPECT_TRUE(services_.Services().empty());
  EXPECT_TRUE(services_.Types().empty());
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_EQ(EventsWithoutRecords(), (Strings{"net.so:ServiceAdd called", "net.so:ServiceAdd returned 0",
                                             "net.so:ServiceAdd called", "net.so:ServiceAdd returned 0"}));

  // A service handle is not a type handle, nor the other way round.
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t service = plugin.Add(type, "One");
  EXPECT_EQ(plugin.Add(service, "wrong kind"), 0u);
  plugin.Remove(type);
  EXPECT_EQ(services_.Services().size(), 1u);
}

TEST_F(ServiceRegistryTest, TheFirstServiceIsSelectedBeforeServiceAddReturnsAndASecondChangesNothing) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t first = plugin.Add(type, "One");
  ASSERT_NE(first, 0u);
  EXPECT_EQ(EventsWithoutRecords(), (Strings{"net.so:ServiceAdd called", "net.so:OnServiceSelect " + H(first),
                                             "net.so:ServiceAdd returned " + H(first)}));
  EXPECT_EQ(services_.ActiveService(), services_.FindService(first));

  kp_test_record_clear();
  const std::uint32_t second = plugin.Add(type, "Two");
  EXPECT_EQ(EventsWithoutRecords(),
            (Strings{"net.so:ServiceAdd called", "net.so:ServiceAdd returned " + H(second)}));
  EXPECT_EQ(services_.ActiveService()->Handle(), first);

  EXPECT_EQ(view_.calls, (Strings{"button+ One", "submenu+ Network 900", "entry+ One under 900", "active One",
                                  "button+ Two", "entry+ Two under 900"}))
      << "one submenu per type, one entry per service under it";
}

TEST_F(ServiceRegistryTest, RecordsHoldTheFieldsAtTheirOffsetsAsThePluginReadsThem) {
  temp_.WriteFile("Plugins/on.bmp", "BM");
  temp_.WriteFile("Icons/off.bmp", "BM");
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network", "off.bmp", 0xABCD0001u);
  const std::string longText(300, 'x');
  const std::uint32_t service = plugin.Add(type, longText.c_str(), "on.bmp", "off.bmp", 77, 0x5E7C0042u);

  const std::string on = temp_.Path() + "Plugins/on.bmp";
  const std::string off = temp_.Path() + "Icons/off.bmp";
  const std::string cut(254, 'x');
  kp_test_record_clear();
  plugin.Describe(service);
  plugin.DescribeType(type);
  EXPECT_EQ(
      Events(),
      (Strings{"net.so:record " + H(service) + " type=" + H(type) + " guid=5E7C0042-1234 online=0 " +
                   "checked=0 data=77 desc=" + cut + " on=" + on + " off=" + off + " current=" + off,
               "net.so:type record " + H(type) + " guid=ABCD0001 desc=Network icon=" + off + " reserved=0"}));
  EXPECT_EQ(services_.FindService(service)->description, longText) << "the core keeps the whole text";

  // Online byte and current icon change together; the check byte with the box.
  kp_test_record_clear();
  plugin.SetOnline(service, true);
  plugin.SetCheck(service, true);
  plugin.Describe(service);
  EXPECT_EQ(Events().back(), "net.so:record " + H(service) + " type=" + H(type) +
                                 " guid=5E7C0042-1234 online=1 checked=1 data=77 desc=" + cut + " on=" + on +
                                 " off=" + off + " current=" + on);

  // Edit takes new texts and data, keeps GUID and type, and follows the state.
  plugin.Edit(service, "Renamed", "missing.bmp", "off.bmp", 5);
  plugin.Describe(service);
  EXPECT_EQ(Events().back(),
            "net.so:record " + H(service) + " type=" + H(type) +
                " guid=5E7C0042-1234 online=1 checked=1 data=5 desc=Renamed on=missing.bmp off=" + off +
                " current=missing.bmp")
      << "an icon that is not found keeps its name";
}

TEST_F(ServiceRegistryTest, OnlineStateChangesOnlyWithNewValuesAndFollowsEveryService) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t one = plugin.Add(type, "One", "on.bmp", "off.bmp");
  const std::uint32_t two = plugin.Add(type, "Two", "on.bmp", "off.bmp");
  view_.calls.clear();

  plugin.SetOnline(one, false);
  EXPECT_TRUE(view_.calls.empty()) << "the current value: no icon change, no window update";

  plugin.SetOnline(one, true);
  plugin.SetOnline(two, true);
  plugin.SetOnline(one, false);
  plugin.SetOnline(two, false);
  EXPECT_EQ(view_.calls, (Strings{"button One icon=on.bmp", "online", "button Two icon=on.bmp", "online",
                                  "button One icon=off.bmp", "online", "button Two icon=off.bmp", "offline"}));

  // The last online service going away takes the online state with it.
  plugin.SetOnline(two, true);
  view_.calls.clear();
  plugin.Remove(two);
  EXPECT_EQ(view_.calls.back(), "offline");
  EXPECT_FALSE(services_.AnyOnline());
}

TEST_F(ServiceRegistryTest, CheckEventsComeOnceForANewValueWithTheRecordAlreadyUpdated) {
  test::TServicePlugin owner = Load(KP_TP_SERVICES, "owner.so");
  test::TServicePlugin other = Load(KP_TP_SERVICES, "other.so");
  const std::uint32_t type = owner.AddType("Network");
  const std::uint32_t service = owner.Add(type, "One");
  kp_test_record_clear();
  view_.calls.clear();

  other.SetCheck(service, true);
  other.SetCheck(service, true);
  EXPECT_EQ(EventsWithoutRecords(), Strings{"other.so:OnServiceCheck " + H(service) + " 1 record=1"})
      << "the calling plugin hears of a change, once";
  EXPECT_EQ(view_.calls, (Strings{"button One icon= checked", "button One icon= checked"}));

  kp_test_record_clear();
  services_.UserChecks(service, false);
  EXPECT_EQ(EventsWithoutRecords(), Strings{"owner.so:OnServiceCheck " + H(service) + " 0 record=0"})
      << "the user's tick goes to the owner";
  EXPECT_FALSE(services_.FindService(service)->checked);
}

TEST_F(ServiceRegistryTest, RemovingTheActiveServiceMakesTheFirstActiveAndTheLastEmptiesThePanel) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t a = plugin.Add(type, "A");
  const std::uint32_t b = plugin.Add(type, "B");
  const std::uint32_t c = plugin.Add(type, "C");
  plugin.SetActive(c);
  kp_test_record_clear();

  plugin.Remove(c);
  EXPECT_EQ(EventsWithoutRecords(),
            (Strings{"net.so:OnServiceWizardRemove " + H(c) + " C", "net.so:OnServiceSelect " + H(a)}))
      << "the remover hears of it while the record is valid; the first service is selected once";
  EXPECT_EQ(services_.ActiveService()->Handle(), a);

  kp_test_record_clear();
  plugin.Remove(b);
  EXPECT_EQ(EventsWithoutRecords(), Strings{"net.so:OnServiceWizardRemove " + H(b) + " B"})
      << "an inactive one: no select";

  plugin.ShowMainPanel(4242);
  view_.calls.clear();
  plugin.Remove(a);
  EXPECT_EQ(services_.ActiveService(), nullptr);
  EXPECT_EQ(view_.calls, (Strings{"button- A", "active none", "panel 0", "menu- " + std::to_string(901),
                                  "menu- 900"}));
}

TEST_F(ServiceRegistryTest, RemovingATypeRemovesEachServiceOnBehalfOfTheCallerAndTheSubmenuWithTheLast) {
  test::TServicePlugin owner = Load(KP_TP_SERVICES, "owner.so");
  test::TServicePlugin remover = Load(KP_TP_SERVICES, "remover.so");
  const std::uint32_t type = owner.AddType("Network");
  const std::uint32_t keep = owner.AddType("Other");
  const std::uint32_t kept = owner.Add(keep, "Kept");
  const std::uint32_t s1 = owner.Add(type, "S1");
  const std::uint32_t s2 = owner.Add(type, "S2");
  const std::uint32_t s3 = owner.Add(type, "S3");
  kp_test_record_clear();
  view_.calls.clear();

  remover.RemoveType(type);
  EXPECT_EQ(EventsWithoutRecords(), (Strings{"remover.so:OnServiceWizardRemove " + H(s1) + " S1",
                                             "remover.so:OnServiceWizardRemove " + H(s2) + " S2",
                                             "remover.so:OnServiceWizardRemove " + H(s3) + " S3"}));
  const Strings menuRemovals = [&] {
    Strings removals;
    for (const std::string& call : view_.calls) {
      if (call.rfind("menu- ", 0) == 0) removals.push_back(call);
    }
    return removals;
  }();
  // Entries 900/901 belong to "Other"; the type's submenu is 902, its entries 903-905.
  EXPECT_EQ(menuRemovals, (Strings{"menu- 903", "menu- 904", "menu- 905", "menu- 902"}));
  EXPECT_EQ(services_.FindType(type), nullptr);
  ASSERT_EQ(services_.Services().size(), 1u);
  EXPECT_EQ(services_.Services().front()->Handle(), kept);
  EXPECT_EQ(services_.Types().size(), 1u);
}

TEST_F(ServiceRegistryTest, EditingATypeChangesItsRecordButNotItsSubmenu) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  plugin.Add(type, "One");
  view_.calls.clear();
  plugin.EditType(type, "Renamed network");
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_EQ(services_.FindType(type)->description, "Renamed network");
  kp_test_record_clear();
  plugin.DescribeType(type);
  EXPECT_NE(Events().front().find("desc=Renamed network icon="), std::string::npos);
}

TEST_F(ServiceRegistryTest, PluginsThatReenterFromTheirEventsCannotBreakTheRegistry) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  Strings hooks;
  RecordingListener sources("sources", hooks);
  services_.AddListener(&sources);

  const std::uint32_t first = plugin.Add(type, "First");
  plugin.Remove(first);
  // The next service is removed again from inside its own select event, which
  // comes before ServiceAdd has finished.
  plugin.RemoveOnNextSelect();
  const std::uint32_t gone = plugin.Add(type, "Vanishing");
  EXPECT_NE(gone, 0u);
  EXPECT_EQ(services_.FindService(gone), nullptr);
  EXPECT_TRUE(services_.Services().empty());
  EXPECT_EQ(hooks, (Strings{"sources added First", "sources removing First", "sources removing Vanishing"}))
      << "a service gone before its adding ended is never announced as added";

  // A remover that adds a service to the type at every removal cannot keep the
  // type's removal going for ever.
  plugin.Add(type, "One");
  plugin.AddOnRemove(type);
  plugin.RemoveType(type);
  EXPECT_EQ(services_.FindType(type), nullptr);
  EXPECT_TRUE(services_.Services().empty());
  services_.RemoveListener(&sources);
}

TEST_F(ServiceRegistryTest, ListenersHearOfEveryServiceInOrderAndLookupsFindTheFirstMatch) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  Strings hooks;
  RecordingListener sources("sources", hooks);
  RecordingListener users("users", hooks);
  services_.AddListener(&sources);
  services_.AddListener(&users);
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t one = plugin.Add(type, "One", "", "", 0, 0x11u);
  const std::uint32_t two = plugin.Add(type, "Two", "", "", 0, 0x11u);
  plugin.Remove(one);
  EXPECT_EQ(hooks, (Strings{"sources added One", "users added One", "sources added Two", "users added Two",
                            "sources removing One", "users removing One"}));

  EXPECT_EQ(services_.FindServiceByGUID(services_.FindService(two)->guid)->Handle(), two);
  plugin.Add(type, "Three", "", "", 0, 0x11u);
  EXPECT_EQ(services_.FindServiceByGUID(services_.FindService(two)->guid)->Handle(), two) << "the first match";
  EXPECT_EQ(services_.FindServiceByGUID(TGuid{0x99}), nullptr);
  services_.RemoveListener(&sources);
  services_.RemoveListener(&users);
}

TEST_F(ServiceRegistryTest, AGuidTextThatDoesNotParseIsTheZeroGuid) {
  TMessagePacket packet(nullptr);
  packet.AddString("sDescription", "Network");
  packet.AddString("sIconFileName", "");
  packet.AddString("sGUID", "{not-a-guid}");
  const auto addType = ApiFunctionIndex("ServiceAddType");
  ASSERT_TRUE(addType);
  const std::uint32_t type = static_cast<std::uint32_t>(api_.Call(*addType, packet));
  ASSERT_NE(services_.FindType(type), nullptr);
  EXPECT_EQ(services_.FindType(type)->guid, TGuid{});
}

}  // namespace
}  // namespace kp
