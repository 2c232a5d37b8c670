// SPDX-License-Identifier: LicenseRef-Quillmark
// Tone preparation: the one number per pixel that every style screens (the sharpened
// grey S, 0..255) and the local average beside it (the blurred grey B).
//
// Grey of a pixel: (19 (R + 2 G) + 7 B) >> 6, weights 19/64, 38/64 and 7/64, on the tone
// image's own samples; 16-bit greys (0..32768) are brought to 0..255 by
// min(((g + 1) >> 7) & 511, 255). The sharpened grey is an unsharp mask,
// S = g - ((B - g) x A) / 256 with the division truncating and S held within 0..255, where
// A = sharpen x 1024 / 100: sharpen 100 amplifies the difference from the local mean
// fourfold, sharpen 0 leaves the grey alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/box_blur.h"
#include "render/render_state.h"
#include "render/style_row.h"

namespace qm {

// Grey of 8-bit channels, and of 16-bit channels (0..32768) already brought to 0..255.
constexpr std::int32_t grey8(std::int32_t r, std::int32_t g, std::int32_t b) { return (19 * (r + 2 * g) + 7 * b) >> 6; }
constexpr std::int32_t grey16(std::int32_t r, std::int32_t g, std::int32_t b) {
  const std::int32_t grey = ((19 * (r + 2 * g) + 7 * b) >> 6);
  const std::int32_t scaled = ((grey + 1) >> 7) & 511;
  return scaled < 255 ? scaled : 255;
}
constexpr std::int32_t sharpenedTone(std::int32_t grey, std::int32_t blurred, std::int32_t amount) {
  const std::int32_t s = grey - ((blurred - grey) * amount) / 256;
  return s < 0 ? 0 : (s > 255 ? 255 : s);
}

// A float document's light as the 16-bit sample (0..32768) its tone is taken from: held
// within 0..1 first, and a sample that is not a number reads as 0.
inline std::uint16_t toneSample(float light) {
  return light > 0.0f ? std::uint16_t((light < 1.0f ? light : 1.0f) * 32768.0f) : std::uint16_t(0);
}

// toneSample of `count` floats from `floats` (any alignment) into `out`, several at once
// where the processor has vectors.
void toneSamplesOf(const void* floats, std::size_t count, std::uint16_t* out);

// The grey of each of `count` pixels laid out as Rgba8 words, or as four 16-bit samples
// (0..32768) when sixteenBit, into bytes: the greys the tone takes of such pixels.
void greysOfPixels(const void* pixels, std::int32_t count, bool sixteenBit, std::uint8_t* out);
// The same into row y of level 0 of a Gray8 image, columns left .. left + count - 1.
void storeGreys(ImageBuffer& greys, std::int32_t y, std::int32_t left, std::int32_t count, const void* pixels,
                bool sixteenBit);
// A blur's sink that keeps the grey of each blurred pixel in `greys` (storeGreys), the one
// number the tone reads of it.
BlurredRowSink greySink(ImageBuffer& greys, bool sixteenBit);

// The cells of `count` pixels from their greys and blurred greys: S, B and no ink yet.
void fillToneCells(const std::uint8_t* grey, const std::uint8_t* mean, std::int32_t count, std::int32_t amount,
                   BandCell* cells);

// S at render column x and row y, with B through `blurred` (may be null).
std::int32_t sampleTone(const ToneSource& source, std::int32_t x, std::int32_t y, std::int32_t* blurred);

// S and B of the context's row for columns first..last into the row's band cells
// (tone and blurred), for toneAt and blurredToneAt.
void fillToneRow(StyleRowContext& context);

}  // namespace qm
