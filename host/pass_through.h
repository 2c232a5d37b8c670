// SPDX-License-Identifier: LicenseRef-Quillmark
// The simplest full run of the filter: the source is copied into the result band by band
// through the host's delivery call, with progress and the abort test on the way. It walks
// the same road a render does, so the host side of a run can be proven end to end.
#pragma once

namespace qm {

// False when the host failed (its code is the result) or the user stopped (-128).
bool copySourceToResult();

}  // namespace qm
