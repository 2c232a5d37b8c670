// SPDX-License-Identifier: LicenseRef-Quillmark
// What the filter tells the user itself: refusals and the about box. Shown as dialogs where
// the platform has them; otherwise the text goes to the host in its error-string buffer.
#pragma once

namespace qm {

enum class Refusal { HostTooOld, Multichannel };

// The text of a refusal, exactly as the user sees it.
const char* refusalTitle(Refusal refusal);
const char* refusalText(Refusal refusal);

void showRefusal(Refusal refusal);
void showAbout();

}  // namespace qm
