#include "core/transfers/transfer_api.h"

#include <cstdint>

#include "core/config/text_conversions.h"
#include "core/host/message_packet.h"
#include "core/transfers/download_list.h"
#include "core/transfers/upload_list.h"

namespace kp {
namespace {

// A plugin's buffer, passed through the packet as its address; null when the
// plugin passed none.
char* BufferOf(const TMessagePacket& packet, TPacketName name) noexcept {
  return reinterpret_cast<char*>(static_cast<std::uintptr_t>(packet.GetInteger(name)));
}

std::int32_t Int32Of(const TMessagePacket& packet, TPacketName name) noexcept {
  return LowThirtyTwoBits(packet.GetInteger(name));
}

}  // namespace

TTransferApi::TTransferApi(TApiRegistry& api, TDownloadList& downloads, TUploadList& uploads)
    : api_(api), downloads_(downloads), uploads_(uploads) {
  RegisterDownloads();
  RegisterUploads();
}

void TTransferApi::RegisterDownloads() {
  TDownloadList& d = downloads_;
  api_.Implement("DownloadGroupAdd", [&d](TMessagePacket& p) -> std::int64_t {
    return d.AddGroup(p.SenderPlugin, p.GetObject("poRoot"), p.GetObject("poService"),
                      p.GetString("sDescription"), p.GetString("sStatusInfo"), p.GetString("sIconFileName"));
  });
  api_.Implement("DownloadGroupEdit", [&d](TMessagePacket& p) -> std::int64_t {
    d.EditGroup(p.SenderPlugin, p.GetObject("poGroup"), p.GetString("sDescription"),
                p.GetString("sStatusInfo"), p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("DownloadCustomInfo", [&d](TMessagePacket& p) -> std::int64_t {
    d.CustomInfo(p.SenderPlugin, p.GetObject("poDownload"), p.GetString("sDescription"),
                 p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("DownloadGetSuggestedDirectory", [&d](TMessagePacket& p) -> std::int64_t {
    d.SuggestedDirectory(Int32Of(p, "iDirectoryType"), BufferOf(p, "sDirectory"));
    return 0;
  });
  api_.Implement("DownloadQueued", [&d](TMessagePacket& p) -> std::int64_t {
    d.Queued(p.GetObject("poDownload"), Int32Of(p, "iQueuePosition"), Int32Of(p, "iQueueSize"));
    return 0;
  });
  api_.Implement("DownloadAdd", [&d](TMessagePacket& p) -> std::int64_t {
    return d.Add(p.GetObject("poGroup"), p.GetObject("poService"), p.GetString("sNick"),
                 p.GetString("sFileName"), p.GetBoolean("bSupportResume"), p.GetBoolean("bSupportPause"),
                 p.GetInteger("iSize"), p.GetString("sURL"), p.GetObject("pData"));
  });
  api_.Implement("DownloadButtonAdd", [&d](TMessagePacket& p) -> std::int64_t {
    d.AddPluginButton(p.SenderPlugin, Int32Of(p, "iCommand"), p.GetString("sDescription"),
                      p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("DownloadMenuAdd", [&d](TMessagePacket& p) -> std::int64_t {
    return d.AddPluginMenuEntry(p.SenderPlugin, Int32Of(p, "iCommand"), p.GetObject("poParentMenu"),
                                p.GetString("sDescription"), p.GetString("sIconFileName"));
  });
  api_.Implement("DownloadGetStatus",
                 [&d](TMessagePacket& p) -> std::int64_t { return d.GetStatus(p.GetObject("poDownload")); });
  api_.Implement("DownloadGetQueueStatus", [&d](TMessagePacket& p) -> std::int64_t {
    return d.GetQueueStatus(p.GetObject("poDownload"), Int32Of(p, "iStatusType"));
  });
  api_.Implement("DownloadError", [&d](TMessagePacket& p) -> std::int64_t {
    d.Error(p.GetObject("poDownload"), p.GetString("sDescription"));
    return 0;
  });
  api_.Implement("DownloadGetSuggestedBandwidth", [&d](TMessagePacket& p) -> std::int64_t {
    return d.SuggestedBandwidth(p.GetObject("poDownload"));
  });
  api_.Implement("DownloadGetSuggestedTimeout",
                 [&d](TMessagePacket&) -> std::int64_t { return d.SuggestedTimeout(); });
  api_.Implement("DownloadComplete",
                 [&d](TMessagePacket& p) -> std::int64_t { return d.Complete(p.GetObject("poDownload")); });
  api_.Implement("DownloadProgress", [&d](TMessagePacket& p) -> std::int64_t {
    return d.Progress(p.GetObject("poDownload"), p.GetInteger("iStartPosition"), p.GetInteger("iEndPosition"),
                      p.GetInteger("iPosition"));
  });
  api_.Implement("DownloadFinished", [&d](TMessagePacket& p) -> std::int64_t {
    d.Finished(p.GetObject("poDownload"), p.GetString("sFileName"));
    return 0;
  });
}

void TTransferApi::RegisterUploads() {
  TUploadList& u = uploads_;
  api_.Implement("UploadAdd", [&u](TMessagePacket& p) -> std::int64_t {
    return u.Add(p.GetObject("poService"), p.GetString("sNick"), p.GetString("sFileName"),
                 p.GetBoolean("bAllowQueue"), p.GetBoolean("bSupportPause"), p.GetObject("pData"));
  });
  api_.Implement("UploadButtonAdd", [&u](TMessagePacket& p) -> std::int64_t {
    u.AddPluginButton(p.SenderPlugin, Int32Of(p, "iCommand"), p.GetString("sDescription"),
                      p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("UploadMenuAdd", [&u](TMessagePacket& p) -> std::int64_t {
    return u.AddPluginMenuEntry(p.SenderPlugin, Int32Of(p, "iCommand"), p.GetObject("poParentMenu"),
                                p.GetString("sDescription"), p.GetString("sIconFileName"));
  });
  api_.Implement("UploadGetStatus",
                 [&u](TMessagePacket& p) -> std::int64_t { return u.GetStatus(p.GetObject("poUpload")); });
  api_.Implement("UploadGetQueueStatus", [&u](TMessagePacket& p) -> std::int64_t {
    return u.GetQueueStatus(p.GetObject("poUpload"), Int32Of(p, "iStatusType"));
  });
  api_.Implement("UploadError", [&u](TMessagePacket& p) -> std::int64_t {
    u.Error(p.GetObject("poUpload"), p.GetString("sDescription"));
    return 0;
  });
  api_.Implement("UploadGetSuggestedBandwidth", [&u](TMessagePacket& p) -> std::int64_t {
    return u.SuggestedBandwidth(p.GetObject("poUpload"));
  });
  api_.Implement("UploadGetSuggestedTimeout",
                 [&u](TMessagePacket&) -> std::int64_t { return u.SuggestedTimeout(); });
  api_.Implement("UploadComplete",
                 [&u](TMessagePacket& p) -> std::int64_t { return u.Complete(p.GetObject("poUpload")); });
  api_.Implement("UploadProgress", [&u](TMessagePacket& p) -> std::int64_t {
    return u.Progress(p.GetObject("poUpload"), p.GetInteger("iStartPosition"), p.GetInteger("iEndPosition"),
                      p.GetInteger("iPosition"));
  });
}

}  // namespace kp
