// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/render_output.h"

#include <cstring>

namespace qm {
namespace {

// Rounded rather than truncated: the blend's fixed point lands a hair below an 8-bit value
// (100 / 255 comes back as 99.998 / 255), and truncating would darken every untouched
// source pixel by one step.
// Written to compile without branches: ink and paper alternate at random, and a branch
// per sample would be mispredicted half the time.
template <typename Sample>
Sample scaled(float value, float full) {
  float v = value * full + 0.5f;
  v = v > 0.0f ? v : 0.0f;  // NaN too
  v = v < full ? v : full;
  return Sample(v);
}

template <typename Sample, bool kGrey, bool kOpacity>
void storeAs(const Colour* colours, std::int32_t count, std::uint8_t* out, std::ptrdiff_t pixelBytes, float full) {
  for (std::int32_t i = 0; i < count; ++i, out += pixelBytes) {
    const Colour& c = colours[i];
    Sample samples[4];
    int n = 0;
    if constexpr (kGrey) {
      samples[n++] = scaled<Sample>(c.green, full);
    } else {
      samples[n++] = scaled<Sample>(c.red, full);
      samples[n++] = scaled<Sample>(c.green, full);
      samples[n++] = scaled<Sample>(c.blue, full);
    }
    if constexpr (kOpacity) samples[n++] = scaled<Sample>(c.alpha, full);
    std::memcpy(out, samples, sizeof(Sample) * std::size_t(n));
  }
}

template <typename Sample>
void storeAs(const DocumentLayout& layout, const Colour* colours, std::int32_t count, std::uint8_t* out,
             std::ptrdiff_t pixelBytes, float full) {
  const bool grey = layout.colourPlanes < 3;
  if (grey && layout.hasTransparency)
    storeAs<Sample, true, true>(colours, count, out, pixelBytes, full);
  else if (grey)
    storeAs<Sample, true, false>(colours, count, out, pixelBytes, full);
  else if (layout.hasTransparency)
    storeAs<Sample, false, true>(colours, count, out, pixelBytes, full);
  else
    storeAs<Sample, false, false>(colours, count, out, pixelBytes, full);
}

void storeFloats(const DocumentLayout& layout, const Colour* colours, std::int32_t count, std::uint8_t* out,
                 std::ptrdiff_t pixelBytes) {
  const bool grey = layout.colourPlanes < 3;
  for (std::int32_t i = 0; i < count; ++i, out += pixelBytes) {
    const Colour& c = colours[i];
    float samples[4];
    int n = 0;
    if (grey) {
      samples[n++] = c.green;
    } else {
      samples[n++] = c.red;
      samples[n++] = c.green;
      samples[n++] = c.blue;
    }
    if (layout.hasTransparency) samples[n++] = c.alpha;
    std::memcpy(out, samples, sizeof(float) * std::size_t(n));
  }
}

}  // namespace

void storeSamples(const DocumentLayout& layout, const Colour* colours, std::int32_t count, std::uint8_t* out,
                  std::ptrdiff_t pixelBytes) {
  switch (layout.sampleBytes) {
    case 1: storeAs<std::uint8_t>(layout, colours, count, out, pixelBytes, 255.0f); break;
    case 2: storeAs<std::uint16_t>(layout, colours, count, out, pixelBytes, 32768.0f); break;
    case 4: storeFloats(layout, colours, count, out, pixelBytes); break;
    default: break;
  }
}

}  // namespace qm
