// SPDX-License-Identifier: LicenseRef-Quillmark
#include "platform/random_generator.h"

namespace qm::detail {

constinit thread_local std::uint32_t randomState QM_RANDOM_STATE_ATTRIBUTES = 1;

}  // namespace qm::detail
