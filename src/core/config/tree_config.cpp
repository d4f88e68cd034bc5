#include "core/config/tree_config.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/config/text_basics.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

// The reader's states.
enum State : int {
  kOutside = 0,         // outside tags
  kAfterLess = 1,       // after "<"
  kAfterBang = 2,       // after "<!"
  kEntryName = 3,       // "<name"
  kFolderEndName = 4,   // "<!/name"
  kFolderStartName = 5, // "<!name"
  kValueName = 6,       // a value's name, or whatever stands between values
  kAfterEquals = 7,     // after "name="
  kQuotedValue = 8,     // "name='text"
  kPlainValue = 9,      // "name=text"
};

constexpr bool IsQuote(char c) noexcept { return c == '"' || c == '\''; }

// Appends a character, emptying the text instead when it would grow past the limit.
void Collect(std::string& text, char c) {
  if (text.size() >= kMaxTreeConfigText) {
    text.clear();
  } else {
    text.push_back(c);
  }
}

TConfigNode* FindChild(const std::vector<TConfigNode::Child>& children, std::string_view name) noexcept {
  for (const TConfigNode::Child& child : children) {
    if (EqualsIgnoreCase(child.node->name, name)) return child.node.get();
  }
  return nullptr;
}

TConfigNode& AppendChild(std::vector<TConfigNode::Child>& children, std::string_view name) {
  auto node = std::make_unique<TConfigNode>();
  node->name.assign(name);
  TConfigNode& added = *node;
  children.push_back({std::move(node)});
  return added;
}


constexpr int kReadComplete = 0;
constexpr int kReadShort = -1;
constexpr int kReadFailed = -2;

// Reads the file through the handle in pieces of at most kTreeConfigPieceSize bytes,
// as far as the size the file had when it was opened. Only regular files are read
// (a pipe or a device would block or never end), and none larger than the limit
// of the program's data files.
int ReadFileInPieces(const std::string& path, TConfigHandle& handle) {
  std::size_t remaining = 0;
  const TFileDescriptor file = OpenDataFile(path, kMaxDataFileSize, remaining);
  if (!file.valid()) return kReadFailed;
  std::string piece(kTreeConfigPieceSize, '\0');
  while (remaining > 0 && !handle.Full()) {
    const std::size_t want = std::min(remaining, kTreeConfigPieceSize);
    const long got = ReadUpTo(file.get(), piece.data(), want);
    if (got < 0) return kReadFailed;
    const auto count = static_cast<std::size_t>(got);
    handle.Read(std::string_view(piece.data(), count));
    if (count < want) return kReadShort;
    remaining -= count;
  }
  return kReadComplete;
}

}  // namespace

EConfig::EConfig(int code) : std::runtime_error("Config Exception " + std::to_string(code)), code_(code) {}

TConfigNode::~TConfigNode() {
  // Takes the folders apart from the deepest last one upwards, following the
  // parent links, so that every node is destroyed once it has no folders left and
  // no destructor recurses. Entries never have children. Nothing is allocated.
  TConfigNode* node = this;
  while (node != this || !folders.empty()) {
    if (!node->folders.empty()) {
      node = node->folders.back().node.get();
      continue;
    }
    TConfigNode* up = node->parent;
    if (up == nullptr || up->folders.empty() || up->folders.back().node.get() != node) break;
    up->folders.pop_back();
    node = up;
  }
}

TConfigNode* TConfigNode::FindFolder(std::string_view childName) noexcept {
  return FindChild(folders, childName);
}

const TConfigNode* TConfigNode::FindFolder(std::string_view childName) const noexcept {
  return FindChild(folders, childName);
}

TConfigNode* TConfigNode::FindEntry(std::string_view childName) noexcept {
  return FindChild(entries, childName);
}

const TConfigNode* TConfigNode::FindEntry(std::string_view childName) const noexcept {
  return FindChild(entries, childName);
}

const std::string* TConfigNode::FindValue(std::string_view valueName) const noexcept {
  for (std::size_t i = 0; i < valueNames.size(); ++i) {
    if (EqualsIgnoreCase(valueNames[i], valueName)) return &valueTexts[i];
  }
  return nullptr;
}

TConfigHandle::TConfigHandle()
    : root_(std::make_unique<TConfigNode>()), current_(root_.get()), selected_(root_.get()) {}

void TConfigHandle::Reset() {
  root_ = std::make_unique<TConfigNode>();
  current_ = root_.get();
  selected_ = root_.get();
  parserState_ = kOutside;
  nameBuffer_.clear();
  valueBuffer_.clear();
  items_ = 0;
  full_ = false;
}

void TConfigHandle::SelectRoot() noexcept {
  current_ = root_.get();
  selected_ = root_.get();
}

void TConfigHandle::Read(std::string_view piece) {
  for (const char c : piece) {
    if (full_) return;
    Step(c);
  }
}

void TConfigHandle::Step(char c) {
  switch (parserState_) {
    case kOutside:
      if (c == '<') parserState_ = kAfterLess;
      break;
    case kAfterLess:
      if (c == '!') {
        nameBuffer_.clear();
        parserState_ = kAfterBang;
      } else {
        nameBuffer_.assign(1, c);
        parserState_ = kEntryName;
      }
      break;
    case kAfterBang:
      if (c == '/' || c == '\\') {
        nameBuffer_.clear();
        parserState_ = kFolderEndName;
      } else {
        nameBuffer_.assign(1, c);
        parserState_ = kFolderStartName;
      }
      break;
    case kEntryName:
      if (c == ' ' || c == '>') {
        AddEntry();
        nameBuffer_.clear();
        parserState_ = kValueName;
      } else {
        Collect(nameBuffer_, c);
      }
      break;
    case kFolderEndName:
      // Blanks belong to the name here: "<!/NAME >" closes nothing.
      if (c == '>') {
        CloseFolder();
      } else {
        Collect(nameBuffer_, c);
      }
      break;
    case kFolderStartName:
      if (c == ' ' || c == '>') {
        AddFolder();
        nameBuffer_.clear();
        parserState_ = kValueName;
      } else {
        Collect(nameBuffer_, c);
      }
      break;
    case kValueName:
      if (c == '=') {
        parserState_ = kAfterEquals;
      } else {
        Collect(nameBuffer_, c);
      }
      break;
    case kAfterEquals:
      if (IsQuote(c)) {
        valueBuffer_.clear();
        parserState_ = kQuotedValue;
      } else {
        valueBuffer_.assign(1, c);
        parserState_ = kPlainValue;
      }
      break;
    case kQuotedValue:
      // Either quote character ends the text, whichever one opened it.
      if (IsQuote(c)) {
        StoreValue();
        parserState_ = kValueName;
      } else {
        Collect(valueBuffer_, c);
      }
      break;
    case kPlainValue:
      if (c == ' ' || c == '>') {
        StoreValue();
        parserState_ = kValueName;
      } else {
        Collect(valueBuffer_, c);
      }
      break;
    default:
      parserState_ = kOutside;
      break;
  }
  // A greater-than sign ends every tag, whatever the state made of it; an
  // unfinished value (quoted, or right after the equals sign) is dropped.
  if (c == '>') parserState_ = kOutside;
}

bool TConfigHandle::TakeItem() {
  if (items_ >= kMaxTreeConfigItems) {
    full_ = true;
    return false;
  }
  ++items_;
  return true;
}

void TConfigHandle::AddEntry() {
  if (!TakeItem()) return;
  selected_ = &AppendChild(current_->entries, nameBuffer_);
}

void TConfigHandle::AddFolder() {
  if (!TakeItem()) return;
  TConfigNode& folder = AppendChild(current_->folders, nameBuffer_);
  folder.parent = current_;
  current_ = &folder;
  selected_ = &folder;
}

void TConfigHandle::CloseFolder() {
  if (current_->parent != nullptr && EqualsIgnoreCase(current_->name, nameBuffer_)) {
    current_ = current_->parent;
  }
}

void TConfigHandle::StoreValue() {
  if (TakeItem()) {
    selected_->valueNames.push_back(ToUpperAscii(Trim(nameBuffer_)));
    selected_->valueTexts.push_back(valueBuffer_);
  }
  nameBuffer_.clear();
  valueBuffer_.clear();
}

void TConfig::BeginLoad() { handle_.Reset(); }

void TConfig::LoadPiece(std::string_view piece) { handle_.Read(piece); }

void TConfig::EndLoad() { handle_.SelectRoot(); }

void TConfig::LoadFromFile(const std::string& path) {
  BeginLoad();
  const int code = ReadFileInPieces(path, handle_);
  EndLoad();
  if (code != kReadComplete) throw EConfig(code);
}

void TConfig::LoadFromBuffer(const char* text, std::size_t length) {
  BeginLoad();
  if (text != nullptr) LoadPiece(std::string_view(text, length));
  EndLoad();
}

bool TConfig::GoTo(std::string_view path) {
  TConfigNode* folder = &handle_.Current();
  if (!path.empty() && path.front() == '\\') {
    folder = &handle_.Root();
    path.remove_prefix(1);
  }
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  // What is left is empty (the starting folder) or one or more segments.
  if (!path.empty()) {
    for (;;) {
      const std::size_t cut = path.find('\\');
      folder = folder->FindFolder(path.substr(0, cut));
      if (folder == nullptr) return false;
      if (cut == std::string_view::npos) break;
      path.remove_prefix(cut + 1);
    }
  }
  handle_.SetCurrent(*folder);
  handle_.SetSelected(*folder);
  return true;
}

void TConfig::GoUp() {
  TConfigNode* parent = handle_.Current().parent;
  if (parent == nullptr) return;
  handle_.SetCurrent(*parent);
  handle_.SetSelected(*parent);
}

std::size_t TConfig::FolderCount() const noexcept { return handle_.Current().folders.size(); }

bool TConfig::EnterFolder(std::size_t index) {
  const auto& folders = handle_.Current().folders;
  if (index >= folders.size()) return false;
  TConfigNode& folder = *folders[index].node;
  handle_.SetCurrent(folder);
  handle_.SetSelected(folder);
  return true;
}

std::size_t TConfig::EntryCount() const noexcept { return handle_.Current().entries.size(); }

std::string TConfig::SelectEntryAt(std::size_t index) {
  const auto& entries = handle_.Current().entries;
  if (index >= entries.size()) return {};
  TConfigNode& entry = *entries[index].node;
  handle_.SetSelected(entry);
  return entry.name;
}

bool TConfig::SelectEntry(std::string_view name) {
  TConfigNode* entry = handle_.Current().FindEntry(name);
  if (entry == nullptr) entry = &AppendChild(handle_.Current().entries, name);
  handle_.SetSelected(*entry);
  return true;
}

std::string TConfig::ReadValue(std::string_view name) const {
  const std::string* text = handle_.Selected().FindValue(name);
  return text != nullptr ? *text : std::string();
}

}  // namespace kp
