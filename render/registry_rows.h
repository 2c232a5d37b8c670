// SPDX-License-Identifier: LicenseRef-Quillmark
// What the style and blend-mode registries share: rows numbered 1..N in order, and one
// rule for numbers outside the list (brought into it, as every value of a look is).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

// Row i has number i + 1.
template <class Row, std::size_t N>
constexpr bool numberedInOrder(const std::array<Row, N>& rows) {
  for (std::size_t i = 0; i < N; ++i)
    if (rows[i].number != std::int32_t(i + 1)) return false;
  return true;
}

template <class Row, std::size_t N>
const Row& rowFor(const std::array<Row, N>& rows, std::int32_t number) {
  return rows[std::size_t(std::clamp<std::int32_t>(number, 1, std::int32_t(N)) - 1)];
}

}  // namespace qm
