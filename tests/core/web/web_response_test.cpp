#include "core/web/web_response.h"

#include <gtest/gtest.h>

#include <string>

#include "core/web/web_test_source.h"

namespace kp {
namespace {

struct TResponseCase {
  const char* name;
  std::string response;
  int headCode;      // what ReadHead gives
  int statusCode;    // checked when headCode is 0
  int bodyCode;      // what ReadBody gives, checked when headCode is 0
  std::string body;  // checked when bodyCode >= 0
  bool rangeAsked = false;
  std::int32_t rangeStart = 0;
  int endCode = 0;  // how the source ends
};

std::string Head(std::string_view headers) { return "HTTP/1.1 200 OK\r\n" + std::string(headers) + "\r\n"; }

constexpr std::int32_t kTestMaxBody = 100;

class WebResponse : public testing::TestWithParam<std::tuple<TResponseCase, std::size_t>> {};

TEST_P(WebResponse, ReadsHeadAndBody) {
  const auto& [c, pieceSize] = GetParam();
  test::TMemoryByteSource source(c.response, pieceSize, c.endCode);
  TWebResponseReader reader(source);
  TWebResponseHead head;
  ASSERT_EQ(reader.ReadHead(head), c.headCode);
  if (c.headCode < 0) return;
  EXPECT_EQ(head.statusCode, c.statusCode);
  TWebBody body;
  ASSERT_EQ(reader.ReadBody(head, c.rangeAsked, kTestMaxBody, body), c.bodyCode);
  if (c.bodyCode < 0) return;
  EXPECT_EQ(body.bytes, c.body);
  EXPECT_EQ(body.rangeStart, c.rangeStart);
  EXPECT_EQ(body.rangeEnd, c.rangeStart + c.bodyCode);
}

const TResponseCase kCases[] = {
    {"ContentLength", Head("Content-Length: 5\r\n") + "helloEXTRA", 0, 200, 5, "hello"},
    {"ChunksWithExtension",
     Head("Transfer-Encoding: chunked\r\n") + "5\r\nhello\r\n6 ;x=y\r\n world\r\n0\r\n\r\n", 0, 200, 11,
     "hello world"},
    {"ChunkOfFiveThenZero", Head("Transfer-Encoding: Chunked\r\n") + "5\r\nhello\r\n0\r\n\r\n", 0, 200, 5,
     "hello"},
    {"NoLengthReadsToTheClose", "HTTP/1.0 200 OK\n\nabc", 0, 200, 3, "abc"},
    {"NoLengthCutByAFailure", "HTTP/1.0 200 OK\n\nabc", 0, 200, kWebBodyTruncated, "", false, 0, -3},
    {"InterimResponsesAreSkipped",
     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n" + Head("Content-Length: 2\r\n") + "ok", 0,
     200, 2, "ok"},
    {"NoContentHasNoBody", "HTTP/1.1 204 No Content\r\n\r\nstray", 0, 204, 0, ""},
    {"RangeReceived", Head("Content-Range: bytes 100-104/200\r\nContent-Length: 5\r\n") + "hello", 0, 200, 5,
     "hello", true, 100},
    {"RangeIgnoredWhenNotAsked", Head("Content-Range: bytes 100-104/200\r\nContent-Length: 5\r\n") + "hello",
     0, 200, 5, "hello"},
    {"ShortBody", Head("Content-Length: 10\r\n") + "sixsix", 0, 200, kWebBodyTruncated, ""},
    {"ShortChunk", Head("Transfer-Encoding: chunked\r\n") + "5\r\nhel", 0, 200, kWebBodyTruncated, ""},
    {"ChunkedWithoutTheLastChunk", Head("Transfer-Encoding: chunked\r\n") + "5\r\nhello\r\n", 0, 200,
     kWebBodyTruncated, ""},
    {"BodyOverTheLimit", Head("Content-Length: 101\r\n") + std::string(101, 'x'), 0, 200, kWebBodyTooLarge,
     ""},
    {"ChunksOverTheLimit",
     Head("Transfer-Encoding: chunked\r\n") + "40\r\n" + std::string(64, 'x') + "\r\n40\r\n", 0, 200,
     kWebBodyTooLarge, ""},
    {"NoLengthOverTheLimit", "HTTP/1.0 200 OK\r\n\r\n" + std::string(101, 'x'), 0, 200, kWebBodyTooLarge, ""},
    {"ChunkSizeOfNineDigits", Head("Transfer-Encoding: chunked\r\n") + "000000005\r\nhello\r\n0\r\n\r\n", 0,
     200, kWebBadChunkSize, ""},
    {"ChunkSizeNotHex", Head("Transfer-Encoding: chunked\r\n") + "zz\r\n", 0, 200, kWebBadChunkSize, ""},
    {"ChunkWithoutItsLineEnd", Head("Transfer-Encoding: chunked\r\n") + "2\r\nokX\r\n0\r\n\r\n", 0, 200,
     kWebBadChunkSize, ""},
    {"BadContentRange", Head("Content-Range: bytes a-b/c\r\n"), 0, 200, kWebBadContentRange, "", true},
    {"ContentRangeWithTooManyFields", Head("Content-Range: bytes 1-2/3/4\r\n"), 0, 200, kWebBadContentRange,
     "", true},
    {"HeaderLineOverTheLimit", Head("X-Long: " + std::string(kMaxWebHeaderLine, 'a') + "\r\n"),
     kWebHeaderLineTooLong, 0, 0, ""},
    {"TooManyHeaderLines",
     [] {
       std::string lines;
       for (std::size_t i = 0; i <= kMaxWebHeaderLines; ++i) lines += "X: 1\r\n";
       return Head(lines);
     }(),
     kWebBadHeaderBlock, 0, 0, ""},
    {"TooManyHeaderBytes",
     [] {
       std::string lines;
       for (int i = 0; i < 9; ++i) lines += "X: " + std::string(8000, 'a') + "\r\n";
       return Head(lines);
     }(),
     kWebBadHeaderBlock, 0, 0, ""},
    {"TooManyInterimResponses",
     [] {
       std::string interim;
       for (int i = 0; i <= kMaxWebInterimResponses; ++i) interim += "HTTP/1.1 100 Continue\r\n\r\n";
       return interim + Head("");
     }(),
     kWebBadHeaderBlock, 0, 0, ""},
    {"HeadCutBeforeTheEmptyLine", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", kWebBadHeaderBlock, 0, 0, ""},
    {"NulInTheHead", std::string("HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n", 27), kWebBadHeaderBlock, 0, 0, ""},
    {"StatusNotANumber", "HTTP/1.1 abc OK\r\n\r\n", kWebBadStatusLine, 0, 0, ""},
    {"StatusTokenTooLong", "HTTP/1.1 " + std::string(253, '2') + " OK\r\n\r\n", kWebBadStatusLine, 0, 0, ""},
    {"NothingAtAll", "", kWebBadStatusLine, 0, 0, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, WebResponse,
                         testing::Combine(testing::ValuesIn(kCases),
                                          testing::Values(std::size_t{1}, std::size_t{7},
                                                          std::size_t{kWebBufferSize})),
                         [](const auto& row) {
                           return std::string(std::get<0>(row.param).name) + "_piece" +
                                  std::to_string(std::get<1>(row.param));
                         });

TEST(WebResponseHead, NamesAreTrimmedAndUpperCasedValuesKeptAndContinued) {
  test::TMemoryByteSource source(
      "\r\nHTTP/1.1 302 Found it now\r\nSet-Cookie :a=1\r\nX-Folded: one\r\n two\r\nEmpty:\r\n\r\n", 5);
  TWebResponseReader reader(source);
  TWebResponseHead head;
  ASSERT_EQ(reader.ReadHead(head), 0);
  EXPECT_EQ(head.statusCode, 302);
  EXPECT_EQ(head.reasonText, "Found it now");
  ASSERT_NE(head.Find("SET-COOKIE"), nullptr);
  EXPECT_EQ(*head.Find("SET-COOKIE"), "a=1") << "no blank after the colon: nothing of the value is lost";
  ASSERT_NE(head.Find("X-FOLDED"), nullptr);
  EXPECT_EQ(*head.Find("X-FOLDED"), "onetwo");
  ASSERT_NE(head.Find("EMPTY"), nullptr);
  EXPECT_EQ(*head.Find("EMPTY"), "");
}

}  // namespace
}  // namespace kp
