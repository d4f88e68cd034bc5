#include "core/host/api_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kp::api {
namespace {

// What the names of a family's functions begin with, in the order of Family.
constexpr std::array<std::string_view, 9> kFamilyPrefix = {
    "Application", "URL", "Setup", "Service", "Search", "Upload", "Download", "Shared", "Users"};

std::string_view FamilyPrefix(Family family) { return kFamilyPrefix.at(static_cast<std::size_t>(family)); }

// Bytes that one argument took on the 32-bit stack.
std::size_t LegacySlotBytes(ParamKind kind) {
  if (kind == ParamKind::Int64) return 8;
  if (kind == ParamKind::Guid) return 16;
  return 4;
}

bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && name.starts_with(prefix) &&
         std::isupper(static_cast<unsigned char>(name[prefix.size()])) != 0;
}

// A few names belong to one kind each, whatever their prefix suggests.
std::optional<ParamKind> KindOfReservedName(std::string_view name) {
  if (name == "sWindowHandle" || name == "sHWND") return ParamKind::WindowHandle;
  if (name == "sGUID") return ParamKind::Guid;
  if (name == "pData") return ParamKind::Value32;
  if (name == "pResult") return ParamKind::Handle;  // the address of a record that plugins read
  return std::nullopt;
}

// Otherwise the prefix tells the kind: s text, i integer, b boolean, po
// handle, and p a pointer.
bool NameAgreesWithKind(std::string_view name, ParamKind kind) {
  if (const std::optional<ParamKind> reserved = KindOfReservedName(name)) return kind == *reserved;
  switch (kind) {
    case ParamKind::Text:
    case ParamKind::TextBuffer:
      return HasPrefix(name, "s");
    case ParamKind::Int32:
    case ParamKind::Int64:
      return HasPrefix(name, "i");
    case ParamKind::Boolean:
      return HasPrefix(name, "b");
    case ParamKind::Handle:
      return HasPrefix(name, "po");
    case ParamKind::AnswerByte:
      return HasPrefix(name, "p") && !HasPrefix(name, "po");
    case ParamKind::WindowHandle:
    case ParamKind::Guid:
    case ParamKind::Value32:
      return false;
  }
  return false;
}

// The families in table order, each with the length of its run.
template <typename Entry, std::size_t N>
std::vector<std::pair<Family, std::size_t>> FamilyRuns(const std::array<Entry, N>& table) {
  std::vector<std::pair<Family, std::size_t>> runs;
  for (const Entry& entry : table) {
    if (runs.empty() || runs.back().first != entry.family) runs.emplace_back(entry.family, 0);
    ++runs.back().second;
  }
  return runs;
}

template <typename Entry, std::size_t N>
std::set<std::string_view> Names(const std::array<Entry, N>& table) {
  std::set<std::string_view> names;
  for (const Entry& entry : table) names.insert(entry.name);
  return names;
}

TEST(ApiTableTest, FunctionsComeInRegistrationOrderOfFamilies) {
  ASSERT_EQ(kApiFunctions.size(), 87u);
  EXPECT_EQ(Names(kApiFunctions).size(), kApiFunctions.size()) << "a function name occurs twice";
  EXPECT_EQ(kApiFunctions.front().name, "ApplicationMenuAdd");
  EXPECT_EQ(kApiFunctions.back().name, "UsersGetName");

  const std::vector<std::pair<Family, std::size_t>> expected = {
      {Family::Application, 20}, {Family::Setup, 6},   {Family::Service, 12},
      {Family::Url, 2},          {Family::Search, 4},  {Family::Upload, 10},
      {Family::Download, 16},    {Family::Shared, 14}, {Family::Users, 3}};
  EXPECT_EQ(FamilyRuns(kApiFunctions), expected);
  for (const FunctionSpec& fn : kApiFunctions) {
    EXPECT_TRUE(fn.name.starts_with(FamilyPrefix(fn.family))) << fn.name;
  }
}

TEST(ApiTableTest, EventsAreGroupedByFamily) {
  ASSERT_EQ(kEvents.size(), 51u);
  EXPECT_EQ(Names(kEvents).size(), kEvents.size()) << "an event name occurs twice";

  const std::vector<std::pair<Family, std::size_t>> expected = {
      {Family::Application, 8}, {Family::Url, 1},    {Family::Setup, 6},
      {Family::Service, 8},     {Family::Search, 6}, {Family::Upload, 6},
      {Family::Download, 7},    {Family::Shared, 5}, {Family::Users, 4}};
  EXPECT_EQ(FamilyRuns(kEvents), expected);
  for (const EventSpec& event : kEvents) {
    EXPECT_TRUE(event.name.starts_with(std::string("On") + std::string(FamilyPrefix(event.family))))
        << event.name;
  }
}

TEST(ApiTableTest, OnlyTheThirteenUndispatchedFunctionsRunOnTheCallingThread) {
  const std::set<std::string_view> expected = {
      "SearchResultButtonAdd",  "SearchResultMenuAdd",   "SharedGetNextResult",   "SharedStartDirectory",
      "SharedEndDirectory",     "SharedRemoveDirectory", "SharedDeleteFile",      "SharedCreateDirectory",
      "SharedCheckWriteAccess", "SharedCheckReadAccess", "SharedDirectoryExists", "SharedFileExists",
      "SharedGetRealPath"};
  std::set<std::string_view> onCallingThread;
  for (const FunctionSpec& fn : kApiFunctions) {
    if (fn.route == Route::CallingThread) onCallingThread.insert(fn.name);
  }
  EXPECT_EQ(onCallingThread, expected);
}

TEST(ApiTableTest, ParametersAddUpToTheLegacyArgumentBytes) {
  for (const FunctionSpec& fn : kApiFunctions) {
    ASSERT_LE(fn.paramCount, kMaxParams) << fn.name;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < fn.paramCount; ++i) bytes += LegacySlotBytes(fn.params[i].kind);
    EXPECT_EQ(bytes, fn.legacyArgumentBytes) << fn.name;
  }
}

TEST(ApiTableTest, ParameterNamesAgreeWithTheirKinds) {
  auto check = [](std::string_view owner, const auto& entry, bool isEvent) {
    ASSERT_LE(entry.paramCount, kMaxParams) << owner;
    std::set<std::string_view> seen;
    for (std::size_t i = 0; i < entry.paramCount; ++i) {
      const Param& param = entry.params[i];
      EXPECT_TRUE(NameAgreesWithKind(param.packetName, param.kind)) << owner << ": " << param.packetName;
      EXPECT_TRUE(seen.insert(param.packetName).second) << owner << " repeats " << param.packetName;
      // Plugins hand the core buffers to fill; the core hands plugins answer bytes.
      if (isEvent) {
        EXPECT_NE(param.kind, ParamKind::TextBuffer) << owner;
      } else {
        EXPECT_NE(param.kind, ParamKind::AnswerByte) << owner;
      }
    }
  };
  for (const FunctionSpec& fn : kApiFunctions) check(fn.name, fn, false);
  for (const EventSpec& event : kEvents) check(event.name, event, true);
}

}  // namespace
}  // namespace kp::api
