// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend modes against plain real-valued versions of their formulas (and a plain colour
// model) over grids of inks and sources, plus what the grids do not reach: ties, bit
// patterns, starbright's alpha, the opponent modes' neutral inks, and the number handling.
// Then the opponent-colour model: round trips, the neutral axis, and colours outside the
// cube or the ranges. Last the blend stage around the modes: spilled highlights, the
// composite of see-through ink, the preview's checkerboard, the selection, the worker's
// blend in place against the row blend, and the stored samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <numbers>
#include <vector>

#include "render/blend_modes.h"
#include "render/blend_stage.h"
#include "render/ink_levels.h"
#include "render/opponent_colour.h"
#include "render/render_output.h"
#include "settings/ink_settings.h"

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

using Rgb = std::array<double, 3>;
Rgb channels(const Colour& c) { return {c.red, c.green, c.blue}; }

// Every colour whose channels are each one of the levels.
std::vector<Colour> colourGrid(std::initializer_list<float> levels = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f},
                               float alpha = 0.625f) {
  std::vector<Colour> grid;
  for (float r : levels)
    for (float g : levels)
      for (float b : levels) grid.push_back(rgb(r, g, b, alpha));
  return grid;
}

void expectNear(const Colour& got, const Rgb& want, double tolerance, const Colour& a, const Colour& b, int mode) {
  const auto c = channels(got);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(c[i], want[i], tolerance)
        << "mode " << mode << " channel " << i << " ink (" << a.red << ", " << a.green << ", " << a.blue << ") source ("
        << b.red << ", " << b.green << ", " << b.blue << ")";
}

// Real-valued forms of the per-channel modes, a the ink and b the source.
double hl(double x, double y) { return x < 0.5 ? 2 * x * y : 1 - 2 * (1 - x) * (1 - y); }
double pl(double x, double y) { return x < 0.5 ? std::min(y, 2 * x) : std::max(y, 2 * x - 1); }
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double softened(double s) { return s > 0.5 ? 1 - 0.25 / s : s; }
double squared(double v) { return v * v; }

using ChannelReference = std::function<double(double a, double b)>;

const std::map<int, ChannelReference>& channelReferences() {
  static const std::map<int, ChannelReference> references = {
      {1, [](double a, double) { return a; }},
      {2, [](double a, double b) { return b < 0.5 ? b * a + (1 - b) * b : (1 - b) * a + b * b; }},
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
      {25, [](double a, double b) { return clamp01(1 - std::abs(squared(2 * a - 1) - squared(2 * b - 1))); }},
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
      {58, [](double a, double b) { return a > b ? b / (2 * a) : (b > 0 ? 1 - a / (2 * b) : 1.0); }},
      {62, [](double a, double b) { return std::pow(1 - (1 - a) * (1 - b), 2); }},
      {64, [](double a, double b) { return b >= 1 ? 1.0 : std::min(a * a / (1 - b), 1.0); }},
      {65, [](double a, double b) { return a >= 1 ? 1.0 : std::min(b * b / (1 - a), 1.0); }},
      {66, [](double a, double b) { return softened(b >= 1 ? 1.0 : a * a * 0.5 / (1 - b)); }},
      {67, [](double a, double b) { return softened(a >= 1 ? 1.0 : b * b * 0.5 / (1 - a)); }},
      {68, [](double a, double b) { return a + b > 1 ? 2 - a - b : a + b; }},
      {69, [](double a, double b) { return b > 0.5 ? std::min(a, 1 - a) : 1 - std::min(a, 1 - a); }},
  };
  return references;
}

// Modes computed on 8-bit forms of the operands are compared more loosely.
double toleranceFor(int mode) { return mode == 20 ? 3 * kByteStep : (mode == 27 ? 2 * kByteStep : 4 * kStep); }

TEST(BlendModes, PerChannelModesFollowTheirFormulasOverAGrid) {
  const auto grid = colourGrid();
  for (const auto& [mode, reference] : channelReferences())
    for (const Colour& a : grid)
      for (const Colour& b : grid) {
        const Rgb x = channels(a), y = channels(b);
        const Rgb want = {reference(x[0], y[0]), reference(x[1], y[1]), reference(x[2], y[2])};
        expectNear(blended(a, b, mode), want, toleranceFor(mode), a, b, mode);
        if (::testing::Test::HasFailure()) return;
      }
}

// Single cases the grids do not reach: ties, bit patterns, the fixed point's truncation and
// starbright's division (which alone changes the alpha).
TEST(BlendModes, ExactCases) {
  const Colour green = rgb(0.0f, 0.75f, 0.0f), blue = rgb(0.0f, 0.0f, 1.0f);
  const Colour justBrighter = rgb(0.5f, 0.5f, 0.5f + 2 * kStep);
  const struct {
    int mode;
    Colour ink, source, want;
    const char* why;
  } cases[] = {
      {28, green, blue, green, "green outweighs a full blue in the weighted sum"},
      {28, blue, green, green, "whichever is the ink"},
      {29, green, blue, blue, "and dim picks the other"},
      {28, grey(0.5f), justBrighter, grey(0.5f), "sums that differ only in the low byte tie; a tie goes to the ink"},
      {29, justBrighter, grey(0.5f), justBrighter, "a tie goes to the ink"},
      {36, grey(0.75f), grey(0.5f), grey(0.5f), "and"},
      {37, grey(0.5f), grey(0.25f), grey(0.75f), "or"},
      {38, grey(0.75f), grey(0.5f), grey(0.25f), "xor"},
      {38, grey(1.0f), grey(0.5f), grey(1.5f), "32768 ^ 16384 is not clamped"},
      {1, grey(0.3f), grey(0.0f), grey(std::floor(0.3f * 32768.0f) * kStep), "truncated to 1/32768 on the way"},
      {63, grey(0.0f), grey(0.7f), grey(0.0f, 0.0f), "pure black ink is fully transparent"},
      {63, rgb(0.25f, 0.5f, 0.125f), grey(0.7f), rgb(0.5f, 1.0f, 0.25f, 0.5f), "divided by its largest channel"},
      {63, rgb(2.0f, 1.0f, 0.5f), grey(0.7f), rgb(2.0f, 1.0f, 0.5f), "above 1 the largest channel is not divided out"},
  };
  for (const auto& c : cases) {
    const Colour out = blended(c.ink, c.source, c.mode);
    EXPECT_FLOAT_EQ(out.red, c.want.red) << "mode " << c.mode << ": " << c.why;
    EXPECT_FLOAT_EQ(out.green, c.want.green) << "mode " << c.mode << ": " << c.why;
    EXPECT_FLOAT_EQ(out.blue, c.want.blue) << "mode " << c.mode << ": " << c.why;
    EXPECT_FLOAT_EQ(out.alpha, c.want.alpha) << "mode " << c.mode << ": " << c.why;
  }
}

// Every mode but starbright keeps the ink's alpha; channels outside 0..1 (and NaN) come out
// as numbers.
TEST(BlendModes, AlphaAndChannelsOutsideTheRange) {
  const float odd[] = {-1.0f, 1e30f, std::nanf(""), -0.0f, 1.5f};
  for (int mode = 0; mode <= 70; ++mode) {
    if (mode != 63) {
      EXPECT_EQ(blended(rgb(0.2f, 0.4f, 0.6f, 0.375f), rgb(0.9f, 0.1f, 0.5f, 0.8f), mode).alpha, 0.375f) << mode;
    }
    for (float x : odd)
      for (float y : odd)
        for (double c : channels(blended(rgb(x, 0.5f, y), rgb(y, x, 0.5f), mode)))
          EXPECT_FALSE(std::isnan(c)) << "mode " << mode;
  }
}

// A plain double-cone colour model for the modes that match brightness.
struct Hsl {
  double h, s, l;
};
Hsl hslOf(const Rgb& c) {
  const double hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
  const double l = (hi + lo) / 2, d = hi - lo;
  if (d <= 0) return {0, 0, l};
  const double s = l <= 0.5 ? d / (hi + lo) : d / (2 - hi - lo);
  double h = hi == c[0] ? (c[1] - c[2]) / d : hi == c[1] ? 2 + (c[2] - c[0]) / d : 4 + (c[0] - c[1]) / d;
  h /= 6;
  return {h < 0 ? h + 1 : h, s, l};
}
Rgb rgbOf(const Hsl& x) {
  // Each channel is the lightness moved by up to half the chroma along a clipped zigzag of
  // the hue (in twelfths of a turn, red at 0, green at 8 and blue at 4 behind).
  const double half = x.s * std::min(x.l, 1 - x.l);
  Rgb out{};
  const double shifts[3] = {0, 8, 4};
  for (std::size_t i = 0; i < 3; ++i) {
    const double k = std::fmod(shifts[i] + x.h * 12, 12.0);
    out[i] = x.l - half * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
  }
  return out;
}
double weighted(const Rgb& c) { return 0.28 * c[0] + 0.52 * c[1] + 0.2 * c[2]; }
double pureBrightness(double h, double s) { return clamp01(weighted(rgbOf({h, s, 0.5}))); }
Rgb atBrightness(double h, double s, double y) {
  const double q = pureBrightness(h, s);
  const double l = y <= 0 ? 0 : y >= 1 ? 1 : y > q ? (y - q) / (1 - q) * 0.5 + 0.5 : y / q * 0.5;
  return rgbOf({h, s, l});
}
double brightness(const Hsl& x) {
  const double q = pureBrightness(x.h, x.s);
  return x.l <= 0.5 ? 2 * x.l * q : (x.l - 0.5) * 2 * (1 - q) + q;
}
double lumaOf(const Rgb& c) { return std::floor((77 * c[0] + 150 * c[1] + 28 * c[2]) * 32768 / 256) / 32768; }
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

double towards(double from, double to, double weight) { return from + (to - from) * weight; }

// The modes that work on whole pixels: the colour models and the compass modes, which move
// each channel of the ink towards the source by another channel.
Rgb pixelReference(int mode, const Rgb& a, const Rgb& b) {
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
    case 48: return {towards(a[0], b[0], a[1]), towards(a[1], b[1], a[2]), towards(a[2], b[2], a[0])};
    case 49: return {towards(a[0], b[0], a[2]), towards(a[1], b[1], a[0]), towards(a[2], b[2], a[1])};
    case 50: return {towards(a[0], b[0], b[1]), towards(a[1], b[1], b[2]), towards(a[2], b[2], b[0])};
    case 51: return {towards(a[0], b[0], b[2]), towards(a[1], b[1], b[0]), towards(a[2], b[2], b[1])};
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

TEST(BlendModes, WholePixelModesMatchThePlainModel) {
  // Away from the exact midpoints, where a hue or a branch could flip on a rounding.
  const std::vector<Colour> grid = colourGrid({0.0f, 0.2f, 0.45f, 0.7f, 0.95f}, 1.0f);
  for (int mode : {15, 16, 22, 23, 46, 47, 48, 49, 50, 51, 53, 59, 60, 61})
    for (const Colour& a : grid)
      for (const Colour& b : grid) {
        const double tolerance = mode >= 48 && mode <= 51 ? 4 * kStep : 2e-3;  // compass modes in fixed point
        expectNear(blended(a, b, mode), pixelReference(mode, channels(a), channels(b)), tolerance, a, b, mode);
        if (::testing::Test::HasFailure()) return;
      }
}

// The opponent modes keep their neutral inks, and occipital and limbic leave greys grey.
TEST(BlendModes, OpponentModes) {
  for (const Colour& source : colourGrid({0.25f, 0.5f, 0.75f}, 1.0f)) {
    const Rgb want = channels(source);
    // Lightness times 1 and the source's colour lit by a neutral one: the source again.
    expectNear(blended(grey(1.0f), source, 54), want, 3 * kByteStep, grey(1.0f), source, 54);
    // The screen of black and the source, with the same colour: the source again.
    expectNear(blended(grey(0.0f), source, 55), want, 3 * kByteStep, grey(0.0f), source, 55);
  }
  const Colour source = rgb(0.6f, 0.3f, 0.8f);
  expectNear(blended(grey(0.0f), source, 54), {0, 0, 0}, 0.0, grey(0.0f), source, 54);
  expectNear(blended(grey(1.0f), source, 55), {1, 1, 1}, 0.0, grey(1.0f), source, 55);
  for (int mode : {56, 57})
    for (float ink : {0.0f, 0.3f, 0.6f, 1.0f})
      for (float under : {0.0f, 0.5f, 1.0f}) {
        const Rgb out = channels(blended(grey(ink), grey(under), mode));
        EXPECT_NEAR(out[0], out[1], 2 * kByteStep) << mode << " " << ink << " " << under;
        EXPECT_NEAR(out[2], out[1], 2 * kByteStep) << mode << " " << ink << " " << under;
      }
  // The lightness follows pin light: a dark ink caps a light source at twice the ink.
  EXPECT_NEAR(blended(grey(0.25f), grey(1.0f), 56).green, 0.5, 2 * kByteStep);
  // Spin light: a light source lifts a dark ink to twice the source less one.
  EXPECT_NEAR(blended(grey(0.25f), grey(0.875f), 57).green, 0.75, 2 * kByteStep);
}

// --- The opponent-colour model behind modes 54 to 57 ---

constexpr std::int32_t kOne = 32768;
constexpr std::int32_t kFixedByteStep = 128;  // one 8-bit step in fixed point, rounded down
constexpr std::int32_t kNeutral = 16448;      // 128 of 255

std::int32_t fromByte(int v) { return std::int32_t(v * kOne / 255); }

// The model's defining sums in fixed point: colours brought into the cube must keep their
// lightness and hue under them.
std::array<double, 3> exactOpponent(const ColourTriple& rgb) {
  const double r = rgb[0], g = rgb[1], b = rgb[2], half = kOne / 255.0 * 128.0;
  return {0.299 * r + 0.587 * g + 0.114 * b, half + (r - g) * 127.0 / 255.0, half + ((r + g) / 2 - b) * 127.0 / 255.0};
}

// Every 5th 8-bit level in each channel, and every 8-bit colour on the six faces (which
// hold the edges and corners): the colours whose neighbours reach outside the cube.
std::vector<ColourTriple> testColours() {
  std::vector<ColourTriple> colours;
  for (int r = 0; r <= 255; ++r)
    for (int g = 0; g <= 255; ++g)
      for (int b = 0; b <= 255; ++b) {
        const bool onAFace = r % 255 == 0 || g % 255 == 0 || b % 255 == 0;
        const bool onTheGrid = r % 5 == 0 && g % 5 == 0 && b % 5 == 0;
        if (onAFace || onTheGrid) colours.push_back({fromByte(r), fromByte(g), fromByte(b)});
      }
  return colours;
}

TEST(OpponentColour, RoundTripKeepsEveryColourWithinOneStep) {
  // Largest error measured over all 2^24 8-bit colours: 17 units, on the surface, where a
  // channel rounded just past 0 draws the colour a little toward grey.
  for (const ColourTriple& rgb : testColours()) {
    const ColourTriple back = fromOpponent(toOpponent(rgb));
    for (std::size_t c = 0; c < 3; ++c)
      ASSERT_LE(std::abs(back[c] - rgb[c]), kFixedByteStep)
          << rgb[0] << " " << rgb[1] << " " << rgb[2] << " channel " << c;
  }
}

TEST(OpponentColour, GreysSitOnTheNeutralAxisBothWays) {
  EXPECT_EQ(toOpponent({0, 0, 0}), (ColourTriple{0, kNeutral, kNeutral}));
  EXPECT_EQ(toOpponent({kOne, kOne, kOne}), (ColourTriple{kOne, kNeutral, kNeutral}));
  EXPECT_EQ(fromOpponent({0, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({kOne, kNeutral, kNeutral}), (ColourTriple{kOne, kOne, kOne}));
  for (std::int32_t v = 0; v <= kOne; v += 97) {
    const ColourTriple opponent = toOpponent({v, v, v});
    EXPECT_NEAR(opponent[0], v, 2) << v;
    EXPECT_NEAR(opponent[1], kNeutral, 1) << v;
    EXPECT_NEAR(opponent[2], kNeutral, 1) << v;
    for (std::int32_t c : fromOpponent({v, kNeutral, kNeutral})) EXPECT_NEAR(c, v, 2) << v;
  }
}

TEST(OpponentColour, ColoursBeyondTheCubeOrTheRangesKeepLightnessAndHue) {
  for (std::int32_t lightness : {2048, 8192, 16384, 24576, 30720})
    for (std::int32_t p : {0, 4096, kOne})
      for (std::int32_t q : {0, 28672, kOne}) {
        const ColourTriple back = fromOpponent({lightness, p, q});
        const std::array<double, 3> got = exactOpponent(back);
        EXPECT_NEAR(got[0], lightness, 3) << lightness << " " << p << " " << q;
        // Both colour components shrink by the same factor, toward neutral.
        const double shrinkP = (got[1] - kNeutral) / (p - kNeutral), shrinkQ = (got[2] - kNeutral) / (q - kNeutral);
        EXPECT_NEAR(shrinkP, shrinkQ, 0.01) << lightness << " " << p << " " << q;
        EXPECT_GT(shrinkP, 0.0);
        EXPECT_LT(shrinkP, 1.0);
        // As colourful as the cube allows: a channel sits on its surface.
        EXPECT_TRUE(std::any_of(back.begin(), back.end(), [](std::int32_t c) { return c == 0 || c == kOne; }));
      }
  EXPECT_EQ(fromOpponent({0, kOne, 0}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({kOne, 0, kOne}), (ColourTriple{kOne, kOne, kOne}));
  // Inputs past either end count as the end.
  EXPECT_EQ(toOpponent({-500, -1, -32768}), toOpponent({0, 0, 0}));
  EXPECT_EQ(toOpponent({40000, 32769, 1 << 30}), toOpponent({kOne, kOne, kOne}));
  EXPECT_EQ(fromOpponent({-7, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({99999, kNeutral, kNeutral}), (ColourTriple{kOne, kOne, kOne}));
  EXPECT_EQ(fromOpponent({16384, -9000, 1 << 20}), fromOpponent({16384, 0, kOne}));
}

// --- The blend stage around the modes ---

BlendStage stageFor(std::int32_t mode, std::int32_t target = kTargetHostImage) { return {mode, target, 0, 0, 0}; }

constexpr Colour kSource{0.6f, 0.3f, 0.1f, 1.0f};

// The four floats, bit for bit.
bool sameBits(const Colour& a, const Colour& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The excess e over 1.0 is shared out as e x 60 / 256.
TEST(BlendStage, SpilledLightGoesToTheChannelsBelowFull) {
  const struct {
    Colour in, want;
  } cases[] = {
      {{1.512f, 0.2f, 0.4f, 1}, {1.512f, 0.26f, 0.46f, 1}},     // 0.12 shared, half each
      {{1.256f, 0.5f, 1.256f, 1}, {1.256f, 0.62f, 1.256f, 1}},  // two over: all 0.12 to green
      // Blue goes past full with its half and passes its own excess on to red.
      {{0.4f, 2.0f, 0.98f, 1}, {0.4f + 60.0f / 512 + (0.98f + 60.0f / 512 - 1), 2.0f, 0.98f + 60.0f / 512, 1}},
      {{0.2f, 0.3f, 0.4f, 1}, {0.2f, 0.3f, 0.4f, 1}},  // none over
      {{1.5f, 1.2f, 1.1f, 1}, {1.5f, 1.2f, 1.1f, 1}},  // all three over
  };
  for (const auto& [in, want] : cases) {
    Colour out = in;
    spillHighlights(out);
    EXPECT_NEAR(out.red, want.red, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
    EXPECT_NEAR(out.green, want.green, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
    EXPECT_NEAR(out.blue, want.blue, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
  }
}

// A partial selection m lands the colour that part of the way from what lies under it: the
// source, or in the preview the checkerboard, which also shows through see-through ink.
TEST(BlendStage, SelectionAndPreviewCheckerboard) {
  const float m = 128.0f / 255.0f;
  const Colour half = blendInk(stageFor(1), {0, 0, 0, 1}, kSource, m, 0, 0);
  EXPECT_NEAR(half.red, kSource.red * (1 - m), 1e-6f);
  EXPECT_NEAR(half.green, kSource.green * (1 - m), 1e-6f);
  EXPECT_EQ(checkerboardGrey(0, 0), 1.0f);
  EXPECT_EQ(checkerboardGrey(8, 0), 0.8f);
  EXPECT_EQ(checkerboardGrey(8, 8), 1.0f);
  EXPECT_EQ(blendInk(stageFor(63, kTargetPreview), {0, 0, 0, 1}, kSource, 1.0f, 9, 1).green, 0.8f);
  const Colour unselected = blendInk(stageFor(1, kTargetPreview), {0, 0, 0, 1}, kSource, 0.0f, 3, 3);
  EXPECT_EQ(unselected.red, 1.0f);
  EXPECT_EQ(unselected.alpha, 1.0f);
}

// Every ink sample is one byte: ink and paper are 0 and 1 at every depth, the gray
// setting's values v / 255 in 8-bit documents and (v >> 1 | v << 7) / 32768 in 16-bit ones.
TEST(BlendStage, InkBytesAndTheirLevels) {
  for (std::int32_t depth : {kInk8, kInk16, kInkFloat}) {
    EXPECT_EQ(inkLevels(depth)[0], 0.0f) << depth;
    EXPECT_EQ(inkLevels(depth)[255], 1.0f) << depth;
    EXPECT_EQ(inkLevels(depth)[kNoInk], 1.0f) << "a cell no style wrote reads as paper";
  }
  EXPECT_EQ(inkLevels(kInk8)[51], 0.2f);
  EXPECT_EQ(inkLevels(kInkFloat)[51], 0.2f);
  EXPECT_EQ(inkLevels(kInk16)[128], 16448.0f / 32768.0f);  // 64 | 16384
  EXPECT_EQ(inkLevels(kInk16)[254], 32639.0f / 32768.0f);  // 127 | 32512
  const BlendStage stage{1, kTargetHostImage, 0, 0, 0, inkLevels(kInk16)};
  const Colour c = inkColour(stage, BandCell{0, 0, 128});
  EXPECT_TRUE(c.red == c.green && c.green == c.blue && c.red == inkLevels(kInk16)[128]);
  EXPECT_EQ(c.alpha, 1.0f);
}

// The band styles blend on their workers (without the selection) and the calling thread
// applies the host's selection; the row-mode styles blend the row on the calling thread.
// Both must store the same colours, and each what the pixel blend gives, over modes of every
// kind (plain, fixed point, colour model, starbright's alpha, numbers outside the list),
// inks, sources, selections, targets, documents and depths. Where a row needs no source, it
// blends the same without one.
TEST(BlendStage, WorkerAndCallingThreadBlendAlike) {
  const std::uint8_t inks[] = {0, 255, 128, 1, 254, 77};
  const Colour sources[] = {kSource, {0.2f, 0.7f, 0.9f, 0.4f}, {1, 1, 1, 0}, {0.5f, 0.5f, 0.5f, 1}};
  // Grey, colour, with transparency, float.
  const std::uint8_t documents[][3] = {{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}};
  constexpr std::int32_t kCount = std::int32_t(std::size(inks));
  constexpr std::int32_t kX = 5;  // the row crosses a square of the preview's checkerboard
  for (std::int32_t mode : {1, 9, 15, 63, 0, 70})
    for (std::int32_t target : {kTargetHostImage, kTargetPreview, kTargetMemoryImage})
      for (const auto& document : documents)
        for (std::int32_t depth : {kInk8, kInk16})
          for (std::int32_t selected : {-1, 0, 128, 255}) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << ", target " << target << ", document "
                                              << &document - documents << ", depth " << depth << ", selection "
                                              << selected);
            const BlendStage stage{mode, target, document[0], document[1], document[2], inkLevels(depth)};
            const std::int32_t y = 3;
            BandCell cells[kCount];
            Colour source[kCount];
            std::uint8_t selection[kCount];
            for (std::int32_t i = 0; i < kCount; ++i) {
              cells[i] = {0, 0, inks[i]};
              source[i] = sources[std::size_t(i) % std::size(sources)];
              selection[i] = std::uint8_t(selected);
            }
            const std::uint8_t* mask = selected < 0 ? nullptr : selection;
            Colour row[kCount];
            blendRow(stage, cells, source, mask, kCount, kX, y, row);
            const float m = mask ? float(selected) / 255.0f : 1.0f;
            for (std::int32_t i = 0; i < kCount; ++i) {
              const float level = inkLevels(depth)[inks[i]];
              EXPECT_TRUE(sameBits(row[i], blendInk(stage, grey(level), source[i], m, kX + i, y))) << i;
            }
            if (!rowNeedsSource(stage, mask != nullptr)) {
              Colour unread[kCount];
              blendRow(stage, cells, nullptr, mask, kCount, kX, y, unread);
              for (std::int32_t i = 0; i < kCount; ++i) EXPECT_TRUE(sameBits(unread[i], row[i])) << "unread " << i;
            }
            Colour band[kCount];
            blendRow(stage, cells, source, nullptr, kCount, kX, y, band);
            if (mask) selectInPlace(stage, band, source, mask, kCount, kX, y);
            for (std::int32_t i = 0; i < kCount; ++i) EXPECT_TRUE(sameBits(band[i], row[i])) << "band " << i;
          }
}

// Starbright's black is transparent: laid over the source on a document without
// transparency, kept as a hole on one with it. Float documents take the ink as it is, grey
// documents its luma.
TEST(BlendStage, DocumentKinds) {
  const Colour black{0.0f, 0.0f, 0.0f, 1.0f};
  const Colour onDocument = blendInk(stageFor(63), black, kSource, 1.0f, 0, 0);
  EXPECT_NEAR(onDocument.red, kSource.red, 1e-6f);
  EXPECT_NEAR(onDocument.blue, kSource.blue, 1e-6f);
  EXPECT_EQ(onDocument.alpha, 1.0f);
  const Colour kept = blendInk({63, kTargetHostImage, 0, 0, 1}, black, kSource, 1.0f, 0, 0);
  EXPECT_EQ(kept.alpha, 0.0f) << "a document with transparency keeps the hole";
  EXPECT_EQ(kept.red, 0.0f);
  const Colour bright = blendInk({9, kTargetHostImage, 1, 0, 0}, {3.0f, 70000.0f, 0.25f, 1.0f}, kSource, 1.0f, 0, 0);
  EXPECT_EQ(bright.red, 3.0f) << "no blend mode, no spill, light above 1 kept";
  EXPECT_EQ(bright.green, 65535.0f);
  const Colour luma = blendInk({1, kTargetHostImage, 0, 1, 0}, {1.0f, 0.0f, 0.0f, 1.0f}, kSource, 1.0f, 0, 0);
  EXPECT_NEAR(luma.green, float(std::int32_t(0.3f * 32768.0f)) / 32768.0f, 1e-6f);
}

TEST(BlendStage, StoredSamplesComeBackAsTheLevelsTheyStandFor) {
  const DocumentLayout eight{1, 3, 0};
  for (int v = 0; v <= 255; ++v) {
    // What an untouched 8-bit source level looks like after the blend's fixed point.
    const float level = float(std::int32_t(float(v) / 255.0f * 32768.0f)) / 32768.0f;
    const Colour c{level, level, level, 1.0f};
    std::uint8_t out[3];
    storeSamples(eight, &c, sizeof c, 1, out, 3);
    ASSERT_EQ(out[1], v);
  }
  const DocumentLayout greyWithOpacity16{2, 1, 1};
  const Colour c{0.0f, 0.5f, 2.0f, -1.0f};
  std::uint16_t wide[2];
  storeSamples(greyWithOpacity16, &c, sizeof c, 1, reinterpret_cast<std::uint8_t*>(wide), 4);
  EXPECT_EQ(wide[0], 16384) << "grey documents take green";
  EXPECT_EQ(wide[1], 0) << "held within the range";
}

}  // namespace
}  // namespace qm
