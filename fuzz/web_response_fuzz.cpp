// Whatever a server sends, the response reader ends with one of its codes,
// holds no more than its limits allow, and reports the body it kept; the
// header values it passes on (cookies, redirect targets, ranges) parse safely.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/web/web_cookies.h"
#include "core/web/web_response.h"
#include "core/web/web_test_source.h"
#include "core/web/web_url.h"
#include "fuzz_check.h"

namespace {

constexpr std::int32_t kFuzzMaxBody = 64 * 1024;

bool IsHeadCode(int code) {
  return code == 0 || code == kp::kWebHeaderLineTooLong || code == kp::kWebBadStatusLine ||
         code == kp::kWebBadHeaderBlock;
}

bool IsBodyCode(int code) {
  return code >= 0 || code == kp::kWebBodyTruncated || code == kp::kWebBodyTooLarge ||
         code == kp::kWebBadContentRange || code == kp::kWebBadChunkSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the bytes are cut into pieces and how the connection ends.
  const std::size_t pieceSize = (data[0] & 0x3F) + 1;
  const int endCode = (data[0] & 0x40) != 0 ? -3 : 0;
  const bool rangeAsked = (data[0] & 0x80) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  kp::test::TMemoryByteSource source(bytes, pieceSize, endCode);
  kp::TWebResponseReader reader(source);
  kp::TWebResponseHead head;
  const int headCode = reader.ReadHead(head);
  FUZZ_CHECK(IsHeadCode(headCode));
  if (headCode < 0) return 0;

  FUZZ_CHECK(head.statusCode >= 200 && head.statusCode <= 999);
  FUZZ_CHECK(head.reasonText.size() <= kp::kMaxWebStatusToken);
  FUZZ_CHECK(head.names.size() == head.values.size());
  FUZZ_CHECK(head.names.size() <= kp::kMaxWebHeaderLines);
  std::size_t headBytes = 0;
  for (std::size_t i = 0; i < head.names.size(); ++i)
    headBytes += head.names[i].size() + head.values[i].size();
  FUZZ_CHECK(headBytes <= kp::kMaxWebHeaderBytes);

  kp::TCookieJar jar;
  kp::TWebUrl url{"host", 80, "/a/b"};
  for (std::size_t i = 0; i < head.names.size(); ++i) {
    if (head.names[i] == "SET-COOKIE") jar.Store("host", "/a/b", head.values[i]);
    if (head.names[i] == "LOCATION" && kp::ParseWebUrl(head.values[i], url) == 0) {
      FUZZ_CHECK(!url.host.empty());
      FUZZ_CHECK(url.RequestPath().front() == '/');
      FUZZ_CHECK(url.RequestPath().find_first_of(" \r\n") == std::string::npos);
    }
  }
  FUZZ_CHECK(jar.Snapshot().size() <= kp::kMaxCookies);
  const std::string cookieLine = jar.CookieLine("host", "/a/b");
  FUZZ_CHECK(cookieLine.empty() || cookieLine.find("\r\n") == cookieLine.size() - 2);

  kp::TWebBody body;
  const int bodyCode = reader.ReadBody(head, rangeAsked, kFuzzMaxBody, body);
  FUZZ_CHECK(IsBodyCode(bodyCode));
  FUZZ_CHECK(body.bytes.size() <= static_cast<std::size_t>(kFuzzMaxBody) + 1);
  if (bodyCode >= 0) {
    FUZZ_CHECK(static_cast<std::size_t>(bodyCode) == body.bytes.size());
    FUZZ_CHECK(body.rangeEnd >= body.rangeStart);
  }
  return 0;
}
