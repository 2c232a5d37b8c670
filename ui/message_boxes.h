// SPDX-License-Identifier: LicenseRef-Quillmark
// The boxes the filter shows the user itself: a modal message (a refusal, say) and the
// about box. Windows shows them as the library's dialog resources (ui/win32/); where a
// platform has no dialogs the calls answer false, so that the caller can hand the words to
// the host instead.
#pragma once

namespace qm::ui {

struct Message {
  const char* resourceName;  // dialog resource that carries it on Windows
  const char* title;
  const char* text;
};

bool showMessage(const Message& message, void* parentWindow);
bool showAboutBox(void* parentWindow);

}  // namespace qm::ui
