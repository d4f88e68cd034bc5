#include "core/sharing/mp3_tag_text.h"

#include <array>
#include <cstddef>

namespace kp {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at the start of the bytes (overlong
// forms, surrogates and values past U+10FFFF are not), or 0.
std::size_t Utf8SequenceLength(std::span<const std::uint8_t> bytes, char32_t& c) {
  const std::uint8_t b0 = bytes[0];
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  std::size_t length = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  c = b0 & (0x7Fu >> length);
  if (bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (bytes[i] & 0x3Fu);
  }
  if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// The bytes before the first NUL.
std::span<const std::uint8_t> UpToNul(std::span<const std::uint8_t> bytes) {
  std::size_t end = 0;
  while (end < bytes.size() && bytes[end] != 0) ++end;
  return bytes.first(end);
}

// The offset of the aligned 16-bit zero that ends a UTF-16 text, or the size
// rounded down to whole units when there is none.
std::size_t Utf16End(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i + 1 < bytes.size() && (bytes[i] != 0 || bytes[i + 1] != 0)) i += 2;
  return i + 1 < bytes.size() ? i : bytes.size() & ~std::size_t{1};
}

std::string DecodeUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const std::size_t length = Utf8SequenceLength(bytes.subspan(i), c);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++i;
    } else {
      out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
      i += length;
    }
  }
  return out;
}

std::string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  if (bytes.size() >= 2 &&
      ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bigEndian = bytes[0] == 0xFE;
    bytes = bytes.subspan(2);
  }
  const auto unit = [&](std::size_t i) -> char32_t {
    return bigEndian ? (char32_t{bytes[i]} << 8) | bytes[i + 1] : (char32_t{bytes[i + 1]} << 8) | bytes[i];
  };
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    char32_t c = unit(i);
    i += 2;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < bytes.size() && unit(i) >= 0xDC00 && unit(i) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

constexpr std::array<std::string_view, kId3GenreCount> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop",
    "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game",
    "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative",
    "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial",
    "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
    "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock",
    // The extensions that followed the original 80.
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock", "Symphonic Rock",
    "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam",
    "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet",
    "Punk Rock", "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap",
    "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue",
    "Salsa", "Trash Metal", "Anime", "JPop", "Synthpop"};

}  // namespace

std::string DecodeEightBitText(std::span<const std::uint8_t> bytes) {
  bytes = UpToNul(bytes);
  bool utf8 = true;
  for (std::size_t i = 0; i < bytes.size() && utf8;) {
    char32_t c = 0;
    const std::size_t length = Utf8SequenceLength(bytes.subspan(i), c);
    utf8 = length > 0;
    i += length;
  }
  if (utf8) return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) AppendUtf8(out, b);
  return out;
}

std::string DecodeId3v2Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes) {
  switch (static_cast<TId3TextEncoding>(encoding)) {
    case TId3TextEncoding::Utf16:
    case TId3TextEncoding::Utf16BigEndian:
      return DecodeUtf16(bytes.first(Utf16End(bytes)), encoding == 2);
    case TId3TextEncoding::Utf8:
      return DecodeUtf8(UpToNul(bytes));
    case TId3TextEncoding::Latin1:
      break;
  }
  return DecodeEightBitText(bytes);
}

std::span<const std::uint8_t> SkipId3v2Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes) {
  if (encoding == 1 || encoding == 2) {
    const std::size_t end = Utf16End(bytes);
    return end + 1 < bytes.size() ? bytes.subspan(end + 2) : bytes;
  }
  const std::size_t end = UpToNul(bytes).size();
  return end < bytes.size() ? bytes.subspan(end + 1) : bytes;
}

std::string_view Id3GenreName(int code) noexcept {
  return code >= 0 && code < kId3GenreCount ? kGenres[static_cast<std::size_t>(code)] : std::string_view();
}

}  // namespace kp
