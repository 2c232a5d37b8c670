// SPDX-License-Identifier: LicenseRef-Quillmark
// Ten quantisation tables per component, chosen by quality / 10. The coarsest (t = 0) and
// the finest (t = 9) are fixed; the eight between are geometric steps from one to the other,
// entry by entry: q(t) = round(q0^((9 - t) / 9) x q9^(t / 9)), at least 1. Quality acts on a
// quantiser multiplicatively, so equal ratios from one step to the next give steps of about
// equal visible effect, where equal differences would crowd the fine end.
#include <algorithm>
#include <cmath>

#include "formats/jpeg_codec.h"

namespace qm {
namespace {

using QuantTable = std::array<std::uint16_t, 64>;

constexpr QuantTable kCoarsest[2] = {
    {20, 17, 26, 41, 51, 39, 34, 17, 17, 18, 24, 39, 28, 23, 12, 12, 26, 24, 32, 28, 23, 12,
     12, 12, 41, 39, 28, 23, 12, 12, 12, 12, 51, 28, 23, 12, 12, 12, 12, 12, 39, 23, 12, 12,
     12, 12, 12, 12, 34, 12, 12, 12, 12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12},
    {21, 26, 33, 34, 20, 20, 17, 17, 26, 29, 24, 14, 14, 12, 12, 12, 33, 24, 14, 14, 12, 12,
     12, 12, 34, 14, 14, 12, 12, 12, 12, 12, 20, 14, 12, 12, 12, 12, 12, 12, 20, 12, 12, 12,
     12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12},
};

constexpr QuantTable kFinest[2] = {
    {1, 1, 1, 1, 2, 2, 2, 3, 1, 1, 1, 1, 1, 2, 2, 3, 1, 1, 1, 1, 2, 3, 4, 5, 1, 1, 1, 2, 3, 4, 5, 7,
     2, 1, 2, 3, 4, 5, 7, 8, 2, 2, 3, 4, 5, 7, 8, 8, 2, 2, 4, 5, 7, 8, 8, 8, 3, 3, 5, 7, 8, 8, 8, 8},
    {1, 1, 2, 4, 7, 8, 8, 8, 1, 2, 3, 5, 8, 8, 8, 8, 2, 3, 4, 8, 8, 8, 8, 8, 4, 5, 8, 8, 8, 8, 8, 8,
     7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8},
};

constexpr int kSteps = 10;

using TableSet = std::array<std::array<QuantTable, kSteps>, 2>;

TableSet makeTables() {
  TableSet tables{};
  for (int component = 0; component < 2; ++component) {
    for (int t = 0; t < kSteps; ++t) {
      const double towardsFinest = double(t) / double(kSteps - 1);
      for (int i = 0; i < 64; ++i) {
        const double coarse = std::log(double(kCoarsest[component][std::size_t(i)]));
        const double fine = std::log(double(kFinest[component][std::size_t(i)]));
        const long entry = std::lround(std::exp(coarse + (fine - coarse) * towardsFinest));
        tables[std::size_t(component)][std::size_t(t)][std::size_t(i)] = std::uint16_t(std::max(1L, entry));
      }
    }
  }
  return tables;
}

}  // namespace

const std::array<std::uint16_t, 64>& jpegQuantTable(int component, int quality) {
  static const TableSet tables = makeTables();
  const int t = std::clamp(quality, 0, 99) / 10;
  return tables[component == 0 ? 0 : 1][std::size_t(t)];
}

}  // namespace qm
