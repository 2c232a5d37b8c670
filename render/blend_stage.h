// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend stage: every ink sample of a finished band is combined with its source pixel
// under the blend mode, limited by the selection, and handed to the render's output.
//
// Per pixel: the ink's alpha is raised by 0.7 % and held within 0..1 (so a nearly opaque
// sample counts as opaque), negative ink channels become 0, light over 1.0 spills into
// the other channels (spillHighlights); grey documents blend the ink's luma; then the blend
// mode. Where the result is not opaque and the host document has no transparency to show
// it, it is laid over the source. The preview lays it over a checkerboard instead. A
// partial selection m gives source + (result - source) x m. Float documents take the ink as
// it is (channels capped at 65535): their light is not limited to 1.0, so neither the
// blend modes' fixed point nor the spill applies.
#pragma once

#include <cstdint>

#include "render/band.h"
#include "render/blend_modes.h"

namespace qm {

struct BlendStage {
  std::int32_t mode;          // a blend mode number (blend_mode_registry.h)
  std::int32_t target;        // RenderTarget
  std::uint8_t floatDocument;
  std::uint8_t greyDocument;  // fewer than three colour planes
  std::uint8_t hasTransparency;
  const float* inkLevels = nullptr;  // the ink bytes' levels at the document's depth; null: 8-bit
};

// The colour of a cell's ink sample: its level in all three channels, opaque.
Colour inkColour(const BlendStage& stage, const BandCell& cell);

// Light above 1.0 in one or two channels goes to the others: with e the sum of the
// excesses, k = e x 60 / 256 is shared out (halves to the two others when one channel is
// over, all to the third when two are), and what that pushes over 1.0 moves on once more.
// Nothing happens when no channel or all three are over.
void spillHighlights(Colour& colour);

// The grey of the preview's 8 x 8 checkerboard at (x, y): 1.0 or 0.8.
float checkerboardGrey(std::int32_t x, std::int32_t y);

// The blend before the selection: the colour over what lies under it (the source, or the
// preview's checkerboard).
Colour blendUnselected(const BlendStage& stage, const Colour& ink, const Colour& source, std::int32_t x,
                       std::int32_t y);
// The selection m (0..1) over such a colour: under + (colour - under) x m.
Colour applySelection(const BlendStage& stage, const Colour& colour, const Colour& source, float selection,
                      std::int32_t x, std::int32_t y);

// One pixel: the ink, its source colour and the selection (0..1) to the colour to store.
Colour blendInk(const BlendStage& stage, const Colour& ink, const Colour& source, float selection, std::int32_t x,
                std::int32_t y);

// Whether a fully selected row's colours follow from its ink alone, each ink value giving
// one colour wherever it lies: outside the preview, "normal" on 8- and 16-bit documents and
// every mode on float ones.
bool inkAloneDecides(const BlendStage& stage);

// Whether the blend of a row reads its source colours. Every ink sample is an opaque grey
// within 0..1, which under "normal" is its own result, and float documents take the ink as
// it is under every mode; so fully selected rows of those, outside the preview, need none.
bool rowNeedsSource(const BlendStage& stage, bool partlySelected);

// `count` pixels from (x, y): ink cells, their source colours and the selection bytes
// (null: all selected) into `out`. `source` may be null when rowNeedsSource says so.
void blendRow(const BlendStage& stage, const BandCell* ink, const Colour* source, const std::uint8_t* selection,
              std::int32_t count, std::int32_t x, std::int32_t y, Colour* out);

// The selection m (0..1 as bytes) over blended colours in place, so that a band's blend can
// run on the worker that rendered it and only the selection, which comes from the host, on
// the calling thread: blendRow without a selection and then this give what blendRow with
// it gives.
void selectInPlace(const BlendStage& stage, Colour* colours, const Colour* source, const std::uint8_t* selection,
                   std::int32_t count, std::int32_t x, std::int32_t y);

}  // namespace qm
