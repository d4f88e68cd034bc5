#include "core/config/autostart_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

Strings LinesOf(const std::string& text) {
  Strings lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The value of "Key=" in the entry's lines, or no value.
std::optional<std::string> ValueOf(const Strings& lines, std::string_view key) {
  for (const std::string& line : lines) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
      return line.substr(key.size() + 1);
    }
  }
  return std::nullopt;
}

// Reads an Exec value back the way a desktop reads it: the value escapes first,
// then "%%", then the quoting of the one argument. No value when the text is not
// exactly one well-formed argument.
std::optional<std::string> DecodeSingleArgument(std::string_view value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      unescaped += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    switch (value[i]) {
      case '\\':
        unescaped += '\\';
        break;
      case 'n':
        unescaped += '\n';
        break;
      case 't':
        unescaped += '\t';
        break;
      case 'r':
        unescaped += '\r';
        break;
      case 's':
        unescaped += ' ';
        break;
      default:
        return std::nullopt;
    }
  }
  std::string expanded;
  for (std::size_t i = 0; i < unescaped.size(); ++i) {
    if (unescaped[i] == '%') {
      if (i + 1 == unescaped.size() || unescaped[i + 1] != '%') return std::nullopt;  // a field code
      ++i;
    }
    expanded += unescaped[i];
  }
  if (expanded.empty() || expanded[0] != '"') {
    for (const char c : std::string_view(" \t\n\"'\\><~|&;$*?#()`")) {
      if (expanded.find(c) != std::string::npos) return std::nullopt;
    }
    return expanded;
  }
  std::string argument;
  for (std::size_t i = 1; i < expanded.size(); ++i) {
    const char c = expanded[i];
    if (c == '"') return i + 1 == expanded.size() ? std::optional(argument) : std::nullopt;
    if (c == '\\') {
      if (++i == expanded.size()) return std::nullopt;
      const char escaped = expanded[i];
      if (escaped != '"' && escaped != '`' && escaped != '$' && escaped != '\\') return std::nullopt;
      argument += escaped;
    } else if (c == '`' || c == '$') {
      return std::nullopt;  // must be escaped inside quotes
    } else {
      argument += c;
    }
  }
  return std::nullopt;  // no closing quote
}

TSettings WithAutostart(bool on, std::string name = "Keplinor") {
  TSettings settings;
  settings.Advanced.LaunchAtSystemStartup = on;
  settings.Application.Name = std::move(name);
  return settings;
}

TEST(AutostartEntry, AppearsAndDisappearsWithTheSetting) {
  test::TempFolder home;
  const std::string configHome = home / "config";  // not there yet
  const std::string entry = configHome + "/autostart/KP-APPLICATION-4.0.desktop";
  const std::string executable = "/opt/My Programs/keplinor";

  EXPECT_TRUE(UpdateAutostartEntry(WithAutostart(true), executable, configHome));
  ASSERT_TRUE(home.Exists("config/autostart/KP-APPLICATION-4.0.desktop"));
  const Strings lines = LinesOf(home.ReadFile("config/autostart/KP-APPLICATION-4.0.desktop"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "[Desktop Entry]");
  EXPECT_EQ(ValueOf(lines, "Type"), "Application");
  EXPECT_EQ(ValueOf(lines, "Name"), "Keplinor");
  EXPECT_EQ(ValueOf(lines, "Exec"), "\"/opt/My Programs/keplinor\"");
  EXPECT_EQ(ValueOf(lines, "X-GNOME-Autostart-enabled"), "true");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(configHome + "/autostart"),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left beside the entry";

  home.WriteFile("config/autostart/KP-APPLICATION-4.0.desktop", "stale");
  EXPECT_TRUE(UpdateAutostartEntry(WithAutostart(true, "Renamed"), "/opt/k/keplinor", configHome));
  EXPECT_EQ(ValueOf(LinesOf(home.ReadFile("config/autostart/KP-APPLICATION-4.0.desktop")), "Exec"),
            "/opt/k/keplinor")
      << "a plain path needs no quotes; an existing entry is replaced";

  EXPECT_TRUE(UpdateAutostartEntry(WithAutostart(false), executable, configHome));
  EXPECT_FALSE(home.Exists("config/autostart/KP-APPLICATION-4.0.desktop"));
  EXPECT_TRUE(UpdateAutostartEntry(WithAutostart(false), executable, configHome)) << "nothing left to remove";
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(AutostartEntry, ExecRunsExactlyThePathGiven) {
  for (const std::string path : {
           "/opt/keplinor/keplinor",
           "/opt/My Programs/keplinor",
           "/home/a\"b/$HOME/`id`/back\\slash/it's (x86) & more;*?#~<>|/k",
           "/opt/100%/k%u",
           "/opt/100% done/k",
           "/opt/tab\there/new\nline/cr\rhere/k",
           "/opt/ünïcode/k",
       }) {
    const std::string exec = DesktopExecValue(path);
    EXPECT_EQ(exec.find_first_of("\r\n"), std::string::npos) << "the value stays on its line";
    EXPECT_EQ(DecodeSingleArgument(exec), path) << exec;
  }
}

TEST(AutostartEntry, EntryStaysValidForAwkwardNamesAndPaths) {
  const Strings blankName = LinesOf(AutostartEntryText("  ", "/opt/k/keplinor"));
  EXPECT_EQ(ValueOf(blankName, "Name"), "keplinor") << "an entry must have a name";

  const Strings twoLines = LinesOf(AutostartEntryText("Kep\nlinor\\", "/opt/k/keplinor"));
  EXPECT_EQ(ValueOf(twoLines, "Name"), "Kep\\nlinor\\\\");
  EXPECT_EQ(ValueOf(twoLines, "Type"), "Application") << "a line break in the name cannot add lines";

  test::TempFolder home;
  ASSERT_TRUE(UpdateAutostartEntry(WithAutostart(true), "bin/keplinor", home.Path()));
  const auto exec = ValueOf(LinesOf(home.ReadFile("autostart/KP-APPLICATION-4.0.desktop")), "Exec");
  ASSERT_TRUE(exec.has_value());
  EXPECT_EQ(DecodeSingleArgument(*exec), (std::filesystem::current_path() / "bin/keplinor").string())
      << "a relative path is made absolute";
}

TEST(AutostartEntry, FailuresAreReportedButHarmless) {
  test::TempFolder home;
  const std::string notAFolder = home.WriteFile("file", "x");
  EXPECT_FALSE(UpdateAutostartEntry(WithAutostart(true), "/opt/k/keplinor", notAFolder));
  EXPECT_FALSE(UpdateAutostartEntry(WithAutostart(true), "/opt/k/keplinor", ""));
  EXPECT_FALSE(UpdateAutostartEntry(WithAutostart(true), "", home.Path()));
  EXPECT_FALSE(home.Exists("autostart/KP-APPLICATION-4.0.desktop"));
}

TEST(AutostartEntry, ConfigHomeFollowsTheBaseDirectoryRules) {
  EXPECT_EQ(ConfigHomeFrom("/x/cfg", "/home/u"), "/x/cfg");
  EXPECT_EQ(ConfigHomeFrom("", "/home/u"), "/home/u/.config");
  EXPECT_EQ(ConfigHomeFrom(nullptr, "/home/u/"), "/home/u/.config");
  EXPECT_EQ(ConfigHomeFrom("relative/cfg", "/home/u"), "/home/u/.config") << "a relative value is ignored";
  EXPECT_EQ(ConfigHomeFrom(nullptr, ""), "");
  EXPECT_EQ(ConfigHomeFrom(nullptr, nullptr), "");
}

}  // namespace
}  // namespace kp
