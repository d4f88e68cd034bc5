#pragma once
// The tree-shaped configuration format of the layout file, the scanning rules and
// the advertisement server's replies, with its reader and a cursor to walk the tree.
//
// File format: only what stands inside angle-bracket tags counts; text outside tags
// is comment. "<!NAME values>" opens a folder, "<!/NAME>" (or "<!\NAME>") closes the
// current folder when the names match, "<NAME values>" adds an entry to the current
// folder. Values are name=text pairs separated by blanks; the text is quoted with
// either quote character or ends at the next blank or ">". There are no syntax
// errors: every input gives a tree, and what does not fit is skipped or absorbed.
//
// The format is read only; nothing in the program writes it.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

// A name or value longer than this is emptied while it is read.
inline constexpr std::size_t kMaxTreeConfigText = 16'000;
// A file is read in pieces of at most this many bytes.
inline constexpr std::size_t kTreeConfigPieceSize = 16'000;
// At most this many folders, entries and values together are read from one input;
// the rest of the input is ignored. It keeps hostile input from exhausting memory.
inline constexpr std::size_t kMaxTreeConfigItems = 1'000'000;

// Raised by TConfig::LoadFromFile: -1 when the file ended before its promised size,
// -2 when it could not be opened or read, is no regular file, or is larger than
// kMaxDataFileSize. The message is "Config Exception " and the code.
class EConfig : public std::runtime_error {
 public:
  explicit EConfig(int code);
  [[nodiscard]] int Code() const noexcept { return code_; }

 private:
  int code_;
};

// One folder or entry. Folders have a parent (except the root) and children;
// entries have neither. Every list keeps file order and duplicates.
struct TConfigNode {
  struct Child {
    std::unique_ptr<TConfigNode> node;
  };

  TConfigNode() = default;
  TConfigNode(const TConfigNode&) = delete;
  TConfigNode& operator=(const TConfigNode&) = delete;
  // Takes the subtree apart without recursion, so any depth of nesting is safe.
  // It follows the parent links, so each child folder must point at its holder.
  ~TConfigNode();

  std::vector<Child> folders;
  std::vector<Child> entries;
  std::vector<std::string> valueNames;  // trimmed and upper-cased
  std::vector<std::string> valueTexts;  // as written, at the same positions
  TConfigNode* parent = nullptr;        // none for the root and for entries
  std::string name;                     // as written, letter case kept

  // The first child of that name (ignoring ASCII case), or null.
  [[nodiscard]] TConfigNode* FindFolder(std::string_view childName) noexcept;
  [[nodiscard]] const TConfigNode* FindFolder(std::string_view childName) const noexcept;
  [[nodiscard]] TConfigNode* FindEntry(std::string_view childName) noexcept;
  [[nodiscard]] const TConfigNode* FindEntry(std::string_view childName) const noexcept;
  // The text of the first value of that name, or null.
  [[nodiscard]] const std::string* FindValue(std::string_view valueName) const noexcept;
};

// The tree, the cursor and the reader. The reader's state and its name and value
// buffers live here between pieces of input, so where the input is cut never
// changes the tree.
class TConfigHandle {
 public:
  TConfigHandle();

  // Empties the tree, puts the reader back to its start and the cursor on the root.
  void Reset();
  // Feeds the next piece of input through the reader.
  void Read(std::string_view piece);
  // Makes the root current and selected.
  void SelectRoot() noexcept;

  // True once the reader has stopped at kMaxTreeConfigItems.
  [[nodiscard]] bool Full() const noexcept { return full_; }

  [[nodiscard]] TConfigNode& Root() const noexcept { return *root_; }
  [[nodiscard]] TConfigNode& Current() const noexcept { return *current_; }
  [[nodiscard]] TConfigNode& Selected() const noexcept { return *selected_; }
  void SetCurrent(TConfigNode& folder) noexcept { current_ = &folder; }
  void SetSelected(TConfigNode& node) noexcept { selected_ = &node; }

 private:
  void Step(char c);
  void AddEntry();
  void AddFolder();
  void CloseFolder();
  void StoreValue();
  bool TakeItem();

  std::unique_ptr<TConfigNode> root_;
  TConfigNode* current_;
  TConfigNode* selected_;
  int parserState_ = 0;
  std::string nameBuffer_;
  std::string valueBuffer_;
  std::size_t items_ = 0;
  bool full_ = false;
};

// A tree read from a file or a buffer, and a cursor: the current folder (which
// counts, enumerations and relative paths refer to) and the selected folder or
// entry (whose values ReadValue reads). Names are compared ignoring ASCII case.
class TConfig {
 public:
  // Replaces the tree with the file's. Raises EConfig when the file cannot be
  // read (see there); the tree then holds what was read before the failure, with
  // the root current and selected.
  void LoadFromFile(const std::string& path);
  // Replaces the tree with the text's. Never raises. A null text reads as empty.
  void LoadFromBuffer(const char* text, std::size_t length);
  void LoadFromBuffer(std::string_view text) { LoadFromBuffer(text.data(), text.size()); }

  // Reading in pieces, as LoadFromFile does: BeginLoad empties the tree, each
  // LoadPiece carries on where the last one stopped, EndLoad puts the cursor on
  // the root.
  void BeginLoad();
  void LoadPiece(std::string_view piece);
  void EndLoad();

  // Backslash-separated folder names; a leading backslash starts at the root,
  // otherwise at the current folder; a trailing backslash is optional. On success
  // the folder becomes current and selected; on failure nothing changes.
  bool GoTo(std::string_view path);
  // The current folder's parent becomes current and selected; nothing at the root.
  void GoUp();

  [[nodiscard]] std::size_t FolderCount() const noexcept;
  // The current folder's child at index becomes current and selected.
  bool EnterFolder(std::size_t index);

  [[nodiscard]] std::size_t EntryCount() const noexcept;
  // Selects the current folder's entry at index and returns its name as written;
  // out of range: empty text, nothing changes.
  std::string SelectEntryAt(std::size_t index);
  // Selects the first entry of that name in the current folder, appending an
  // empty one when there is none. Always true.
  bool SelectEntry(std::string_view name);

  // The first value of that name in the selected node; empty text when missing.
  [[nodiscard]] std::string ReadValue(std::string_view name) const;

  [[nodiscard]] const TConfigNode& Root() const noexcept { return handle_.Root(); }
  [[nodiscard]] const TConfigNode& Current() const noexcept { return handle_.Current(); }
  [[nodiscard]] const TConfigNode& Selected() const noexcept { return handle_.Selected(); }

 private:
  TConfigHandle handle_;
};

}  // namespace kp
