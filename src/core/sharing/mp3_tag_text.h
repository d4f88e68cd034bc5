#pragma once
// Texts from ID3 tags become UTF-8. Tag bytes are untrusted: every decoder stops
// at the field's terminator, never yields a NUL, replaces what does not decode
// with U+FFFD and produces at most a few bytes per input byte.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kp {

// ID3v2 text encodings (the byte in front of a frame's text).
enum class TId3TextEncoding : std::uint8_t { Latin1 = 0, Utf16 = 1, Utf16BigEndian = 2, Utf8 = 3 };

// An 8-bit text up to its first NUL. Taggers write ID3v1 and "Latin-1" fields in
// whatever their system used, often UTF-8: bytes that are valid UTF-8 are kept as
// they are, anything else is read as Latin-1.
[[nodiscard]] std::string DecodeEightBitText(std::span<const std::uint8_t> bytes);

// A text in the given encoding up to its terminator. UTF-16 without a byte order
// mark is read as little-endian (encoding 1) or big-endian (encoding 2); an
// unknown encoding byte is read as 8-bit text.
[[nodiscard]] std::string DecodeId3v2Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes);

// What follows the first terminated text (a comment's description, for one); the
// bytes unchanged when they hold no terminator, as from writers that leave out an
// empty description.
[[nodiscard]] std::span<const std::uint8_t> SkipId3v2Text(std::uint8_t encoding,
                                                          std::span<const std::uint8_t> bytes);

// The ID3v1 genre list with its extensions: codes 0..147.
inline constexpr int kId3GenreCount = 148;
// The genre's name, or empty text for a code outside the list.
[[nodiscard]] std::string_view Id3GenreName(int code) noexcept;

}  // namespace kp
