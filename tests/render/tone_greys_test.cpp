// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "render/tone.h"

namespace qm::test {
namespace {

// A row of pixels' greys equals the grey of each pixel on its own, whatever the row's length
// (rows are done several pixels at once and the rest one by one) and for every sample from
// 0 to the largest 16-bit one, both ends of each channel included.
TEST(ToneGreys, ARowsGreysAreEachPixelsGrey) {
  std::mt19937 random(11);
  const std::vector<std::uint16_t> ends = {0, 1, 127, 128, 255, 256, 16383, 32767, 32768, 32769, 65534, 65535};
  std::vector<std::uint16_t> samples;
  for (const std::uint16_t r : ends)
    for (const std::uint16_t g : ends)
      for (const std::uint16_t b : ends) samples.insert(samples.end(), {r, g, b, std::uint16_t(random())});
  for (int i = 0; i < 4000; ++i)
    samples.insert(samples.end(), {std::uint16_t(random() % 32769), std::uint16_t(random() % 32769),
                                   std::uint16_t(random() % 32769), 32768});
  const std::int32_t pixels = std::int32_t(samples.size() / 4);
  for (std::int32_t count : {0, 1, 3, 4, 5, 7, 9, pixels}) {
    std::vector<std::uint8_t> greys(std::size_t(count) + 1, 0xA5);
    greysOfPixels(samples.data(), count, true, greys.data());
    for (std::int32_t k = 0; k < count; ++k) {
      const std::uint16_t* c = &samples[4 * std::size_t(k)];
      ASSERT_EQ(greys[std::size_t(k)], grey16(c[0], c[1], c[2])) << "pixel " << k << " of " << count;
    }
    EXPECT_EQ(greys[std::size_t(count)], 0xA5) << "a row of " << count << " wrote past its end";
  }
  std::vector<std::uint8_t> eight(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) eight[i] = std::uint8_t(samples[i] >> 8);
  for (std::int32_t count : {0, 1, 15, 16, 17, 31, pixels - 1, pixels}) {
    std::vector<std::uint8_t> greys(std::size_t(count) + 1, 0xA5);
    greysOfPixels(eight.data(), count, false, greys.data());
    for (std::int32_t k = 0; k < count; ++k) {
      std::uint32_t word;
      std::memcpy(&word, &eight[4 * std::size_t(k)], sizeof word);
      ASSERT_EQ(greys[std::size_t(k)], grey8(std::int32_t(word >> 24), std::int32_t((word >> 16) & 255u),
                                             std::int32_t((word >> 8) & 255u)))
          << "8-bit pixel " << k << " of " << count;
    }
    EXPECT_EQ(greys[std::size_t(count)], 0xA5) << "an 8-bit row of " << count << " wrote past its end";
  }
}

// Float light as tone samples, eight at a time and the rest one by one, from unaligned
// memory: what toneSample gives each, for light past both ends, not a number, infinite,
// signed zeros, the smallest numbers and the steps next to 1; nothing past the row touched.
TEST(ToneGreys, FloatLightBecomesTheSampleOfEachOnItsOwn) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float tiny = std::numeric_limits<float>::denorm_min();
  const float belowOne = std::nextafter(1.0f, 0.0f);
  std::vector<float> lights = {nan, -nan, inf, -inf, 0.0f, -0.0f, tiny, -tiny, 1.0f, belowOne,
                               std::nextafter(1.0f, 2.0f), 0.5f, -0.5f, 1.5f, 1e30f, -1e30f, 1.0f / 32768.0f};
  std::mt19937 random(3);
  std::uniform_real_distribution<float> around(-0.2f, 1.2f);
  for (int i = 0; i < 3000; ++i) lights.push_back(around(random));
  // The special values keep their meaning in the vector steps too.
  const std::uint16_t expected[] = {0, 0, 32768, 0, 0, 0, 0, 0, 32768, 32767, 32768, 16384, 0, 32768, 32768, 0, 1};
  for (std::size_t i = 0; i < std::size(expected); ++i) ASSERT_EQ(toneSample(lights[i]), expected[i]) << "light " << i;
  std::vector<std::uint8_t> bytes(1 + lights.size() * sizeof(float));
  std::memcpy(bytes.data() + 1, lights.data(), lights.size() * sizeof(float));
  for (const std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(8), std::size_t(9),
                                  std::size_t(17), lights.size()}) {
    std::vector<std::uint16_t> samples(count + 1, 0xA5A5);
    toneSamplesOf(bytes.data() + 1, count, samples.data());
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(samples[i], toneSample(lights[i])) << "light " << i << " of " << count;
    EXPECT_EQ(samples[count], 0xA5A5) << "a row of " << count << " wrote past its end";
  }
}

// Every pair of grey and blurred grey, for amounts from none to past what 16-bit lanes hold
// (those take the one-by-one way) and rows of every length around the sixteen done at once:
// each cell holds S as the formula gives it, B, and no ink; nothing past the row is touched.
TEST(ToneGreys, CellsHoldTheSharpenedGreyOfEveryPairOfGreys) {
  std::vector<std::uint8_t> greys, means;
  for (std::int32_t g = 0; g < 256; ++g)
    for (std::int32_t m = 0; m < 256; ++m) {
      greys.push_back(std::uint8_t(g));
      means.push_back(std::uint8_t(m));
    }
  const auto pairs = std::int32_t(greys.size());
  for (const std::int32_t amount : {0, 1, 7, 255, 256, 1024, 32767, -300, 40000}) {
    for (const std::int32_t count : {0, 1, 15, 16, 17, 33, pairs}) {
      std::vector<BandCell> cells(std::size_t(count) + 1, BandCell{1, 2, 3});
      fillToneCells(greys.data(), means.data(), count, amount, cells.data());
      for (std::int32_t k = 0; k < count; ++k) {
        const BandCell& cell = cells[std::size_t(k)];
        const std::int32_t g = greys[std::size_t(k)], m = means[std::size_t(k)];
        ASSERT_EQ(cell.tone, sharpenedTone(g, m, amount)) << "g " << g << ", B " << m << ", amount " << amount;
        ASSERT_EQ(cell.blurred, m);
        ASSERT_EQ(cell.ink, kNoInk);
      }
      const BandCell& past = cells.back();
      EXPECT_TRUE(past.tone == 1 && past.blurred == 2 && past.ink == 3) << "a row of " << count << " wrote past its end";
    }
  }
}

}  // namespace
}  // namespace qm::test
