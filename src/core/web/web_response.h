#pragma once
// Reads an HTTP/1.1 response from a byte source: the status line, the header
// block and the body (plain, ranged or chunked). Everything it reads comes from
// a server and is bounded: a hostile server can make a response fail, never
// make the reader hold more than the limits below plus the body it reports.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/web/web_chars.h"

namespace kp {

// Codes of the response reader (the web client passes them on).
inline constexpr int kWebHeaderLineTooLong = -1;  // a header line over kMaxWebHeaderLine
inline constexpr int kWebBodyTruncated = -2;      // the connection ended before the whole body arrived
inline constexpr int kWebBadStatusLine = -3;      // no status line, a token over 252 characters, no number
inline constexpr int kWebBodyTooLarge = -4;       // a body piece could not be stored (over the body limit)
inline constexpr int kWebBadHeaderBlock = -5;     // too many header lines or bytes, too many interim
                                                  // responses, a NUL, or the end before the empty line
inline constexpr int kWebBadContentRange = -6;    // a malformed "Content-Range"
inline constexpr int kWebBadChunkSize = -9;       // a malformed chunk-size line or chunk end

inline constexpr int kWebBufferSize = 8192;
inline constexpr std::size_t kMaxWebHeaderLine = 8189;
inline constexpr std::size_t kMaxWebStatusToken = 252;
inline constexpr std::size_t kMaxWebHeaderLines = 100;
inline constexpr std::size_t kMaxWebHeaderBytes = 64 * 1024;
inline constexpr int kMaxWebInterimResponses = 8;
inline constexpr std::int32_t kDefaultMaxWebBody = 16 * 1024 * 1024;

// Where the reader's bytes come from: a connection, or memory in tests.
class IWebByteSource {
 public:
  virtual ~IWebByteSource() = default;
  // Waits for bytes and stores up to size of them: the count (> 0); 0 when
  // the peer has closed the connection; negative when the connection failed
  // (time-out, reset, closed by this side).
  virtual int Receive(char* buffer, int size) = 0;
};

struct TWebResponseHead {
  std::int32_t statusCode = 0;
  std::string reasonText;
  std::vector<std::string> names;   // trimmed and upper-cased
  std::vector<std::string> values;  // as received, at the same positions

  // The value of the first header of that (upper-case) name, or null.
  [[nodiscard]] const std::string* Find(std::string_view upperName) const;
  void Clear();
};

struct TWebBody {
  std::string bytes;
  std::int32_t rangeStart = 0;
  std::int32_t rangeEnd = 0;  // range start + bytes received
};

class TWebResponseReader {
 public:
  explicit TWebResponseReader(IWebByteSource& source) : source_(source) {}

  // Forgets buffered bytes and the end of the source, before a new request.
  void Reset();

  // Reads status lines and header blocks until a response that is not an
  // interim (1xx) one: 0, or a negative code.
  [[nodiscard]] int ReadHead(TWebResponseHead& head);

  // Reads the body that the head announces: its size, or a negative code.
  // rangeAsked tells whether the request asked for a byte range; maxBody
  // bounds the body.
  [[nodiscard]] int ReadBody(const TWebResponseHead& head, bool rangeAsked, std::int32_t maxBody,
                             TWebBody& body);

  // The source reported a failure rather than a clean close.
  [[nodiscard]] bool SourceFailed() const noexcept { return failed_; }
  // The source has ended (closed or failed).
  [[nodiscard]] bool SourceEnded() const noexcept { return ended_; }
  // Bytes taken from the source since the last Reset.
  [[nodiscard]] std::size_t BytesReceived() const noexcept { return received_; }

 private:
  // The byte under the read cursor, loading more when the buffer is used up;
  // 0 at the end of the source.
  [[nodiscard]] char Current();
  [[nodiscard]] EWebCharClass CurrentClass();
  void Advance() noexcept { ++pos_; }
  [[nodiscard]] bool Refill();
  // Reads up to the line end, storing at most limit bytes: true when the line
  // fit. The line end itself (CR, LF or CR LF) is consumed.
  [[nodiscard]] bool ReadLine(std::string& line, std::size_t limit);
  void SkipLineEnd();
  [[nodiscard]] int ReadStatusLine(TWebResponseHead& head);
  [[nodiscard]] int ReadHeaderLines(TWebResponseHead& head);
  [[nodiscard]] std::int64_t ReadChunkSize();
  // Appends up to count bytes to out: the number appended.
  std::size_t ReadBytes(std::size_t count, std::string& out);

  IWebByteSource& source_;
  char buffer_[kWebBufferSize] = {};
  int count_ = 0;
  int pos_ = 0;
  bool ended_ = false;
  bool failed_ = false;
  std::size_t received_ = 0;
};

// Splits a "Content-Range" value ("bytes 0-99/100") into its first and last
// byte: false when it is malformed.
[[nodiscard]] bool ParseContentRange(std::string_view value, std::int32_t& first, std::int32_t& last);

}  // namespace kp
