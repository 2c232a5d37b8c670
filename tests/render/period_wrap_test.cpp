// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/period_wrap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace qm::test {
namespace {

std::int32_t plainWrap(std::int64_t value, std::int32_t period) {
  const std::int64_t r = value % period;
  return std::int32_t(r < 0 ? r + period : r);
}

// Every period a tile can have, and values on both sides of the fast range's ends, agree
// with a plain remainder.
TEST(PeriodWrap, AgreesWithARemainderEverywhere) {
  const std::vector<std::int32_t> periods = {1, 2, 3, 7, 255, 256, 509, 512, 1000, 65535, 65536, 1 << 20,
                                             INT32_MAX - 1, INT32_MAX};
  std::vector<std::int64_t> values = {0, 1, -1, INT32_MAX, INT32_MIN, std::int64_t(UINT32_MAX) - 1,
                                      std::int64_t(UINT32_MAX), std::int64_t(UINT32_MAX) + 1, INT64_MAX, INT64_MIN + 1};
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) values.push_back(std::int64_t(random() >> (i % 40)) * (i % 3 == 0 ? -1 : 1));
  for (const std::int32_t period : periods) {
    const PeriodWrap wrap(period);
    for (std::int64_t near = -3; near <= 3; ++near) {
      ASSERT_EQ(wrap(near * period), 0) << period;
      ASSERT_EQ(wrap(near * period + period - 1), period - 1) << period;
    }
    for (const std::int64_t value : values) ASSERT_EQ(wrap(value), plainWrap(value, period)) << value << " % " << period;
  }
}

}  // namespace
}  // namespace qm::test
