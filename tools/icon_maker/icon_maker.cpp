// Makes one of the program's icons at build time: reads an image (the Tango
// theme's PNGs), scales it to the asked size when it has another, and writes it
// as a bitmap file.
//
//   keplinor_icon_maker SOURCE SIZE OUTPUT.bmp
//
// The bitmap keeps the alpha channel: 32 bits per pixel with a version 5 header
// whose bit-field masks include one for alpha. Qt reads such a file with its
// transparency (Qt's own BMP writer drops alpha), and so do other readers of
// version 5 bitmaps.

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 124;  // BITMAPV5HEADER
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kPixelsPerMetre = 2835;         // 72 dots per inch
constexpr std::uint32_t kSrgbColourSpace = 0x73524742;  // "sRGB"
constexpr std::uint32_t kIntentImages = 4;              // LCS_GM_IMAGES

void Put16(QByteArray& out, std::uint16_t value) {
  out.append(static_cast<char>(value & 0xFFu));
  out.append(static_cast<char>(value >> 8));
}

void Put32(QByteArray& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((value >> shift) & 0xFFu));
}

// The whole file: headers, then the rows from the bottom up, each pixel as the
// bytes blue, green, red, alpha (not premultiplied).
QByteArray EncodeBitmap(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const auto width = static_cast<std::uint32_t>(image.width());
  const auto height = static_cast<std::uint32_t>(image.height());
  const std::uint32_t pixelBytes = width * height * 4;
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;

  QByteArray out;
  out.reserve(static_cast<qsizetype>(pixelOffset + pixelBytes));
  out.append("BM");
  Put32(out, pixelOffset + pixelBytes);
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, pixelOffset);

  Put32(out, kInfoHeaderSize);
  Put32(out, width);
  Put32(out, height);  // positive: bottom-up rows
  Put16(out, 1);       // planes
  Put16(out, 32);      // bits per pixel
  Put32(out, kBitFields);
  Put32(out, pixelBytes);
  Put32(out, kPixelsPerMetre);
  Put32(out, kPixelsPerMetre);
  Put32(out, 0);            // colours used
  Put32(out, 0);            // important colours
  Put32(out, 0x00FF0000u);  // red mask
  Put32(out, 0x0000FF00u);  // green mask
  Put32(out, 0x000000FFu);  // blue mask
  Put32(out, 0xFF000000u);  // alpha mask
  Put32(out, kSrgbColourSpace);
  for (int i = 0; i < 9; ++i) Put32(out, 0);  // end points (unused with sRGB)
  for (int i = 0; i < 3; ++i) Put32(out, 0);  // gamma (unused with sRGB)
  Put32(out, kIntentImages);
  Put32(out, 0);  // profile data
  Put32(out, 0);  // profile size
  Put32(out, 0);  // reserved

  for (int y = image.height() - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) Put32(out, row[x]);  // 0xAARRGGBB, little-endian
  }
  return out;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "keplinor_icon_maker: %s\n", message.c_str());
  return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("usage: keplinor_icon_maker SOURCE SIZE OUTPUT.bmp");
  const QString sourcePath = QString::fromLocal8Bit(argv[1]);
  const QString outputPath = QString::fromLocal8Bit(argv[3]);
  char* end = nullptr;
  const long size = std::strtol(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || size < 1 || size > 256) {
    return Fail(std::string("not a size in pixels: ") + argv[2]);
  }
  if (!outputPath.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) {
    return Fail("only .bmp files can be made: " + outputPath.toStdString());
  }

  QImage image(sourcePath);
  if (image.isNull()) return Fail("cannot read the image " + sourcePath.toStdString());
  const int side = static_cast<int>(size);
  if (image.width() != image.height()) return Fail("the image is not square: " + sourcePath.toStdString());
  if (image.width() != side) {
    image = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }

  if (!QDir().mkpath(QFileInfo(outputPath).absolutePath())) {
    return Fail("cannot create the folder of " + outputPath.toStdString());
  }
  QSaveFile file(outputPath);
  if (!file.open(QIODevice::WriteOnly)) return Fail("cannot write " + outputPath.toStdString());
  const QByteArray bitmap = EncodeBitmap(image);
  if (file.write(bitmap) != bitmap.size() || !file.commit()) {
    return Fail("cannot write " + outputPath.toStdString());
  }
  return EXIT_SUCCESS;
}
