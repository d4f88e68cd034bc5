#include "core/config/autostart_entry.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/config/text_basics.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

// Characters that make an Exec argument need double quotes.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

// The escapes of desktop entry string values: a backslash, line breaks and tabs
// are written as two-character sequences, a leading blank as "\s".
std::string EscapeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FullPath(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

}  // namespace

std::string ConfigHomeFrom(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome && xdgConfigHome[0] == '/') return xdgConfigHome;
  if (home && home[0] != '\0') return JoinPath(home, ".config");
  return {};
}

std::string DefaultConfigHome() {
  return ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string DataHomeFrom(const char* xdgDataHome, const char* home) {
  if (xdgDataHome && xdgDataHome[0] == '/') return xdgDataHome;
  if (home && home[0] != '\0') return JoinPath(home, ".local/share");
  return {};
}

std::string DefaultDataHome() { return DataHomeFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

std::string DesktopExecValue(std::string_view executablePath) {
  bool quote = executablePath.empty();
  for (const char c : executablePath) quote = quote || kReservedInExec.find(c) != std::string_view::npos;

  std::string argument;
  if (quote) argument += '"';
  for (const char c : executablePath) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    argument += c;
    if (c == '%') argument += '%';  // a lone "%" would start a field code
  }
  if (quote) argument += '"';
  return EscapeValue(argument);
}

std::string AutostartEntryText(std::string_view applicationName, std::string_view executablePath) {
  std::string_view name = Trim(applicationName);
  std::string fallback;
  if (name.empty()) {
    fallback = std::filesystem::path(executablePath).filename().string();
    name = fallback;
  }
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + DesktopExecValue(executablePath) + "\n";
  text += "Terminal=false\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

bool UpdateAutostartEntry(const TSettings& settings, const std::string& executablePath,
                          const std::string& configHome) {
  if (configHome.empty()) return false;
  const std::string folder = JoinPath(configHome, "autostart");
  const std::string entry = JoinPath(folder, kAutostartEntryFileName);
  if (!settings.Advanced.LaunchAtSystemStartup) return RemoveFileIfPresent(entry);

  if (executablePath.empty()) return false;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return WriteFileAtomically(entry, AutostartEntryText(settings.Application.Name, FullPath(executablePath)));
}

}  // namespace kp
