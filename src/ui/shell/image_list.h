#pragma once
// The images of menu entries and buttons: one image per file name, loaded on the
// first request and shared by every later request for the same name. One list may
// serve several command managers (the main menu, the tray menu and the main bar
// share one).

#include <QIcon>

#include <string>
#include <string_view>
#include <vector>

namespace kp {

class TImageList {
 public:
  // The position of the name's image, loading it on the first request. Names are
  // compared trimmed and upper-cased (so on this platform two files whose names
  // differ only in letter case share the image of the first one asked for).
  // What loads: a file whose name ends in ".bmp" or ".ico" (any letter case), read
  // by Qt's image readers, and the built-in images "RESOURCE://" followed by a
  // number (see BuiltinImage). Anything else gives -1 and is not recorded, so a
  // later request for the name tries again.
  int IndexOf(std::string_view name);

  // The image at a position; an empty icon for -1 or any other position out of range.
  [[nodiscard]] QIcon Image(int index) const;

  // IndexOf and Image in one.
  QIcon ImageFor(std::string_view name) { return Image(IndexOf(name)); }

  [[nodiscard]] int Count() const noexcept { return static_cast<int>(images_.size()); }

  // Forgets every image; the next request for a name loads its file anew.
  void Clear() noexcept { images_.clear(); }

 private:
  struct Entry {
    std::string key;  // trimmed, upper-cased
    QIcon image;
  };
  std::vector<Entry> images_;
};

inline constexpr std::string_view kBuiltinImagePrefix = "RESOURCE://";

// The built-in images, drawn by the current Qt style:
//    1 the computer (the program itself)     7 arrow down (downloads)
//    2 a folder                              8 arrow up (uploads)
//    3 a file                                9 reload
//    4 help                                 10 stop
//    5 information                          11 close
//    6 warning                              12 the waste bin (remove)
// Any other number, or no application object with a style, gives an empty icon.
[[nodiscard]] QIcon BuiltinImage(long long number);

}  // namespace kp
