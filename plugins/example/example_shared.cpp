// The example plugin's command in the Shared files section: "Offer on Example
// network", on the bar and in the menu of whatever entry is selected. Our
// pretend network has nowhere to offer it, so the command only says in our
// tab what it would offer.
//
// The section drops every command at each change of the selection and asks
// plugins again through OnSharedSelect, so the command is added there each
// time, never once at startup.
#include <string>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(SharedButtonAdd);
KP_IMPORT(SharedMenuAdd);

namespace {

// Our own number; the section hands it back in OnSharedButton and OnSharedMenu.
constexpr int32_t kOffer = 1;

void Offer(int32_t iCommand, kp_handle pResult) {
  // The record is the program's and lives only while the row does: read it
  // now, never keep the pointer.
  const kp_shared_result* record = kp_shared_result_at(pResult);
  if (iCommand != kOffer || !record) return;
  const std::string what = record->bDirectory ? "the folder " : "the file ";
  example::ShowStatus("Would offer " + what + kp_text(record->sName) + " (" + kp_text(record->sVirtualPath) +
                      ") on Example network.");
}

}  // namespace

KP_EVENT(OnSharedSelect) {
  if (!pResult) return;
  SharedButtonAdd(kOffer, "Offer on Example network", "AboutIcon.bmp");
  SharedMenuAdd(kOffer, 0, "Offer on Example network", "AboutIcon.bmp");
}

KP_EVENT(OnSharedButton) { Offer(iCommand, pResult); }

KP_EVENT(OnSharedMenu) { Offer(iCommand, pResult); }
