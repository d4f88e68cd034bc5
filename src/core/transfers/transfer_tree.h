#pragma once
// The tree of a transfer list: a root for all transfers, a group per service,
// groups that plugins make (downloads only), and one item per transfer. Every
// node answers five questions for its whole subtree (progress, bytes
// transferred, speed, time remaining, size); a group sums its children.
//
// A node's handle is the address of its record in low memory: the record
// plugins read for an item, a block that is never filled for a group.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/config/shared_routines.h"
#include "core/platform/low_memory_heap.h"
#include "core/transfers/transfer_state.h"

namespace kp {

class TPluginHolder;
class TTransferGroup;
class TTransferItem;
struct TServiceHolder;
struct TServiceTypeHolder;

enum class TransferNodeKind : std::uint8_t { Root, ServiceGroup, PluginGroup, Item };

// The five answers at once, for a subtree in one pass: the details panel of
// the root asks all of them for every download every frame.
struct TTransferFigures {
  std::int32_t Progress = 0;
  std::int64_t Transferred = 0;
  std::int32_t Speed = 0;
  std::int64_t Estimated = 0;
  std::int64_t Size = 0;
};

class TTransferBase {
 public:
  TTransferBase(TransferNodeKind kind, std::size_t recordSize);
  TTransferBase(const TTransferBase&) = delete;
  TTransferBase& operator=(const TTransferBase&) = delete;
  virtual ~TTransferBase();

  // Percent complete; may leave 0..100 when a plugin reports a position
  // outside its range.
  [[nodiscard]] virtual std::int32_t GetProgress() const = 0;
  [[nodiscard]] virtual std::int64_t GetTransferred() const = 0;
  // Bytes per second, averaged since the item was created.
  [[nodiscard]] virtual std::int32_t GetSpeed(TimeStamp now) const = 0;
  // Seconds remaining at that speed; 0 while the speed is below 1.
  [[nodiscard]] virtual std::int64_t GetEstimated(TimeStamp now) const = 0;
  [[nodiscard]] virtual std::int64_t GetSize() const = 0;
  // The same five answers as the operations above give one by one.
  [[nodiscard]] virtual TTransferFigures GetFigures(TimeStamp now) const = 0;

  [[nodiscard]] TransferNodeKind Kind() const noexcept { return kind_; }
  [[nodiscard]] bool IsItem() const noexcept { return kind_ == TransferNodeKind::Item; }
  [[nodiscard]] TTransferItem* AsItem() noexcept;
  [[nodiscard]] const TTransferItem* AsItem() const noexcept;
  [[nodiscard]] TTransferGroup* AsGroup() noexcept;
  [[nodiscard]] const TTransferGroup* AsGroup() const noexcept;

  [[nodiscard]] std::uint32_t Handle() const noexcept { return LowAddress(record_.get()); }

  TTransferGroup* Parent = nullptr;
  // This node's place among its parent's children (0 for the root).
  std::int32_t Row = 0;
  TServiceTypeHolder* ServiceType = nullptr;  // service groups only
  // The item's service, the service of a service group or of a plugin group;
  // null for the root.
  TServiceHolder* Service = nullptr;
  // A resolved icon file: a plugin group's, or an item's after DownloadCustomInfo.
  std::string IconFile;

 protected:
  LowBlock record_;

 private:
  TransferNodeKind kind_;
};

class TTransferGroup final : public TTransferBase {
 public:
  // Samples a group keeps for the bandwidth graph.
  static constexpr std::size_t kSpeedHistoryLength = 499;

  explicit TTransferGroup(TransferNodeKind kind);
  ~TTransferGroup() override;

  [[nodiscard]] std::int32_t GetProgress() const override;
  [[nodiscard]] std::int64_t GetTransferred() const override;
  [[nodiscard]] std::int32_t GetSpeed(TimeStamp now) const override;
  [[nodiscard]] std::int64_t GetEstimated(TimeStamp now) const override;
  [[nodiscard]] std::int64_t GetSize() const override;
  [[nodiscard]] TTransferFigures GetFigures(TimeStamp now) const override;

  // Appends the child (taking it) and sets its Parent and Row.
  void Append(std::unique_ptr<TTransferBase> child);
  // Takes the child out, renumbering those after it, and hands it back.
  std::unique_ptr<TTransferBase> Detach(TTransferBase& child);

  // Every item of the subtree, in tree order.
  void CollectItems(std::vector<TTransferItem*>& items) const;

  // Appends the group's present speed; the oldest sample goes beyond the length.
  void SampleSpeed(TimeStamp now);

  // Plugin groups: sDescription and sStatusInfo of the last add or edit.
  std::string Description;
  std::string StatusInfo;
  std::vector<std::unique_ptr<TTransferBase>> Children;
  std::deque<std::int32_t> SpeedHistory;  // oldest first
  // The plugin that made a plugin group; its icon was resolved against it.
  TPluginHolder* Owner = nullptr;
};

class TTransferItem final : public TTransferBase {
 public:
  TTransferItem(TransferDirection direction, TimeStamp created);
  ~TTransferItem() override;

  [[nodiscard]] std::int32_t GetProgress() const override;
  [[nodiscard]] std::int64_t GetTransferred() const override;
  [[nodiscard]] std::int32_t GetSpeed(TimeStamp now) const override;
  [[nodiscard]] std::int64_t GetEstimated(TimeStamp now) const override;
  [[nodiscard]] std::int64_t GetSize() const override;
  [[nodiscard]] TTransferFigures GetFigures(TimeStamp now) const override;

  [[nodiscard]] TransferDirection Direction() const noexcept { return direction_; }

  // Writes the record plugins read at the handle (62 bytes for a download,
  // 57 for an upload) from the fields below. Texts changed since the last
  // fill get new copies; the old copies live until this next fill, since a
  // plugin thread may still be reading them.
  void FillRecord(TimeStamp now);
  [[nodiscard]] const std::byte* Record() const noexcept { return record_.get(); }

  // Setters that change a text the record points to.
  void SetErrorText(std::string text);
  void SetFileName(std::string text);
  [[nodiscard]] const std::string& ErrorText() const noexcept { return errorText_; }
  [[nodiscard]] const std::string& FileName() const noexcept { return fileName_; }

  const TimeStamp StartTime;
  std::int64_t StartPosition = 0;
  std::int64_t EndPosition = 0;  // never less than StartPosition
  std::int64_t Position = 0;
  bool SupportResume = false;  // downloads only
  bool SupportPause = false;
  std::string URL;  // downloads only
  std::int32_t QueueSize = 0;
  std::int32_t QueuePosition = 0;
  TransferState State = TransferState::Queued;
  std::uint32_t Data = 0;  // the plugin's own value
  // The remote user: the nick and the service's GUID.
  std::string UserKey;
  std::string Nick;
  // The Name cell: FileName after its last separator when the item was made.
  std::string DisplayName;
  bool ProgressSeen = false;
  // DownloadCustomInfo's Status text; it and IconFile are shown until the
  // row's next refresh, which the list tells by CustomEpoch.
  std::string CustomStatus;
  std::uint64_t CustomEpoch = 0;

 private:
  // The fields both records share; texts are the addresses of ErrorText,
  // Nick, FileName and URL.
  template <typename Layout>
  void WriteRecord(Layout& record, const std::uint32_t (&texts)[4], TimeStamp now);

  TransferDirection direction_;
  std::string errorText_;
  std::string fileName_;
  bool textsChanged_ = true;
  LowBlock recordTexts_;  // the texts the record points to
};

// What plugins and the lists call these nodes.
using TDownloadBase = TTransferBase;
using TDownloadGroup = TTransferGroup;
using TDownloadItem = TTransferItem;
using TUploadBase = TTransferBase;
using TUploadGroup = TTransferGroup;
using TUploadItem = TTransferItem;

}  // namespace kp
