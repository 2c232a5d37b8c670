// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend modes against plain real-valued versions of their formulas over a grid of inks
// and sources, plus the behaviour each mode is chosen for: identities, neutral inks, the
// ends of the range, and the number handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <vector>

#include "render/blend_modes.h"

namespace qm {
namespace {

constexpr float kStep = 1.0f / 32768.0f;
constexpr float kByteStep = 1.0f / 255.0f;

Colour rgb(float r, float g, float b, float alpha = 1.0f) { return Colour{r, g, b, alpha}; }
Colour grey(float v, float alpha = 1.0f) { return rgb(v, v, v, alpha); }

Colour blended(const Colour& a, const Colour& b, int mode) {
  Colour out{-1.0f, -1.0f, -1.0f, -1.0f};
  blendPixel(a, b, out, mode);
  return out;
}

std::array<float, 3> channels(const Colour& c) { return {c.red, c.green, c.blue}; }

// Every colour whose channels are each one of the grid's levels.
std::vector<Colour> colourGrid() {
  const float levels[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
  std::vector<Colour> grid;
  for (float r : levels)
    for (float g : levels)
      for (float b : levels) grid.push_back(rgb(r, g, b, 0.625f));
  return grid;
}

void expectNear(const Colour& got, const std::array<double, 3>& want, double tolerance, const Colour& a,
                const Colour& b, int mode) {
  const auto c = channels(got);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(c[i], want[i], tolerance) << "mode " << mode << " channel " << i << " ink (" << a.red << ", "
                                          << a.green << ", " << a.blue << ") source (" << b.red << ", "
                                          << b.green << ", " << b.blue << ")";
}

// Real-valued forms of the per-channel modes, a the ink and b the source.
double hl(double x, double y) { return x < 0.5 ? 2 * x * y : 1 - 2 * (1 - x) * (1 - y); }
double pl(double x, double y) { return x < 0.5 ? std::min(y, 2 * x) : std::max(y, 2 * x - 1); }
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

using ChannelReference = std::function<double(double a, double b)>;

const std::map<int, ChannelReference>& channelReferences() {
  static const std::map<int, ChannelReference> references = {
      {1, [](double a, double) { return a; }},
      {2,
       [](double a, double b) {
         const double k = b < 0.5 ? b / 2 : 0.5 - b / 2;
         return (k * a + (0.5 - k) * b) * 2;
       }},
      {3, [](double a, double b) { return std::min(a + a * b, 1.0); }},
      {4, [](double a, double b) { return (1 - a) * b + (1 - b) * a; }},
      {5, [](double a, double b) { return std::max(a, b); }},
      {6, [](double a, double b) { return std::min(a, b); }},
      {7, [](double a, double b) { return std::min(a + b, 1.0); }},
      {8, [](double a, double b) { return std::max(a - b, 0.0); }},
      {9, [](double a, double b) { return a * b; }},
      {10, [](double a, double b) { return 1 - (1 - a) * (1 - b); }},
      {11, [](double a, double b) { return hl(a, b); }},
      {12, [](double a, double b) { return hl(b, a); }},
      {13,
       [](double a, double b) {
         const double p = 1 - (1 - a * b) * (1 - a * b);
         const double w = (1 - a) * (1 - b);
         return p < 0.5 ? 2 * (1 - w * w) * p : 1 - 2 * w * w * (1 - p);
       }},
      {14, [](double a, double b) { return a + b - 2 * a * b; }},
      {17, [](double a, double b) { return a >= 0.5 ? std::min(b + 2 * a - 1, 1.0) : std::max(b + 2 * a - 1, 0.0); }},
      {18, [](double a, double b) { return pl(a, b); }},
      {19, [](double a, double b) { return pl(b, a); }},
      {20,
       [](double a, double b) {
         if (a >= 1) return b > 0 ? 1.0 : 0.0;
         if (a <= 0) return b >= 1 ? 1.0 : 0.0;
         return clamp01(a > 0.5 ? b / (2 * (1 - a)) : 1 - (1 - b) / (2 * a));
       }},
      {21, [](double a, double b) { return clamp01(2 * a - b); }},
      {24, [](double a, double b) { return 1 - std::abs(a + b - 1); }},
      {25,
       [](double a, double b) {
         return clamp01(1 - std::abs(4 * (a - 0.5) * (a - 0.5) - 4 * (b - 0.5) * (b - 0.5)));
       }},
      {26, [](double a, double b) { return std::abs(a - b); }},
      {27,
       [](double a, double b) {
         if (a < 0.5) return b * b * (1 - 2 * a) + 2 * a * b;
         // The upper half works on 8-bit forms: the source's complement and the ink.
         const double inverse = 255 - 256 * b, ink = 256 * a;
         const double n = (inverse * inverse / 256 * (ink - 130) + (258 - ink) * inverse) / 128;
         return (255 - n) / 256;
       }},
      {30, [](double a, double b) { return a >= 1 ? a : clamp01(b / (1 - a)); }},
      {31, [](double a, double b) { return clamp01((b - 1) / (a + 1.0 / 32768) + 1); }},
      {32, [](double a, double b) { return (1 - a) * b + a * a; }},
      {33, [](double a, double b) { return (a - b + 1) * b; }},
      {34, [](double a, double b) { return (b - a + 1) * a; }},
      {35, [](double a, double b) { return (1 - b) * a + b * b; }},
      {39, [](double a, double b) { return a * b * (2 - a * b); }},
      {40, [](double a, double b) { return pl(pl(b, a), pl(b, 1 - a)); }},
      {41, [](double a, double b) { return pl(pl(a, b), pl(a, 1 - b)); }},
      {42, [](double a, double b) { return pl(hl(b, a), 1 - hl(a, 1 - b)); }},
      {43, [](double a, double b) { return pl(hl(b, 1 - a), 1 - hl(1 - a, 1 - b)); }},
      {44, [](double a, double b) { return pl(hl(a, b), hl(b, a)); }},
      {45, [](double a, double b) { return pl(hl(b, a), hl(a, b)); }},
      {52, [](double a, double b) { return a + b > 1 ? 1.0 : 0.0; }},
      {58,
       [](double a, double b) {
         if (a > b) return b / (2 * a);
         return b > 0 ? 1 - a / (2 * b) : 1.0;
       }},
      {62, [](double a, double b) { return std::pow(1 - (1 - a) * (1 - b), 2); }},
      {64, [](double a, double b) { return b >= 1 ? 1.0 : std::min(a * a / (1 - b), 1.0); }},
      {65, [](double a, double b) { return a >= 1 ? 1.0 : std::min(b * b / (1 - a), 1.0); }},
      {66,
       [](double a, double b) {
         const double s = b >= 1 ? 1.0 : a * a * 0.5 / (1 - b);
         return s > 0.5 ? 1 - 0.25 / s : s;
       }},
      {67,
       [](double a, double b) {
         const double s = a >= 1 ? 1.0 : b * b * 0.5 / (1 - a);
         return s > 0.5 ? 1 - 0.25 / s : s;
       }},
      {68, [](double a, double b) { return a + b > 1 ? 2 - a - b : a + b; }},
      {69,
       [](double a, double b) {
         const double folded = a > 0.5 ? 1 - a : a;
         return b > 0.5 ? folded : 1 - folded;
       }},
  };
  return references;
}

// Modes computed on 8-bit forms of the operands are compared more loosely.
double toleranceFor(int mode) {
  if (mode == 20) return 3 * kByteStep;
  if (mode == 27) return 2 * kByteStep;
  return 4 * kStep;
}

TEST(BlendModes, PerChannelModesFollowTheirFormulasOverAGrid) {
  const auto grid = colourGrid();
  for (const auto& [mode, reference] : channelReferences())
    for (const Colour& a : grid)
      for (const Colour& b : grid) {
        const Colour out = blended(a, b, mode);
        const auto ac = channels(a), bc = channels(b);
        expectNear(out, {reference(ac[0], bc[0]), reference(ac[1], bc[1]), reference(ac[2], bc[2])},
                   toleranceFor(mode), a, b, mode);
        if (::testing::Test::HasFailure()) return;
      }
}

TEST(BlendModes, CompassModesMoveTheInkTowardsTheSourceByAnotherChannel) {
  auto towards = [](double from, double to, double weight) { return from + (to - from) * weight; };
  const auto grid = colourGrid();
  for (const Colour& a : grid)
    for (const Colour& b : grid) {
      const auto x = channels(a), y = channels(b);
      const std::map<int, std::array<double, 3>> want = {
          {48, {towards(x[0], y[0], x[1]), towards(x[1], y[1], x[2]), towards(x[2], y[2], x[0])}},
          {49, {towards(x[0], y[0], x[2]), towards(x[1], y[1], x[0]), towards(x[2], y[2], x[1])}},
          {50, {towards(x[0], y[0], y[1]), towards(x[1], y[1], y[2]), towards(x[2], y[2], y[0])}},
          {51, {towards(x[0], y[0], y[2]), towards(x[1], y[1], y[0]), towards(x[2], y[2], y[1])}}};
      for (const auto& [mode, expected] : want) expectNear(blended(a, b, mode), expected, 2 * kStep, a, b, mode);
      if (::testing::Test::HasFailure()) return;
    }
}

TEST(BlendModes, BrightAndDimPickTheWholeBrighterOrDarkerColour) {
  const Colour green = rgb(0.0f, 0.75f, 0.0f), blue = rgb(0.0f, 0.0f, 1.0f);
  // Green outweighs a full blue in the weighted sum.
  expectNear(blended(green, blue, 28), {0.0, 0.75, 0.0}, 0.0, green, blue, 28);
  expectNear(blended(blue, green, 28), {0.0, 0.75, 0.0}, 0.0, blue, green, 28);
  expectNear(blended(green, blue, 29), {0.0, 0.0, 1.0}, 0.0, green, blue, 29);
  // A tie goes to the ink either way.
  expectNear(blended(grey(0.5f), rgb(0.5f, 0.5f, 0.5f), 28), {0.5, 0.5, 0.5}, 0.0, grey(0.5f), grey(0.5f), 28);
  // Sums that differ only in the low byte tie, and a tie goes to the ink.
  const Colour justBrighter = rgb(0.5f, 0.5f, 0.5f + 2 * kStep);
  EXPECT_EQ(blended(grey(0.5f), justBrighter, 28).blue, 0.5f);
  EXPECT_EQ(blended(justBrighter, grey(0.5f), 29).blue, justBrighter.blue);
}

TEST(BlendModes, BitwiseModesWorkOnTheFixedPointNumbers) {
  EXPECT_FLOAT_EQ(blended(grey(0.75f), grey(0.5f), 36).red, 0.5f);
  EXPECT_FLOAT_EQ(blended(grey(0.5f), grey(0.25f), 37).green, 0.75f);
  EXPECT_FLOAT_EQ(blended(grey(0.75f), grey(0.5f), 38).blue, 0.25f);
  EXPECT_FLOAT_EQ(blended(grey(1.0f), grey(0.5f), 38).red, 1.5f) << "32768 ^ 16384 is not clamped";
}

TEST(BlendModes, NormalReproducesTheInk) {
  for (const Colour& a : colourGrid()) {
    const Colour out = blended(a, rgb(0.3f, 0.6f, 0.9f), 1);
    EXPECT_EQ(out.red, a.red);
    EXPECT_EQ(out.green, a.green);
    EXPECT_EQ(out.blue, a.blue);
    EXPECT_EQ(out.alpha, a.alpha);
  }
  // Channels are truncated to 1/32768 on the way through.
  EXPECT_FLOAT_EQ(blended(grey(0.3f), grey(0.0f), 1).red, std::floor(0.3f * 32768.0f) * kStep);
}

TEST(BlendModes, MultiplyKeepsTheSourceUnderWhiteInkAndBlackensUnderBlackInk) {
  const Colour source = rgb(0.25f, 0.5f, 0.875f);
  expectNear(blended(grey(1.0f), source, 9), {0.25, 0.5, 0.875}, 0.0, grey(1.0f), source, 9);
  expectNear(blended(grey(0.0f), source, 9), {0.0, 0.0, 0.0}, 0.0, grey(0.0f), source, 9);
}

TEST(BlendModes, DifferenceAndExclusionGiveTheSamePicture) {
  for (const Colour& a : colourGrid())
    for (float b : {0.0f, 0.1f, 0.37f, 0.5f, 0.83f, 1.0f}) {
      const Colour d = blended(a, grey(b), 4), e = blended(a, grey(b), 14);
      EXPECT_EQ(channels(d), channels(e));
    }
}

TEST(BlendModes, DodgeWithWhiteInkKeepsTheInkAndBurnWithBlackInkStaysFinite) {
  for (float b : {0.0f, 0.5f, 1.0f}) {
    EXPECT_EQ(blended(grey(1.0f), grey(b), 30).red, 1.0f);
    // (b - 1) / (0 + 1 step) + 1: black unless the source is white.
    EXPECT_EQ(blended(grey(0.0f), grey(b), 31).red, b == 1.0f ? 1.0f : 0.0f);
  }
}

TEST(BlendModes, StarbrightDividesTheInkByItsLargestChannel) {
  const Colour black = blended(rgb(0.0f, 0.0f, 0.0f, 1.0f), grey(0.7f), 63);
  EXPECT_EQ(black.red, 0.0f);
  EXPECT_EQ(black.green, 0.0f);
  EXPECT_EQ(black.blue, 0.0f);
  EXPECT_EQ(black.alpha, 0.0f) << "pure black ink is fully transparent";

  const Colour dim = blended(rgb(0.25f, 0.5f, 0.125f, 1.0f), grey(0.7f), 63);
  EXPECT_FLOAT_EQ(dim.red, 0.5f);
  EXPECT_FLOAT_EQ(dim.green, 1.0f);
  EXPECT_FLOAT_EQ(dim.blue, 0.25f);
  EXPECT_FLOAT_EQ(dim.alpha, 0.5f);

  const Colour over = blended(rgb(2.0f, 1.0f, 0.5f, 1.0f), grey(0.7f), 63);
  EXPECT_FLOAT_EQ(over.red, 2.0f) << "above 1 the largest channel is not divided out";
  EXPECT_FLOAT_EQ(over.alpha, 1.0f);
}

TEST(BlendModes, EveryOtherModeKeepsTheInksAlpha) {
  for (int mode = 0; mode <= 70; ++mode) {
    if (mode == 63) continue;
    EXPECT_EQ(blended(rgb(0.2f, 0.4f, 0.6f, 0.375f), rgb(0.9f, 0.1f, 0.5f, 0.8f), mode).alpha, 0.375f) << mode;
  }
}

TEST(BlendModes, OutOfRangeChannelsNeitherCrashNorLeakNaN) {
  const float odd[] = {-1.0f, 1e30f, std::nanf(""), -0.0f, 1.5f};
  for (int mode = 1; mode <= 69; ++mode)
    for (float x : odd)
      for (float y : odd) {
        const Colour out = blended(rgb(x, 0.5f, y), rgb(y, x, 0.5f), mode);
        for (float c : channels(out)) EXPECT_FALSE(std::isnan(c)) << "mode " << mode;
      }
}

// A plain double-cone colour model for the modes that match brightness.
struct Hsl {
  double h, s, l;
};
Hsl hslOf(const std::array<double, 3>& c) {
  const double hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
  const double l = (hi + lo) / 2, d = hi - lo;
  if (d <= 0) return {0, 0, l};
  const double s = l <= 0.5 ? d / (hi + lo) : d / (2 - hi - lo);
  double h = hi == c[0] ? (c[1] - c[2]) / d : hi == c[1] ? 2 + (c[2] - c[0]) / d : 4 + (c[0] - c[1]) / d;
  h /= 6;
  return {h < 0 ? h + 1 : h, s, l};
}
std::array<double, 3> rgbOf(const Hsl& x) {
  // Each channel is the lightness moved by up to half the chroma along a clipped zigzag of
  // the hue (in twelfths of a turn, red at 0, green at 8 and blue at 4 behind).
  const double half = x.s * std::min(x.l, 1 - x.l);
  std::array<double, 3> out{};
  const double shifts[3] = {0, 8, 4};
  for (std::size_t i = 0; i < 3; ++i) {
    const double k = std::fmod(shifts[i] + x.h * 12, 12.0);
    out[i] = x.l - half * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
  }
  return out;
}
double weighted(const std::array<double, 3>& c) { return 0.28 * c[0] + 0.52 * c[1] + 0.2 * c[2]; }
double pureBrightness(double h, double s) { return clamp01(weighted(rgbOf({h, s, 0.5}))); }
std::array<double, 3> atBrightness(double h, double s, double y) {
  const double q = pureBrightness(h, s);
  const double l = y <= 0 ? 0 : y >= 1 ? 1 : y > q ? (y - q) / (1 - q) * 0.5 + 0.5 : y / q * 0.5;
  return rgbOf({h, s, l});
}
double brightness(const Hsl& x) {
  const double q = pureBrightness(x.h, x.s);
  return x.l <= 0.5 ? 2 * x.l * q : (x.l - 0.5) * 2 * (1 - q) + q;
}
double lumaOf(const std::array<double, 3>& c) {
  return std::floor((77 * c[0] + 150 * c[1] + 28 * c[2]) * 32768 / 256) / 32768;
}
double midTone(double l) {
  const double t = 2 * l > 1 ? 2 - 2 * l : 2 * l;
  return 1 - std::pow(1 - t, 4);
}
double anchored(double a, double b, double anchor) {
  const double p = a * b;
  double m = p * (2 - p);
  if (anchor > 0.8) m += (anchor - 0.8) * 5 * (anchor - m);
  if (anchor < 0.2) m += (0.2 - anchor) * 5 * (anchor - m);
  return clamp01(m);
}

std::array<double, 3> colourModelReference(int mode, const std::array<double, 3>& a, const std::array<double, 3>& b) {
  const Hsl x = hslOf(a), y = hslOf(b);
  switch (mode) {
    case 15: return atBrightness(x.h, x.s, lumaOf(b));
    case 16: return atBrightness(y.h, y.s, lumaOf(a));
    case 22: return atBrightness(y.h, x.s, lumaOf(b));
    case 23: return atBrightness(x.h, y.s, lumaOf(b));
    case 46:
    case 47: {
      const double w = midTone(x.l) * (mode == 46 ? x.s : 1 - x.s);
      return {b[0] + (a[0] - b[0]) * w, b[1] + (a[1] - b[1]) * w, b[2] + (a[2] - b[2]) * w};
    }
    case 53: {
      const double turn = 2 * std::numbers::pi;
      const double w = midTone(x.l) * midTone(y.l);
      const double vx = x.s * std::cos(turn * x.h) * (1 - w) + y.s * std::cos(turn * y.h) * w;
      const double vy = x.s * std::sin(turn * x.h) * (1 - w) + y.s * std::sin(turn * y.h) * w;
      const double h = std::atan2(vy, vx) / turn;
      return rgbOf({h < 0 ? h + 1 : h, std::hypot(vx, vy), std::min(x.l, y.l)});
    }
    case 59: {
      const double ink = brightness(x), source = lumaOf(b);
      const double d = ink > source ? source / (2 * ink) : source > 0 ? 1 - ink / (2 * source) : 1;
      return atBrightness(x.h, x.s, std::min(d, 1.0));
    }
    case 60: return atBrightness(x.h, x.s, anchored(brightness(x), brightness(y), brightness(x)));
    case 61: return atBrightness(y.h, y.s, anchored(brightness(x), brightness(y), brightness(y)));
  }
  return {};
}

TEST(BlendModes, ColourModelModesMatchThePlainModel) {
  // Away from the exact midpoints, where a hue or a branch could flip on a rounding.
  const float levels[] = {0.0f, 0.2f, 0.45f, 0.7f, 0.95f};
  std::vector<Colour> grid;
  for (float r : levels)
    for (float g : levels)
      for (float b : levels) grid.push_back(rgb(r, g, b));
  for (int mode : {15, 16, 22, 23, 46, 47, 53, 59, 60, 61})
    for (const Colour& a : grid)
      for (const Colour& b : grid) {
        const auto ac = channels(a), bc = channels(b);
        const std::array<double, 3> ad{ac[0], ac[1], ac[2]}, bd{bc[0], bc[1], bc[2]};
        expectNear(blended(a, b, mode), colourModelReference(mode, ad, bd), 2e-3, a, b, mode);
        if (::testing::Test::HasFailure()) return;
      }
}

TEST(BlendModes, ColourModeOnGreyInkGivesAGreyOfTheSourcesLuma) {
  const Colour source = rgb(0.9f, 0.3f, 0.1f);
  const Colour out = blended(grey(0.4f), source, 15);
  const double luma = (77 * 0.9 + 150 * 0.3 + 28 * 0.1) / 256;
  expectNear(out, {luma, luma, luma}, 2 * kStep, grey(0.4f), source, 15);
}

TEST(BlendModes, LuminanceModeGivesTheSourcesHueAtTheInksBrightness) {
  const Colour source = rgb(0.8f, 0.2f, 0.2f);
  for (float ink : {0.1f, 0.5f, 0.9f}) {
    const auto out = channels(blended(grey(ink), source, 16));
    EXPECT_NEAR(0.28 * out[0] + 0.52 * out[1] + 0.2 * out[2], ink * 255.0 / 256.0, 1e-3) << ink;
    EXPECT_GT(out[0], out[1]) << ink;
    EXPECT_NEAR(out[1], out[2], 1e-5) << ink;
  }
}

TEST(BlendModes, OpponentModesKeepTheirNeutralInks) {
  const float steps[] = {0.25f, 0.5f, 0.75f};
  for (float r : steps)
    for (float g : steps)
      for (float b : steps) {
        const Colour source = rgb(r, g, b);
        // Lightness times 1 and the source's colour lit by a neutral one: the source again.
        expectNear(blended(grey(1.0f), source, 54), {r, g, b}, 3 * kByteStep, grey(1.0f), source, 54);
        // The screen of black and the source, with the same colour: the source again.
        expectNear(blended(grey(0.0f), source, 55), {r, g, b}, 3 * kByteStep, grey(0.0f), source, 55);
      }
  const Colour source = rgb(0.6f, 0.3f, 0.8f);
  expectNear(blended(grey(0.0f), source, 54), {0, 0, 0}, 0.0, grey(0.0f), source, 54);
  expectNear(blended(grey(1.0f), source, 55), {1, 1, 1}, 0.0, grey(1.0f), source, 55);
}

TEST(BlendModes, OccipitalAndLimbicLeaveGreysGrey) {
  for (int mode : {56, 57})
    for (float ink : {0.0f, 0.3f, 0.6f, 1.0f})
      for (float source : {0.0f, 0.5f, 1.0f}) {
        const auto out = channels(blended(grey(ink), grey(source), mode));
        EXPECT_NEAR(out[0], out[1], 2 * kByteStep) << mode << " " << ink << " " << source;
        EXPECT_NEAR(out[2], out[1], 2 * kByteStep) << mode << " " << ink << " " << source;
      }
  // The lightness follows pin light: a dark ink caps a light source at twice the ink.
  EXPECT_NEAR(blended(grey(0.25f), grey(1.0f), 56).green, 0.5, 2 * kByteStep);
  // Spin light: a light source lifts a dark ink to twice the source less one.
  EXPECT_NEAR(blended(grey(0.25f), grey(0.875f), 57).green, 0.75, 2 * kByteStep);
}

}  // namespace
}  // namespace qm
