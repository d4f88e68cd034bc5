// Compiled, not run: with one MISSPELT_* macro defined it must fail to compile;
// with none it must compile. names_check.cmake does both.
#include "core/config/language_ids.h"
#include "core/host/api_names.h"

namespace {

#if defined(MISSPELT_FUNCTION)
constexpr kp::TApiFunctionName kFunction = "ApplicationMenuAd";
#else
constexpr kp::TApiFunctionName kFunction = "ApplicationMenuAdd";
#endif

#if defined(MISSPELT_EVENT)
constexpr std::size_t kEvent = kp::EventNumber("OnApplicationStrat");
#else
constexpr std::size_t kEvent = kp::EventNumber("OnApplicationStart");
#endif

#if defined(MISSPELT_PACKET_FIELD)
constexpr kp::TPacketName kField = "sDecsription";
#else
constexpr kp::TPacketName kField = " SDESCRIPTION ";
#endif

#if defined(MISSPELT_LANGUAGE_TEXT)
constexpr kp::TTextId kText{"Main", "00003"};
#else
constexpr kp::TTextId kText{"Main", "00004"};
#endif

static_assert(kFunction.index == 0 && kEvent == 5 && !kField.Text().empty() && kText.id == "00004");

}  // namespace
