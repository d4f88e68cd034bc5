#pragma once
// The Search functions of the plugin API: results and completion arrive for
// an open search, and the plugin whose result is selected adds its commands to
// the results tab. Each call is carried out by the list of open searches.

#include "core/host/api_registry.h"

namespace kp {

class TSearchList;

class TSearchApi {
 public:
  TSearchApi(TApiRegistry& api, TSearchList& searches);
  TSearchApi(const TSearchApi&) = delete;
  TSearchApi& operator=(const TSearchApi&) = delete;

 private:
  void Register();

  // Withdraws the functions when this goes: they answer 0 again.
  TApiRegistry::TScope api_;
  TApiRegistry& registry_;
  TSearchList& searches_;
};

}  // namespace kp
