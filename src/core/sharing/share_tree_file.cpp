#include "core/sharing/share_tree_file.h"

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "core/config/shared_routines.h"
#include "core/platform/file_io.h"
#include "core/sharing/share_directory.h"
#include "core/sharing/share_file.h"

namespace kp {
namespace {

void PutText(std::string& out, std::string_view text) {
  std::array<char, kFixedTextSize> field{};
  CopyToFixedText(field.data(), text);
  out.append(field.data(), field.size());
}

template <typename T>
void PutLittleEndian(std::string& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out += static_cast<char>(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

void PutFileRecord(std::string& out, const TShareFile& file) {
  PutLittleEndian<std::uint32_t>(out, kShareFileTag);
  PutText(out, file.RealPath());
  PutText(out, file.Name());
  PutText(out, file.VirtualPath());
  const TShareFileFacts& facts = file.Facts();
  out += static_cast<char>(facts.IsMP3 ? 1 : 0);
  PutLittleEndian(out, facts.Bitrate);
  PutLittleEndian(out, facts.Frequency);
  PutLittleEndian(out, facts.Length);
  PutLittleEndian(out, facts.Size);
  PutLittleEndian(out, std::bit_cast<std::uint64_t>(facts.Modified));
}

// Reads fixed fields from a record body that is known to be whole.
class TFieldReader {
 public:
  explicit TFieldReader(std::string_view body) noexcept : body_(body) {}
  std::string Text() {
    const std::string_view field = body_.substr(position_, kFixedTextSize);
    position_ += kFixedTextSize;
    return std::string(field.substr(0, field.find('\0')));
  }
  template <typename T>
  T Number() {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      value |= static_cast<T>(static_cast<T>(static_cast<std::uint8_t>(body_[position_ + i])) << (8 * i));
    }
    position_ += sizeof(T);
    return value;
  }

 private:
  std::string_view body_;
  std::size_t position_ = 0;
};

std::uint32_t TagAt(std::string_view bytes, std::size_t position) {
  return TFieldReader(bytes.substr(position, 4)).Number<std::uint32_t>();
}

// A name below the top level is a name on disk; one that is not a plain name
// would make the entry's real path lead elsewhere.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

}  // namespace

TSharePathProbe TSharePathProbe::Disk() {
  return TSharePathProbe{.isDirectory = [](const std::string& path) { return IsDirectory(path); },
                         .isFile = [](const std::string& path) { return IsRegularFile(path); }};
}

std::string WriteShareTree(const TShareDirectory& root) {
  std::string out(kShareTreeMagic);
  // The root's files first; directories come off a stack, so siblings are
  // written last first and each is followed at once by everything below it.
  for (const auto& file : root.Files()) PutFileRecord(out, *file);
  std::vector<std::shared_ptr<TShareDirectory>> stack = root.Subdirectories();
  while (!stack.empty()) {
    const std::shared_ptr<TShareDirectory> directory = std::move(stack.back());
    stack.pop_back();
    // One snapshot gives both the count and the records that it counts.
    const auto files = directory->Files();
    const auto subdirectories = directory->Subdirectories();
    PutLittleEndian<std::uint32_t>(out, kShareDirectoryTag);
    PutText(out, directory->RealPath());
    PutText(out, directory->Name());
    PutText(out, directory->VirtualPath());
    PutText(out, directory->Extensions());
    PutLittleEndian(out, static_cast<std::uint32_t>(files.size() + subdirectories.size()));
    out += static_cast<char>(directory->IncludeSubdirectories() ? 1 : 0);
    PutLittleEndian(out, directory->Stamp());
    for (const auto& file : files) PutFileRecord(out, *file);
    stack.insert(stack.end(), subdirectories.begin(), subdirectories.end());
  }
  return out;
}

bool TShareTreeReader::Read(TShareDirectory& root, std::string_view bytes, const TSharePathProbe& probe,
                            TShareEventList& events) {
  if (bytes.substr(0, kShareTreeMagic.size()) != kShareTreeMagic) return false;
  TShareManager& manager = root.Manager();

  struct TLevel {
    std::shared_ptr<TShareDirectory> directory;
    std::int64_t pending = 0;  // records still to come that belong here
    std::string realPath;
  };
  // The root's records are not counted: its count only goes down.
  TLevel current{root.shared_from_this(), 0, {}};
  std::vector<TLevel> stack;

  std::size_t position = kShareTreeMagic.size();
  const auto bodySize = [](std::uint32_t tag) {
    return tag == kShareFileTag        ? kShareFileBodySize
           : tag == kShareDirectoryTag ? kShareDirectoryBodySize
                                       : 0;
  };
  // A truncated file ends with what was read; an unknown tag ends it likewise.
  const auto wholeRecordAt = [&](std::size_t at) {
    return bytes.size() - at >= 4 && bodySize(TagAt(bytes, at)) != 0 &&
           bytes.size() - at - 4 >= bodySize(TagAt(bytes, at));
  };

  while (position < bytes.size() && wholeRecordAt(position)) {
    const std::uint32_t tag = TagAt(bytes, position);
    TFieldReader record(bytes.substr(position + 4, bodySize(tag)));
    position += 4 + bodySize(tag);
    const bool topLevel = current.directory->IsRoot();
    std::string realPath = record.Text();
    std::string name = record.Text();
    (void)record.Text();  // the virtual path follows from the names
    const bool plausible =
        topLevel ? !realPath.empty() : IsPlainName(name) && realPath == JoinPath(current.realPath, name);
    --current.pending;

    if (tag == kShareFileTag) {
      TShareFileFacts facts;
      facts.IsMP3 = record.Number<std::uint8_t>() != 0;
      facts.Bitrate = record.Number<std::uint32_t>();
      facts.Frequency = record.Number<std::uint32_t>();
      facts.Length = record.Number<std::uint32_t>();
      facts.Size = record.Number<std::uint32_t>();
      facts.Modified = std::bit_cast<double>(record.Number<std::uint64_t>());
      if (plausible && probe.isFile(realPath)) {
        auto file = std::make_shared<TShareFile>(manager, current.directory, std::move(name), facts);
        if (topLevel) file->topLevelRealPath_ = realPath;  // not yet seen by another thread
        current.directory->Append(file);
        if (topLevel) events.push_back({TShareEvent::Kind::AddFile, std::move(file)});
      }
    } else {
      const std::string extensions = record.Text();
      const std::uint32_t count = record.Number<std::uint32_t>();
      const bool includeSubdirectories = record.Number<std::uint8_t>() != 0;
      const std::uint64_t stamp = record.Number<std::uint64_t>();
      if (plausible && probe.isDirectory(realPath)) {
        auto directory = std::make_shared<TShareDirectory>(manager, current.directory, std::move(name),
                                                           includeSubdirectories);
        directory->stamp_ = stamp;
        if (topLevel) {
          directory->topLevelRealPath_ = realPath;
          directory->SetExtensions(extensions);
        }
        current.directory->Append(directory);
        if (topLevel) events.push_back({TShareEvent::Kind::AddDirectory, directory});
        stack.push_back(std::move(current));
        current = TLevel{std::move(directory), count, std::move(realPath)};
      } else {
        // Gone: its whole subtree is read and dropped.
        std::uint64_t toSkip = count;
        while (toSkip > 0 && position < bytes.size()) {
          if (!wholeRecordAt(position)) {
            position = bytes.size();
            break;
          }
          const std::uint32_t skippedTag = TagAt(bytes, position);
          if (skippedTag == kShareDirectoryTag) {
            toSkip +=
                TFieldReader(bytes.substr(position + 4 + 4 * kFixedTextSize, 4)).Number<std::uint32_t>();
          }
          position += 4 + bodySize(skippedTag);
          --toSkip;
        }
      }
    }
    while (current.pending == 0 && !stack.empty()) {
      current = std::move(stack.back());
      stack.pop_back();
    }
  }
  return true;
}

}  // namespace kp
