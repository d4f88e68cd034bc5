#include "core/config/simple_config.h"

#include "core/config/text_conversions.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

const std::string kEmpty;

constexpr bool IsNewline(char c) { return c == '\r' || c == '\n'; }
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsQuote(char c) { return c == '"'; }
constexpr bool IsOther(char c) {
  return !IsNewline(c) && !IsBlank(c) && !IsQuote(c) && c != '=' && c != '[' && c != ']';
}

}  // namespace

void TSectionObject::SetValue(std::string_view key, std::string_view value) {
  if (auto found = index_.find(key); found != index_.end()) {
    values_[found->second].assign(value);
    return;
  }
  index_.emplace(std::string(key), keys_.size());
  keys_.emplace_back(key);
  values_.emplace_back(value);
}

const std::string& TSectionObject::GetValue(std::string_view key) const {
  const auto found = index_.find(key);
  return found == index_.end() ? kEmpty : values_[found->second];
}

bool TSectionObject::HasKey(std::string_view key) const {
  return index_.find(key) != index_.end();
}

TSectionObject* TSimpleConfig::FindSection(std::string_view name, bool create) {
  if (auto found = index_.find(name); found != index_.end()) {
    return sections_[found->second].section.get();
  }
  if (!create) return nullptr;
  index_.emplace(std::string(name), sections_.size());
  sections_.push_back({std::string(name), std::make_unique<TSectionObject>()});
  return sections_.back().section.get();
}

const TSectionObject* TSimpleConfig::FindSection(std::string_view name) const {
  const auto found = index_.find(name);
  return found == index_.end() ? nullptr : sections_[found->second].section.get();
}

bool TSimpleConfig::SelectSection(std::string_view name) {
  currentSection_.assign(name);
  return FindSection(name) != nullptr;
}

const TSectionObject* TSimpleConfig::Current() const {
  return FindSection(currentSection_);
}

std::string TSimpleConfig::ReadString(std::string_view key) const {
  const TSectionObject* section = Current();
  return section ? section->GetValue(key) : std::string();
}

std::int32_t TSimpleConfig::ReadInteger(std::string_view key) const {
  const TSectionObject* section = Current();
  if (!section) return 0;
  // Only the low 32 bits are kept, as the stored number may be wider.
  return LowThirtyTwoBits(TextToInt64(section->GetValue(key)));
}

bool TSimpleConfig::ReadBoolean(std::string_view key) const {
  const TSectionObject* section = Current();
  return section && TextToBoolean(section->GetValue(key));
}

void TSimpleConfig::WriteString(std::string_view key, std::string_view value) {
  FindSection(currentSection_, true)->SetValue(key, value);
}

void TSimpleConfig::WriteInteger(std::string_view key, std::int32_t value) {
  WriteString(key, std::to_string(value));
}

void TSimpleConfig::WriteBoolean(std::string_view key, bool value) {
  WriteString(key, BooleanToText(value));
}

bool TSimpleConfig::LoadFromFile(const std::string& path) {
  const auto content = ReadWholeFile(path);
  if (!content) return false;
  LoadFromText(*content);
  return true;
}

void TSimpleConfig::LoadFromText(std::string_view text) {
  // A NUL byte ends the text.
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  const std::size_t end = text.size();
  std::size_t pos = 0;
  std::string_view pendingSection;
  TSectionObject* pendingTarget = nullptr;  // the section of pendingSection, once created

  while (pos < end) {
    const char c = text[pos];
    if (IsNewline(c) || IsBlank(c)) {
      ++pos;
      continue;
    }
    if (IsOther(c)) {
      const std::size_t keyStart = pos;
      while (pos < end && text[pos] != '=' && !IsBlank(text[pos]) && !IsNewline(text[pos])) ++pos;
      const std::string_view key = text.substr(keyStart, pos - keyStart);
      while (pos < end && IsBlank(text[pos])) ++pos;
      if (pos < end && text[pos] == '=') {
        ++pos;
        // Whatever stands between the equals sign and the opening quote is ignored.
        while (pos < end && !IsQuote(text[pos]) && !IsNewline(text[pos])) ++pos;
        if (pos < end && IsQuote(text[pos])) {
          ++pos;
          const std::size_t valueStart = pos;
          while (pos < end && !IsQuote(text[pos]) && !IsNewline(text[pos])) ++pos;
          if (pos < end && IsQuote(text[pos])) {
            if (!pendingTarget) {
              pendingTarget = FindSection(pendingSection, true);
              currentSection_.assign(pendingSection);
            }
            pendingTarget->SetValue(key, text.substr(valueStart, pos - valueStart));
          }
        }
      }
    } else if (c == '[') {
      ++pos;
      const std::size_t nameStart = pos;
      while (pos < end && text[pos] != ']') ++pos;
      pendingSection = text.substr(nameStart, pos - nameStart);
      pendingTarget = nullptr;
    }
    // The character under the cursor ends the item: a closing quote or bracket,
    // the character that stopped a key, or a stray quote, bracket or equals sign.
    ++pos;
  }
}

std::string TSimpleConfig::SaveToText() const {
  std::string text;
  for (const NamedSection& named : sections_) {
    if (!text.empty()) text += "\r\n";
    text += '[';
    text += named.name;
    text += "]\r\n";
    const TSectionObject& section = *named.section;
    for (std::size_t i = 0; i < section.Count(); ++i) {
      text += section.KeyAt(i);
      text += " = \"";
      text += section.ValueAt(i);
      text += "\"\r\n";
    }
  }
  return text;
}

bool TSimpleConfig::SaveToFile(const std::string& path) const {
  const std::string text = SaveToText();
  if (text.empty()) return RemoveFileIfPresent(path);
  return WriteFileAtomically(path, text);
}

void TSimpleConfig::Clear() {
  sections_.clear();
  index_.clear();
}

}  // namespace kp
