// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/render_output.h"

#include <cstring>

namespace qm {
namespace {

// Rounded rather than truncated: the blend's fixed point lands a hair below an 8-bit value
// (100 / 255 comes back as 99.998 / 255), and truncating would darken every untouched
// source pixel by one step.
// Held within range as integers, which compiles to conditional moves: ink and paper
// alternate at random, and a branch per sample would be mispredicted half the time. NaN
// and values past the int range convert to INT_MIN and end as 0; the blend stage hands
// over nothing above 1 anyway.
template <typename Sample>
Sample scaled(float value, float full) {
  std::int32_t v = std::int32_t(value * full + 0.5f);
  const std::int32_t top = std::int32_t(full);
  v = v < 0 ? 0 : v;
  v = v > top ? top : v;
  return Sample(v);
}

template <typename Sample>
void put(std::uint8_t* at, Sample value) {
  if constexpr (sizeof(Sample) == 1)
    *at = value;
  else
    std::memcpy(at, &value, sizeof value);  // host rows need not be aligned
}

template <typename Sample, bool kGrey, bool kOpacity>
void storeAs(const void* colours, std::ptrdiff_t stride, std::int32_t count, std::uint8_t* out,
             std::ptrdiff_t pixelBytes, float full) {
  constexpr std::size_t step = sizeof(Sample);
  for (std::int32_t i = 0; i < count; ++i, out += pixelBytes) {
    const Colour c = colourAt(colours, stride, i);
    if constexpr (kGrey) {
      put(out, scaled<Sample>(c.green, full));
    } else if (c.red == c.green && c.green == c.blue) {
      // Ink and most blends of it are grey: one conversion for the three samples.
      const Sample grey = scaled<Sample>(c.green, full);
      put(out, grey);
      put(out + step, grey);
      put(out + 2 * step, grey);
    } else {
      put(out, scaled<Sample>(c.red, full));
      put(out + step, scaled<Sample>(c.green, full));
      put(out + 2 * step, scaled<Sample>(c.blue, full));
    }
    if constexpr (kOpacity) put(out + (kGrey ? 1 : 3) * step, scaled<Sample>(c.alpha, full));
  }
}

template <typename Sample>
void storeAs(const DocumentLayout& layout, const void* colours, std::ptrdiff_t stride, std::int32_t count,
             std::uint8_t* out, std::ptrdiff_t pixelBytes, float full) {
  const bool grey = layout.colourPlanes < 3;
  if (grey && layout.hasTransparency)
    storeAs<Sample, true, true>(colours, stride, count, out, pixelBytes, full);
  else if (grey)
    storeAs<Sample, true, false>(colours, stride, count, out, pixelBytes, full);
  else if (layout.hasTransparency)
    storeAs<Sample, false, true>(colours, stride, count, out, pixelBytes, full);
  else
    storeAs<Sample, false, false>(colours, stride, count, out, pixelBytes, full);
}

void storeFloats(const DocumentLayout& layout, const void* colours, std::ptrdiff_t stride, std::int32_t count,
                 std::uint8_t* out, std::ptrdiff_t pixelBytes) {
  const bool grey = layout.colourPlanes < 3;
  for (std::int32_t i = 0; i < count; ++i, out += pixelBytes) {
    const Colour c = colourAt(colours, stride, i);
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

void storeSamples(const DocumentLayout& layout, const void* colours, std::ptrdiff_t stride, std::int32_t count,
                  std::uint8_t* out, std::ptrdiff_t pixelBytes) {
  switch (layout.sampleBytes) {
    case 1: storeAs<std::uint8_t>(layout, colours, stride, count, out, pixelBytes, 255.0f); break;
    case 2: storeAs<std::uint16_t>(layout, colours, stride, count, out, pixelBytes, 32768.0f); break;
    case 4: storeFloats(layout, colours, stride, count, out, pixelBytes); break;
    default: break;
  }
}

}  // namespace qm
