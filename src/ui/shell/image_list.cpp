#include "ui/shell/image_list.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QStyle>

#include <array>
#include <charconv>
#include <utility>

#include "core/config/text_basics.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

constexpr std::array kBuiltinPixmaps{
    QStyle::SP_ComputerIcon,
    QStyle::SP_DirIcon,
    QStyle::SP_FileIcon,
    QStyle::SP_DialogHelpButton,
    QStyle::SP_MessageBoxInformation,
    QStyle::SP_MessageBoxWarning,
    QStyle::SP_ArrowDown,
    QStyle::SP_ArrowUp,
    QStyle::SP_BrowserReload,
    QStyle::SP_BrowserStop,
    QStyle::SP_DialogCloseButton,
    QStyle::SP_TrashIcon,
};

// The key is the trimmed, upper-cased name; the file is opened by the trimmed
// name with its letter case, as the file system needs it.
QIcon LoadImage(std::string_view key, std::string_view name) {
  if (key.starts_with(kBuiltinImagePrefix)) {
    const std::string_view digits = key.substr(kBuiltinImagePrefix.size());
    long long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return {};
    return BuiltinImage(number);
  }
  if (!key.ends_with(".BMP") && !key.ends_with(".ICO")) return {};
  const QImage image(ToQString(name));
  if (image.isNull()) return {};
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace

QIcon BuiltinImage(long long number) {
  if (number < 1 || number > static_cast<long long>(kBuiltinPixmaps.size())) return {};
  auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!application) return {};
  QStyle* style = QApplication::style();
  if (!style) return {};
  return style->standardIcon(kBuiltinPixmaps[static_cast<std::size_t>(number - 1)]);
}

int TImageList::IndexOf(std::string_view name) {
  const std::string_view trimmed = Trim(name);
  std::string key = ToUpperAscii(trimmed);
  for (std::size_t i = 0; i < images_.size(); ++i) {
    if (images_[i].key == key) return static_cast<int>(i);
  }
  QIcon image = LoadImage(key, trimmed);
  if (image.isNull()) return -1;
  images_.push_back({std::move(key), std::move(image)});
  return Count() - 1;
}

QIcon TImageList::Image(int index) const {
  if (index < 0 || index >= Count()) return {};
  return images_[static_cast<std::size_t>(index)].image;
}

}  // namespace kp
