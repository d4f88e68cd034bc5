#include "core/web/web_response.h"

#include <algorithm>
#include <limits>

#include "core/config/text_basics.h"

namespace kp {

namespace {

enum class ELineResult { Complete, TooLong, Ended };

std::string_view TakeToken(std::string_view& rest) {
  while (!rest.empty() && IsWebBlank(rest.front())) rest.remove_prefix(1);
  std::size_t end = 0;
  while (end < rest.size() && !IsWebBlank(rest[end])) ++end;
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

bool HasNoBody(std::int32_t statusCode) {
  return (statusCode >= 100 && statusCode < 200) || statusCode == 204 || statusCode == 304;
}

}  // namespace

const std::string* TWebResponseHead::Find(std::string_view upperName) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == upperName) return &values[i];
  }
  return nullptr;
}

void TWebResponseHead::Clear() {
  statusCode = 0;
  reasonText.clear();
  names.clear();
  values.clear();
}

bool ParseContentRange(std::string_view value, std::int32_t& first, std::int32_t& last) {
  std::string_view fields[4];
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    const bool separator = i == value.size() || IsWebBlank(value[i]) || value[i] == '-' || value[i] == '/';
    if (!separator) continue;
    if (i > start) {
      if (count == 4) return false;
      fields[count++] = value.substr(start, i - start);
    }
    start = i + 1;
  }
  if (count < 3) return false;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  const auto firstValue = ReadWebDecimal(fields[1], kMax);
  const auto lastValue = ReadWebDecimal(fields[2], kMax);
  if (!firstValue || !lastValue || *lastValue < *firstValue) return false;
  if (count == 4 && fields[3] != "*" && !ReadWebDecimal(fields[3], kMax)) return false;
  first = static_cast<std::int32_t>(*firstValue);
  last = static_cast<std::int32_t>(*lastValue);
  return true;
}

void TWebResponseReader::Reset() {
  count_ = 0;
  pos_ = 0;
  ended_ = false;
  failed_ = false;
  received_ = 0;
}

bool TWebResponseReader::Refill() {
  count_ = 0;
  pos_ = 0;
  if (ended_) return false;
  const int received = source_.Receive(buffer_, kWebBufferSize);
  if (received > 0) {
    count_ = std::min(received, kWebBufferSize);
    received_ += static_cast<std::size_t>(count_);
    return true;
  }
  ended_ = true;
  failed_ = received < 0;
  return false;
}

char TWebResponseReader::Current() {
  if (pos_ < count_) return buffer_[pos_];
  return Refill() ? buffer_[pos_] : '\0';
}

EWebCharClass TWebResponseReader::CurrentClass() { return WebCharClass(Current()); }

void TWebResponseReader::SkipLineEnd() {
  const char c = Current();
  if (c == '\r') {
    Advance();
    if (Current() == '\n') Advance();
  } else if (c == '\n') {
    Advance();
  }
}

bool TWebResponseReader::ReadLine(std::string& line, std::size_t limit) {
  line.clear();
  for (;;) {
    const char c = Current();
    const EWebCharClass kind = WebCharClass(c);
    if (kind == EWebCharClass::LineEnd) {
      SkipLineEnd();
      return true;
    }
    if (kind == EWebCharClass::End || line.size() >= limit) return false;
    line += c;
    Advance();
  }
}

int TWebResponseReader::ReadStatusLine(TWebResponseHead& head) {
  // A server may leave the line end of a previous body or chunk trailer before it.
  for (std::size_t skipped = 0; CurrentClass() == EWebCharClass::LineEnd; ++skipped) {
    if (skipped >= kMaxWebHeaderLine) return kWebBadStatusLine;
    Advance();
  }
  std::string line;
  if (!ReadLine(line, kMaxWebHeaderLine)) return kWebBadStatusLine;
  std::string_view rest = line;
  const std::string_view version = TakeToken(rest);
  const std::string_view code = TakeToken(rest);
  if (version.empty() || version.size() > kMaxWebStatusToken || code.size() > kMaxWebStatusToken) {
    return kWebBadStatusLine;
  }
  const auto status = ReadWebDecimal(code, 999);
  if (!status || *status < 100) return kWebBadStatusLine;
  while (!rest.empty() && IsWebBlank(rest.front())) rest.remove_prefix(1);
  head.statusCode = static_cast<std::int32_t>(*status);
  head.reasonText = std::string(rest.substr(0, kMaxWebStatusToken));
  return 0;
}

int TWebResponseReader::ReadHeaderLines(TWebResponseHead& head) {
  std::size_t totalBytes = 0;
  std::string line;
  for (;;) {
    if (!ReadLine(line, kMaxWebHeaderLine)) {
      return line.size() >= kMaxWebHeaderLine ? kWebHeaderLineTooLong : kWebBadHeaderBlock;
    }
    if (line.empty()) return 0;
    totalBytes += line.size() + 2;
    if (head.names.size() >= kMaxWebHeaderLines || totalBytes > kMaxWebHeaderBytes) return kWebBadHeaderBlock;
    if (IsWebBlank(line.front())) {
      if (!head.values.empty()) head.values.back().append(line, 1);
      continue;
    }
    const std::size_t colon = line.find(':');
    std::string_view value;
    if (colon != std::string::npos) {
      value = std::string_view(line).substr(colon + 1);
      if (!value.empty() && IsWebBlank(value.front())) value.remove_prefix(1);
    }
    head.names.push_back(ToUpperAscii(Trim(std::string_view(line).substr(0, colon))));
    head.values.emplace_back(value);
  }
}

int TWebResponseReader::ReadHead(TWebResponseHead& head) {
  for (int interim = 0;; ++interim) {
    head.Clear();
    if (const int code = ReadStatusLine(head); code < 0) return code;
    if (const int code = ReadHeaderLines(head); code < 0) return code;
    if (head.statusCode >= 200) return 0;
    if (interim >= kMaxWebInterimResponses) return kWebBadHeaderBlock;
  }
}

std::int64_t TWebResponseReader::ReadChunkSize() {
  std::int64_t size = 0;
  int digits = 0;
  for (int value = WebHexValue(Current()); value >= 0; value = WebHexValue(Current())) {
    if (++digits > 8) return -1;
    size = size * 16 + value;
    Advance();
  }
  if (digits == 0) return -1;
  // Blanks and a chunk extension (";name=value") may follow the digits; neither counts.
  std::size_t skipped = 0;
  while (IsWebBlank(Current())) {
    if (++skipped > kMaxWebHeaderLine) return -1;
    Advance();
  }
  if (Current() == ';') {
    while (CurrentClass() != EWebCharClass::LineEnd && CurrentClass() != EWebCharClass::End) {
      if (++skipped > kMaxWebHeaderLine) return -1;
      Advance();
    }
  }
  if (CurrentClass() != EWebCharClass::LineEnd) return -1;
  SkipLineEnd();
  return size;
}

std::size_t TWebResponseReader::ReadBytes(std::size_t count, std::string& out) {
  std::size_t appended = 0;
  while (appended < count) {
    if (pos_ >= count_ && !Refill()) break;
    const std::size_t take = std::min(count - appended, static_cast<std::size_t>(count_ - pos_));
    out.append(buffer_ + pos_, take);
    pos_ += static_cast<int>(take);
    appended += take;
  }
  return appended;
}

int TWebResponseReader::ReadBody(const TWebResponseHead& head, bool rangeAsked, std::int32_t maxBody,
                                 TWebBody& body) {
  body.bytes.clear();
  body.rangeStart = 0;
  body.rangeEnd = 0;
  maxBody = std::max(maxBody, 0);

  std::int64_t contentLength = -1;
  if (const std::string* value = head.Find("CONTENT-LENGTH")) {
    contentLength = ReadWebDecimal(Trim(*value), std::numeric_limits<std::int32_t>::max()).value_or(-1);
  }
  if (const std::string* value = head.Find("CONTENT-RANGE"); value && rangeAsked) {
    std::int32_t first = 0;
    std::int32_t last = 0;
    if (!ParseContentRange(Trim(*value), first, last)) return kWebBadContentRange;
    body.rangeStart = first;
  }

  if (!HasNoBody(head.statusCode)) {
    const std::string* coding = head.Find("TRANSFER-ENCODING");
    if (coding && ToUpperAscii(*coding).find("CHUNKED") != std::string::npos) {
      for (;;) {
        const std::int64_t size = ReadChunkSize();
        if (size < 0) return SourceEnded() && Current() == '\0' ? kWebBodyTruncated : kWebBadChunkSize;
        if (size == 0) break;
        if (static_cast<std::int64_t>(body.bytes.size()) + size > maxBody) return kWebBodyTooLarge;
        if (ReadBytes(static_cast<std::size_t>(size), body.bytes) < static_cast<std::size_t>(size)) {
          return kWebBodyTruncated;
        }
        if (CurrentClass() != EWebCharClass::LineEnd) {
          return SourceEnded() ? kWebBodyTruncated : kWebBadChunkSize;
        }
        SkipLineEnd();
      }
    } else if (contentLength >= 0) {
      if (contentLength > maxBody) return kWebBodyTooLarge;
      if (ReadBytes(static_cast<std::size_t>(contentLength), body.bytes) <
          static_cast<std::size_t>(contentLength)) {
        return kWebBodyTruncated;
      }
    } else {
      ReadBytes(static_cast<std::size_t>(maxBody) + 1, body.bytes);
      if (body.bytes.size() > static_cast<std::size_t>(maxBody)) return kWebBodyTooLarge;
      // Without a length only a clean close ends the body; a time-out or a
      // reset would hand back a cut one as if it were whole.
      if (failed_) return kWebBodyTruncated;
    }
  }

  const auto size = static_cast<std::int64_t>(body.bytes.size());
  body.rangeEnd = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::int64_t{body.rangeStart} + size, std::numeric_limits<std::int32_t>::max()));
  return static_cast<int>(size);
}

}  // namespace kp
