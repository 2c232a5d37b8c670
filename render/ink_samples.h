// SPDX-License-Identifier: LicenseRef-Quillmark
// Rows whose colours follow from their ink alone ("normal" on 8- and 16-bit documents, the
// default look, and every look of a float document) are stored straight from the ink: each of the 257 ink values stands for one
// colour, so the bytes that colour stores as are worked out once a render, by the blend and
// the store themselves, and a row is stored by looking its inks up. Nothing in between is
// made of floats, which took most of the delivery's time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/band.h"
#include "render/blend_stage.h"
#include "render/render_output.h"

namespace qm {

struct InkSamples {
  // The most a pixel stores: four float samples.
  static constexpr std::int32_t kMostStoredBytes = 16;
  std::int32_t storedBytes = 0;  // of each pixel's record, from its start
  std::uint8_t bytes[(kNoInk + 1) * kMostStoredBytes] = {};

  // What ink value `ink` stores as (past kNoInk as paper, as the blend takes it).
  const std::uint8_t* of(std::uint16_t ink) const {
    return bytes + std::size_t(ink < kNoInk ? ink : kNoInk) * kMostStoredBytes;
  }
};

// The stored bytes of every ink value for a blend whose rows follow from their ink alone
// (inkAloneDecides) and a document of 8-bit, 16-bit or float samples; false for any other.
bool makeInkSamples(const BlendStage& stage, const DocumentLayout& layout, InkSamples& samples);

// The inks of `count` cells as `samples` stores them, one pixel every `pixelBytes` bytes
// from `out` (the bytes of a pixel past the stored ones stay as they are).
void storeInkSamples(const InkSamples& samples, const BandCell* cells, std::int32_t count, std::uint8_t* out,
                     std::ptrdiff_t pixelBytes);

}  // namespace qm
