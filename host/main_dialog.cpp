// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/main_dialog.h"

namespace qm {

bool runMainDialog(InkSettings&) { return true; }

}  // namespace qm
