// SPDX-License-Identifier: LicenseRef-Quillmark
// Where a render's finished pixels go. The renderer knows no host: the document (or an
// image in memory, or the preview) is reached through these calls, all made on the
// calling thread, rows in any order within a band and bands in the order they finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/blend_modes.h"

namespace qm {

struct BandCell;
struct InkSamples;

// What the blend stage needs to know of the document.
struct DocumentLayout {
  std::int32_t sampleBytes;    // 1, 2 (0..32768) or 4 (float)
  std::int32_t colourPlanes;   // 1 grey, 3 red, green, blue
  std::uint8_t hasTransparency;  // an opacity plane follows the colour planes
};

struct RenderOutput {
  void* context;
  DocumentLayout layout;
  // Rows top..bottom - 1 (render coordinates) are about to be stored; false when the
  // document cannot take them (the render stops; the reason is the output's to keep).
  bool (*beginRows)(void* context, std::int32_t top, std::int32_t bottom);
  // The selection of `count` pixels from (x, y), 0..255 each; false when all of them are
  // fully selected (out untouched).
  bool (*maskRow)(void* context, std::int32_t x, std::int32_t y, std::int32_t count, std::uint8_t* out);
  // Stores `count` finished colours from (x, y). Each is red, green, blue and alpha as four
  // floats at the start of a record `stride` bytes long: a Colour or a band cell.
  void (*storeRow)(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
                   std::ptrdiff_t stride);
  // The user's stop and progress in thousandths; may be null.
  bool (*shouldAbort)(void* context);
  void (*progress)(void* context, std::int32_t done, std::int32_t total);
  // May be null. Stores `count` pixels from (x, y) whose colours follow from their ink alone:
  // cell i stores what `samples` holds for its ink (storeInkSamples), the same bytes
  // storeRow would store for the colour blended from it, without a colour in between.
  void (*storeInkRow)(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const BandCell* cells,
                      const InkSamples& samples) = nullptr;
};

// Colours into interleaved samples of the layout: 8-bit and 16-bit samples are
// round(channel x 255) and round(channel x 32768), floats as they are; a grey document
// takes the green channel; the opacity plane, when there is one, takes the alpha.
// Channels are expected within 0..1 (the blend stage holds them there).
void storeSamples(const DocumentLayout& layout, const void* colours, std::ptrdiff_t stride, std::int32_t count,
                  std::uint8_t* out, std::ptrdiff_t pixelBytes);

// The colour of one such record.
inline Colour colourAt(const void* colours, std::ptrdiff_t stride, std::int32_t i) {
  float c[4];
  std::memcpy(c, static_cast<const std::uint8_t*>(colours) + i * stride, sizeof c);
  return {c[0], c[1], c[2], c[3]};
}

}  // namespace qm
