// The SDK's record declarations against the byte layouts that plugins rely on:
// each test lays a record out byte by byte, little-endian, in low memory (at an
// odd address where multi-byte fields sit unaligned), and reads it back through
// the SDK's structs and handle helpers as a plugin does. Including the header
// here also compiles it as C++ with the project's warnings.
#include "keplinor_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/platform/low_memory_heap.h"

namespace kp {
namespace {

// A block of low memory in which a test writes a record's bytes by offset.
class LowRecord {
 public:
  // `shift` places the record that many bytes past a 16-byte boundary.
  explicit LowRecord(std::size_t size, std::size_t shift = 0)
      : size_(size), block_(static_cast<std::uint8_t*>(LowAllocate(size + shift))), bytes_(block_ + shift) {}
  ~LowRecord() { LowFree(block_); }
  LowRecord(const LowRecord&) = delete;
  LowRecord& operator=(const LowRecord&) = delete;

  kp_handle Handle() const { return LowAddress(bytes_); }
  std::uint8_t* Bytes() { return bytes_; }

  void Put8(std::size_t offset, std::uint8_t value) {
    ASSERT_LT(offset, size_);
    bytes_[offset] = value;
  }
  void Put32(std::size_t offset, std::uint32_t value) {
    ASSERT_LE(offset + 4, size_);
    for (std::size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void PutText(std::size_t offset, std::string_view text) {
    ASSERT_LE(offset + text.size() + 1, size_);
    std::memcpy(bytes_ + offset, text.data(), text.size());
    bytes_[offset + text.size()] = 0;
  }
  // The GUID {00112233-4455-6677-8899-AABBCCDDEEFF} in its binary form.
  void PutGuid(std::size_t offset) {
    static constexpr std::array<std::uint8_t, 16> kBytes = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                                            0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    ASSERT_LE(offset + kBytes.size(), size_);
    std::memcpy(bytes_ + offset, kBytes.data(), kBytes.size());
  }
  std::uint32_t Get32(std::size_t offset) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
    return value;
  }

 private:
  std::size_t size_;
  std::uint8_t* block_;
  std::uint8_t* bytes_;
};

// Multi-byte fields of a packed record may be unaligned: read them as values,
// never through a reference (which is what EXPECT_EQ would bind to them).
template <typename T>
T ByValue(T value) {
  return value;
}

void ExpectTestGuid(kp_guid guid) {
  EXPECT_EQ(guid.Data1, 0x00112233u);
  EXPECT_EQ(guid.Data2, 0x4455u);
  EXPECT_EQ(guid.Data3, 0x6677u);
  const std::array<std::uint8_t, 8> tail = {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  for (std::size_t i = 0; i < tail.size(); ++i) EXPECT_EQ(guid.Data4[i], tail[i]) << "Data4[" << i << "]";
}

// Texts in low memory, as the core owns them; a record field holds their address.
class LowTexts {
 public:
  kp_text32 Add(std::string_view text) {
    texts_.emplace_back(LowCopyText(text));
    return LowAddress(texts_.back().get());
  }

 private:
  struct Free {
    void operator()(char* text) const noexcept { LowFree(text); }
  };
  std::vector<std::unique_ptr<char, Free>> texts_;
};

TEST(SdkRecords, TextFieldsReadTheLowMemoryTextAndZeroReadsAsEmpty) {
  const char* empty = kp_text(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");

  LowTexts texts;
  const kp_text32 address = texts.Add("Grüße.mp3");
  EXPECT_EQ(static_cast<const void*>(kp_text(address)),
            reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)));
  EXPECT_STREQ(kp_text(address), "Grüße.mp3");
}

TEST(SdkRecords, SearchResultFieldsAtTheirOffsetsIncludingTheUnalignedUrl) {
  LowTexts texts;
  LowRecord result(41, 1);
  result.Put32(0, 0x00ABCDEFu);
  result.Put32(8, texts.Add("Artist - Title"));
  result.Put32(12, texts.Add("HASH0123"));
  result.Put32(16, texts.Add("peer"));
  result.Put32(20, 0xFFFFFFFEu);  // a size above 2 GiB that the plugin passed as a negative iSize
  result.Put32(24, 320);
  result.Put32(28, 245);
  result.Put32(32, 44100);
  result.Put8(36, 1);
  result.Put32(37, texts.Add("net://peer/file"));

  const kp_search_result_record* record = kp_search_result_record_at(result.Handle());
  EXPECT_EQ(ByValue(record->Service), 0x00ABCDEFu);
  EXPECT_STREQ(kp_text(record->Description), "Artist - Title");
  EXPECT_STREQ(kp_text(record->HashCode), "HASH0123");
  EXPECT_STREQ(kp_text(record->Nick), "peer");
  EXPECT_EQ(ByValue(record->Size), 4294967294u);
  EXPECT_EQ(ByValue(record->Bitrate), 320);
  EXPECT_EQ(ByValue(record->Length), 245);
  EXPECT_EQ(ByValue(record->Frequency), 44100);
  EXPECT_EQ(record->IsMusicFile, 1);
  EXPECT_STREQ(kp_text(record->URL), "net://peer/file");
}

TEST(SdkRecords, DownloadAndUploadRecordsReadStateNumbersAndTexts) {
  LowTexts texts;
  {
    LowRecord download(62, 3);
    download.Put32(0, 0x00100000u);
    download.Put8(4, 1);
    download.Put8(5, 0);
    download.Put32(6, texts.Add("timed out"));
    download.Put32(10, texts.Add("peer"));
    download.Put32(14, texts.Add("song.mp3"));
    download.Put32(18, texts.Add("net://peer/song.mp3"));
    download.Put32(22, 0xCAFEF00Du);
    download.Put32(26, 6);
    download.Put32(30, static_cast<std::uint32_t>(-3));  // position reported before the range
    download.Put32(34, 0x80000001u);
    download.Put32(38, 1000);
    download.Put32(42, 3600);
    download.Put32(46, 0xFFFFFFFFu);
    download.Put32(50, 100);
    download.Put32(54, 0x90000000u);
    download.Put32(58, 0x80000065u);

    const kp_download_record* record = kp_download_record_at(download.Handle());
    EXPECT_EQ(ByValue(record->Service), 0x00100000u);
    EXPECT_EQ(record->SupportPause, 1);
    EXPECT_EQ(record->SupportResume, 0);
    EXPECT_STREQ(kp_text(record->ErrorText), "timed out");
    EXPECT_STREQ(kp_text(record->Nick), "peer");
    EXPECT_STREQ(kp_text(record->FileName), "song.mp3");
    EXPECT_STREQ(kp_text(record->URL), "net://peer/song.mp3");
    EXPECT_EQ(ByValue(record->Data), 0xCAFEF00Du);
    EXPECT_EQ(ByValue(record->StatusType), KP_TRANSFER_REMOTELY_QUEUED);
    EXPECT_EQ(ByValue(record->Progress), -3);
    EXPECT_EQ(ByValue(record->Transferred), 2147483649u);
    EXPECT_EQ(ByValue(record->Speed), 1000);
    EXPECT_EQ(ByValue(record->Estimated), 3600u);
    EXPECT_EQ(ByValue(record->Size), 4294967295u);
    EXPECT_EQ(ByValue(record->StartPosition), 100u);
    EXPECT_EQ(ByValue(record->EndPosition), 0x90000000u);
    EXPECT_EQ(ByValue(record->Position), 0x80000065u);
  }
  {
    LowRecord upload(57, 1);
    upload.Put32(0, 0x00200000u);
    upload.Put8(4, 1);
    upload.Put32(5, 0);  // no error yet
    upload.Put32(9, texts.Add("remote"));
    upload.Put32(13, texts.Add("/music/song.mp3"));
    upload.Put32(17, 77);
    upload.Put32(21, 3);
    upload.Put32(25, 50);
    upload.Put32(29, 0x80000000u);
    upload.Put32(33, 2048);
    upload.Put32(37, 12);
    upload.Put32(41, 0xFFFFFFF0u);
    upload.Put32(45, 16);
    upload.Put32(49, 0xFFFFFFFFu);
    upload.Put32(53, 0x7FFFFFFFu);

    const kp_upload_record* record = kp_upload_record_at(upload.Handle());
    EXPECT_EQ(ByValue(record->Service), 0x00200000u);
    EXPECT_EQ(record->SupportPause, 1);
    EXPECT_STREQ(kp_text(record->ErrorText), "");
    EXPECT_STREQ(kp_text(record->Nick), "remote");
    EXPECT_STREQ(kp_text(record->FileName), "/music/song.mp3");
    EXPECT_EQ(ByValue(record->Data), 77u);
    EXPECT_EQ(ByValue(record->StatusType), KP_TRANSFER_QUEUED);
    EXPECT_EQ(ByValue(record->Progress), 50);
    EXPECT_EQ(ByValue(record->Transferred), 0x80000000u);
    EXPECT_EQ(ByValue(record->Speed), 2048);
    EXPECT_EQ(ByValue(record->Estimated), 12u);
    EXPECT_EQ(ByValue(record->Size), 0xFFFFFFF0u);
    EXPECT_EQ(ByValue(record->StartPosition), 16u);
    EXPECT_EQ(ByValue(record->EndPosition), 0xFFFFFFFFu);
    EXPECT_EQ(ByValue(record->Position), 0x7FFFFFFFu);
  }
}

TEST(SdkRecords, SharedResultAndAccessRecordFlagsSitInTheirOwnBytes) {
  LowTexts texts;
  LowRecord result(35, 1);
  result.Put32(0, texts.Add("song.mp3"));
  result.Put32(4, texts.Add("/Music/Album/song.mp3"));
  result.Put32(8, texts.Add("/home/me/Music/Album/song.mp3"));
  result.Put32(12, 4000000);
  result.Put32(16, 192);
  result.Put32(20, 215);
  result.Put32(24, 48000);
  result.Put8(28, 1);
  result.Put8(29, 0);
  result.Put8(30, 1);
  result.Put32(31, 0x01234567u);

  const kp_shared_result* shared = kp_shared_result_at(result.Handle());
  EXPECT_STREQ(kp_text(shared->sName), "song.mp3");
  EXPECT_STREQ(kp_text(shared->sVirtualPath), "/Music/Album/song.mp3");
  EXPECT_STREQ(kp_text(shared->sRealPath), "/home/me/Music/Album/song.mp3");
  EXPECT_EQ(ByValue(shared->iSize), 4000000);
  EXPECT_EQ(ByValue(shared->iBitrate), 192);
  EXPECT_EQ(ByValue(shared->iLength), 215);
  EXPECT_EQ(ByValue(shared->iFrequency), 48000);
  EXPECT_EQ(shared->bMP3, 1);
  EXPECT_EQ(shared->bIncludeInSearchRequests, 0);
  EXPECT_EQ(shared->bDirectory, 1);
  EXPECT_EQ(ByValue(shared->poResults), 0x01234567u);

  // Each right is one byte of its own: setting one shows in that field only.
  const std::array<std::size_t, 5> flagOffsets = {272, 273, 274, 275, 276};
  for (std::size_t set = 0; set < flagOffsets.size(); ++set) {
    LowRecord access(277);
    access.PutGuid(0);
    access.PutText(16, "alice");
    access.Put8(flagOffsets[set], 1);
    const kp_share_access* rights = kp_share_access_at(access.Handle());
    ExpectTestGuid(rights->ServiceID);
    EXPECT_STREQ(rights->UserName, "alice");
    const std::array<std::uint8_t, 5> flags = {rights->IncludeInSearchRequests, rights->AllowWrite,
                                               rights->AllowDelete, rights->AllowCreateDirectory,
                                               rights->AllowRemoveDirectory};
    for (std::size_t i = 0; i < flags.size(); ++i) {
      EXPECT_EQ(flags[i], i == set ? 1 : 0) << "byte " << flagOffsets[set] << " set, flag " << i;
    }
  }
}

}  // namespace
}  // namespace kp
