#pragma once
// The flat store of named sections of key/value texts that holds the settings
// file and the language file, with its reader and writer.
//
// File format: "[Section]" headers and lines of the form key = "value". There is
// no escaping and no comment syntax; what the reader cannot pair is skipped, so a
// malformed file never fails to load.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/case_insensitive_index.h"

namespace kp {

// One section: keys in order of first appearance, each at most once.
class TSectionObject {
 public:
  // Appends the pair, or replaces the value in place when the key is present
  // (the key keeps its position and its first letter case).
  void SetValue(std::string_view key, std::string_view value);

  // The value, or empty text when the key is missing.
  [[nodiscard]] const std::string& GetValue(std::string_view key) const;
  [[nodiscard]] bool HasKey(std::string_view key) const;

  [[nodiscard]] std::size_t Count() const noexcept { return keys_.size(); }
  [[nodiscard]] const std::string& KeyAt(std::size_t i) const { return keys_[i]; }
  [[nodiscard]] const std::string& ValueAt(std::size_t i) const { return values_[i]; }

 private:
  std::vector<std::string> keys_;
  std::vector<std::string> values_;
  CaseInsensitiveIndex index_;
};

class TSimpleConfig {
 public:
  // The section of that name; when absent and create is true a new empty one is
  // appended, otherwise null.
  TSectionObject* FindSection(std::string_view name, bool create);
  [[nodiscard]] const TSectionObject* FindSection(std::string_view name) const;

  // Makes name the section that reads and writes use; true when it exists.
  // A missing section may be selected: the next write creates it.
  bool SelectSection(std::string_view name);
  [[nodiscard]] const std::string& CurrentSection() const noexcept { return currentSection_; }

  [[nodiscard]] std::string ReadString(std::string_view key) const;
  // The low 32 bits of the value's number; 0 when missing or without digits.
  [[nodiscard]] std::int32_t ReadInteger(std::string_view key) const;
  [[nodiscard]] bool ReadBoolean(std::string_view key) const;

  void WriteString(std::string_view key, std::string_view value);
  void WriteInteger(std::string_view key, std::int32_t value);
  void WriteBoolean(std::string_view key, bool value);

  // Adds the file's pairs to what the store holds. False, with the store
  // unchanged, when the file cannot be read.
  bool LoadFromFile(const std::string& path);
  // Adds the pairs of a text in the file format.
  void LoadFromText(std::string_view text);

  // The whole store in the file format.
  [[nodiscard]] std::string SaveToText() const;
  // Replaces the file atomically; an empty store deletes the file instead.
  [[nodiscard]] bool SaveToFile(const std::string& path) const;

  void Clear();

  [[nodiscard]] std::size_t SectionCount() const noexcept { return sections_.size(); }
  [[nodiscard]] const std::string& SectionNameAt(std::size_t i) const { return sections_[i].name; }
  [[nodiscard]] const TSectionObject& SectionAt(std::size_t i) const { return *sections_[i].section; }

 private:
  struct NamedSection {
    std::string name;
    std::unique_ptr<TSectionObject> section;
  };

  [[nodiscard]] const TSectionObject* Current() const;

  std::vector<NamedSection> sections_;
  CaseInsensitiveIndex index_;
  std::string currentSection_;
};

}  // namespace kp
