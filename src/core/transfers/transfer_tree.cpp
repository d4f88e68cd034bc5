#include "core/transfers/transfer_tree.h"

#include <cstring>
#include <string_view>

#include "core/config/text_conversions.h"
#include "core/services/service_registry.h"
#include "keplinor_records.h"

namespace kp {
namespace {

// A group's record is never filled; it only has to be a distinct low address.
constexpr std::size_t kGroupRecordSize = 4;

// Bytes a text takes among the record's texts: up to its first NUL, plus the
// terminator.
std::size_t StoredLength(std::string_view text) noexcept {
  const std::size_t nul = text.find('\0');
  return (nul == std::string_view::npos ? text.size() : nul) + 1;
}

std::uint32_t Low32(std::int64_t value) noexcept {
  return static_cast<std::uint32_t>(LowThirtyTwoBits(value));
}

}  // namespace

TTransferBase::TTransferBase(TransferNodeKind kind, std::size_t recordSize)
    : record_(MakeLowBlock(recordSize)), kind_(kind) {}

TTransferBase::~TTransferBase() = default;

TTransferItem* TTransferBase::AsItem() noexcept {
  return IsItem() ? static_cast<TTransferItem*>(this) : nullptr;
}
const TTransferItem* TTransferBase::AsItem() const noexcept {
  return IsItem() ? static_cast<const TTransferItem*>(this) : nullptr;
}
TTransferGroup* TTransferBase::AsGroup() noexcept {
  return IsItem() ? nullptr : static_cast<TTransferGroup*>(this);
}
const TTransferGroup* TTransferBase::AsGroup() const noexcept {
  return IsItem() ? nullptr : static_cast<const TTransferGroup*>(this);
}

// ---- groups -------------------------------------------------------------

TTransferGroup::TTransferGroup(TransferNodeKind kind) : TTransferBase(kind, kGroupRecordSize) {}

TTransferGroup::~TTransferGroup() = default;

std::int32_t TTransferGroup::GetProgress() const {
  std::int64_t sum = 0;
  std::int64_t sized = 0;
  for (const auto& child : Children) {
    sum += child->GetProgress();
    if (child->GetSize() > 0) ++sized;
  }
  if (sized == 0) return 0;
  return ClampToInt32(RoundHalfEven(static_cast<double>(sum) / static_cast<double>(sized)));
}

std::int64_t TTransferGroup::GetTransferred() const {
  std::int64_t sum = 0;
  for (const auto& child : Children) sum += child->GetTransferred();
  return sum;
}

std::int32_t TTransferGroup::GetSpeed(TimeStamp now) const {
  std::int64_t sum = 0;
  for (const auto& child : Children) sum += child->GetSpeed(now);
  return ClampToInt32(sum);
}

std::int64_t TTransferGroup::GetEstimated(TimeStamp now) const {
  std::int64_t sum = 0;
  for (const auto& child : Children) sum += child->GetEstimated(now);
  return sum;
}

std::int64_t TTransferGroup::GetSize() const {
  std::int64_t sum = 0;
  for (const auto& child : Children) sum += child->GetSize();
  return sum;
}

TTransferFigures TTransferGroup::GetFigures(TimeStamp now) const {
  TTransferFigures sum;
  std::int64_t progress = 0;
  std::int64_t speed = 0;
  std::int64_t sized = 0;
  for (const auto& child : Children) {
    const TTransferFigures figures = child->GetFigures(now);
    progress += figures.Progress;
    sum.Transferred += figures.Transferred;
    speed += figures.Speed;
    sum.Estimated += figures.Estimated;
    sum.Size += figures.Size;
    if (figures.Size > 0) ++sized;
  }
  sum.Speed = ClampToInt32(speed);
  if (sized > 0)
    sum.Progress = ClampToInt32(RoundHalfEven(static_cast<double>(progress) / static_cast<double>(sized)));
  return sum;
}

void TTransferGroup::Append(std::unique_ptr<TTransferBase> child) {
  child->Parent = this;
  child->Row = static_cast<std::int32_t>(Children.size());
  Children.push_back(std::move(child));
}

std::unique_ptr<TTransferBase> TTransferGroup::Detach(TTransferBase& child) {
  const auto row = static_cast<std::size_t>(child.Row);
  if (row >= Children.size() || Children[row].get() != &child) return nullptr;
  std::unique_ptr<TTransferBase> taken = std::move(Children[row]);
  Children.erase(Children.begin() + static_cast<std::ptrdiff_t>(row));
  for (std::size_t i = row; i < Children.size(); ++i) Children[i]->Row = static_cast<std::int32_t>(i);
  taken->Parent = nullptr;
  return taken;
}

void TTransferGroup::CollectItems(std::vector<TTransferItem*>& items) const {
  for (const auto& child : Children) {
    if (TTransferItem* item = child->AsItem()) {
      items.push_back(item);
    } else {
      child->AsGroup()->CollectItems(items);
    }
  }
}

void TTransferGroup::SampleSpeed(TimeStamp now) {
  SpeedHistory.push_back(GetSpeed(now));
  while (SpeedHistory.size() > kSpeedHistoryLength) SpeedHistory.pop_front();
}

// ---- items --------------------------------------------------------------

TTransferItem::TTransferItem(TransferDirection direction, TimeStamp created)
    : TTransferBase(TransferNodeKind::Item, direction == TransferDirection::Download
                                                ? sizeof(kp_download_record)
                                                : sizeof(kp_upload_record)),
      StartTime(created),
      direction_(direction) {}

TTransferItem::~TTransferItem() = default;

std::int64_t TTransferItem::GetSize() const { return EndPosition - StartPosition; }

std::int64_t TTransferItem::GetTransferred() const { return Position - StartPosition; }

std::int32_t TTransferItem::GetProgress() const {
  const std::int64_t size = GetSize();
  if (size == 0) return 0;
  return ClampToInt32(
      RoundHalfEven(static_cast<double>(GetTransferred()) / static_cast<double>(size) * 100.0));
}

std::int32_t TTransferItem::GetSpeed(TimeStamp now) const {
  const std::int32_t seconds = SecondsSince(StartTime, now);
  if (seconds == 0) return 0;
  return ClampToInt32(RoundHalfEven(static_cast<double>(GetTransferred()) / static_cast<double>(seconds)));
}

std::int64_t TTransferItem::GetEstimated(TimeStamp now) const {
  const std::int32_t speed = GetSpeed(now);
  if (speed < 1) return 0;
  return RoundHalfEven(static_cast<double>(GetSize() - GetTransferred()) / static_cast<double>(speed));
}

TTransferFigures TTransferItem::GetFigures(TimeStamp now) const {
  const std::int32_t speed = GetSpeed(now);
  const std::int64_t size = GetSize();
  const std::int64_t transferred = GetTransferred();
  return TTransferFigures{GetProgress(), transferred, speed,
                          speed < 1 ? 0 : RoundHalfEven(static_cast<double>(size - transferred) / speed),
                          size};
}

void TTransferItem::SetErrorText(std::string text) {
  errorText_ = std::move(text);
  textsChanged_ = true;
}

void TTransferItem::SetFileName(std::string text) {
  fileName_ = std::move(text);
  textsChanged_ = true;
}

void TTransferItem::FillRecord(TimeStamp now) {
  // Texts: ErrorText, Nick, FileName, URL (uploads leave the URL out).
  std::uint32_t addresses[4] = {};
  if (textsChanged_ || !recordTexts_) {
    const std::string_view texts[] = {errorText_, Nick, fileName_, URL};
    std::size_t size = 0;
    for (std::string_view text : texts) size += StoredLength(text);
    LowBlock block = MakeLowBlock(size);
    std::size_t offset = 0;
    for (std::string_view text : texts) {
      const std::size_t length = StoredLength(text) - 1;
      std::memcpy(block.get() + offset, text.data(), length);  // zero-filled: the NUL follows
      offset += length + 1;
    }
    // The previous texts are released only now that the record no longer
    // points to them; the heap's quarantine keeps them readable a while yet.
    recordTexts_ = std::move(block);
    textsChanged_ = false;
  }
  {
    const std::string_view texts[] = {errorText_, Nick, fileName_, URL};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      addresses[i] = LowAddress(recordTexts_.get() + offset);
      offset += StoredLength(texts[i]);
    }
  }

  if (direction_ == TransferDirection::Download) {
    kp_download_record record{};
    record.SupportResume = SupportResume ? 1 : 0;
    record.URL = addresses[3];
    WriteRecord(record, addresses, now);
  } else {
    kp_upload_record record{};
    WriteRecord(record, addresses, now);
  }
}

template <typename Layout>
void TTransferItem::WriteRecord(Layout& record, const std::uint32_t (&texts)[4], TimeStamp now) {
  record.Service = Service ? Service->Handle() : 0;
  record.SupportPause = SupportPause ? 1 : 0;
  record.ErrorText = texts[0];
  record.Nick = texts[1];
  record.FileName = texts[2];
  record.Data = Data;
  record.StatusType = static_cast<std::int32_t>(State);
  record.Progress = GetProgress();
  record.Transferred = Low32(GetTransferred());
  record.Speed = GetSpeed(now);
  record.Estimated = Low32(GetEstimated(now));
  record.Size = Low32(GetSize());
  record.StartPosition = Low32(StartPosition);
  record.EndPosition = Low32(EndPosition);
  record.Position = Low32(Position);
  std::memcpy(record_.get(), &record, sizeof record);
}

}  // namespace kp
