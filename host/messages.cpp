// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/messages.h"

#include <algorithm>
#include <cstring>

#include "host/host_image.h"
#include "host/module_state.h"
#include "platform/platform.h"
#include "ui/message_boxes.h"

namespace qm {
namespace {

constexpr const char* kRefusalTitle = "Plug-in error";

ui::Message messageFor(Refusal refusal) {
  return {refusal == Refusal::HostTooOld ? "REFUSAL2" : "REFUSAL3", refusalTitle(refusal), refusalText(refusal)};
}

// Hosts read this buffer as a Pascal string: a length byte, then at most 255 bytes.
void putErrorString(pi::FilterRecord& record, const char* text) {
  if (!record.errorString) return;
  const std::size_t length = std::min<std::size_t>(std::strlen(text), 255);
  (*record.errorString)[0] = pi::uint8(length);
  std::memcpy(&(*record.errorString)[1], text, length);
}

}  // namespace

const char* refusalTitle(Refusal) { return kRefusalTitle; }

const char* refusalText(Refusal refusal) {
  switch (refusal) {
    case Refusal::HostTooOld:
      return "The filter cannot run because your paint program does not support enough of the Photoshop 3.0 "
             "plug-in standard.";
    case Refusal::Multichannel:
      return "The filter cannot run on a multichannel image. Convert the image to RGB or grayscale mode and "
             "run the filter again.";
  }
  return "";
}

void showRefusal(Refusal refusal) {
  ModuleState& module = moduleState();
  void* window = module.record ? hostWindow(*module.record) : nullptr;
  module.dialogOpen = true;
  const bool shown = ui::showMessage(messageFor(refusal), window);
  module.dialogOpen = false;
  if (shown) return;
  if (module.record && module.record->errorString)
    putErrorString(*module.record, refusalText(refusal));
  else
    platform::writeDiagnostic(refusalText(refusal));
}

void showAbout() {
  ModuleState& module = moduleState();
  if (module.dialogOpen) return;
  void* window = module.about && module.about->platformData ? module.about->platformData->hwnd : nullptr;
  module.dialogOpen = true;
  ui::showAboutBox(window);
  module.dialogOpen = false;
}

}  // namespace qm
