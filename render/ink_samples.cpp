// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/ink_samples.h"

#include <cstring>

namespace qm {
namespace {

// A pixel's stored bytes as one copy of a size the compiler knows.
template <std::int32_t kBytes>
void storeEach(const InkSamples& samples, const BandCell* cells, std::int32_t count, std::uint8_t* out,
               std::ptrdiff_t pixelBytes) {
  for (std::int32_t i = 0; i < count; ++i, out += pixelBytes) std::memcpy(out, samples.of(cells[i].ink), kBytes);
}

}  // namespace

bool makeInkSamples(const BlendStage& stage, const DocumentLayout& layout, InkSamples& samples) {
  if (!inkAloneDecides(stage) || (layout.sampleBytes != 1 && layout.sampleBytes != 2 && layout.sampleBytes != 4))
    return false;
  const std::int32_t channels = (layout.colourPlanes < 3 ? 1 : 3) + (layout.hasTransparency ? 1 : 0);
  samples.storedBytes = channels * layout.sampleBytes;
  BandCell cells[kNoInk + 1] = {};
  for (std::uint16_t ink = 0; ink <= kNoInk; ++ink) cells[ink].ink = ink;
  Colour colours[kNoInk + 1];
  blendRow(stage, cells, nullptr, nullptr, kNoInk + 1, 0, 0, colours);
  storeSamples(layout, colours, sizeof(Colour), kNoInk + 1, samples.bytes, InkSamples::kMostStoredBytes);
  return true;
}

void storeInkSamples(const InkSamples& samples, const BandCell* cells, std::int32_t count, std::uint8_t* out,
                     std::ptrdiff_t pixelBytes) {
  switch (samples.storedBytes) {
    case 1: storeEach<1>(samples, cells, count, out, pixelBytes); break;
    case 2: storeEach<2>(samples, cells, count, out, pixelBytes); break;
    case 3: storeEach<3>(samples, cells, count, out, pixelBytes); break;
    case 4: storeEach<4>(samples, cells, count, out, pixelBytes); break;
    case 6: storeEach<6>(samples, cells, count, out, pixelBytes); break;
    case 8: storeEach<8>(samples, cells, count, out, pixelBytes); break;
    case 12: storeEach<12>(samples, cells, count, out, pixelBytes); break;
    case 16: storeEach<16>(samples, cells, count, out, pixelBytes); break;
    default: break;
  }
}

}  // namespace qm
