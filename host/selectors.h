// SPDX-License-Identifier: LicenseRef-Quillmark
// The phases of a filter run, one handler per selector. The host drives them in the order
// parameters (only when the user picks the filter from the menu), prepare, start, continue,
// finish; all the pixel work happens inside start.
#pragma once

namespace qm {

void doParameters();
void doPrepare();
void doStart();
void doContinue();
void doFinish();

// Unlocks the two records at the end of every call but about.
void unlockRecords();

}  // namespace qm
