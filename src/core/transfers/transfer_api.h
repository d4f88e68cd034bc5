#pragma once
// The Download and Upload functions of the plugin API, each carried out by
// its transfer list.

#include "core/host/api_registry.h"

namespace kp {

class TDownloadList;
class TUploadList;

class TTransferApi {
 public:
  TTransferApi(TApiRegistry& api, TDownloadList& downloads, TUploadList& uploads);
  TTransferApi(const TTransferApi&) = delete;
  TTransferApi& operator=(const TTransferApi&) = delete;

 private:
  void RegisterDownloads();
  void RegisterUploads();

  // Withdraws the functions when this goes: they answer 0 again.
  TApiRegistry::TScope api_;
  TDownloadList& downloads_;
  TUploadList& uploads_;
};

}  // namespace kp
