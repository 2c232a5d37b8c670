// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/document_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "formats/psd_metadata.h"
#include "formats/psd_writer.h"
#include "platform/random_generator.h"
#include "settings/look_keywords.h"

namespace qm::ui {
namespace {

struct PictureOutput {
  RenderedPicture* picture;
  bool greyDocument;
  const PercentReport* report;
};

bool beginRows(void*, std::int32_t, std::int32_t) { return true; }

template <typename Sample>
void putSample(std::uint8_t* at, float channel, float full) {
  const Sample value = Sample(std::lround(std::clamp(channel, 0.0f, 1.0f) * full));
  std::memcpy(at, &value, sizeof value);
}

void putChannel(std::uint8_t* at, int bytes, float channel) {
  if (bytes == 4) {
    std::memcpy(at, &channel, 4);
  } else if (bytes == 2) {
    putSample<std::uint16_t>(at, channel, 32768.0f);
  } else {
    putSample<std::uint8_t>(at, channel, 255.0f);
  }
}

void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  const PictureOutput& out = *static_cast<PictureOutput*>(context);
  RenderedPicture& picture = *out.picture;
  const int bytes = picture.bytesPerChannel;
  std::uint8_t* row = picture.rgba.data() + (std::size_t(y) * std::size_t(picture.width) + std::size_t(x)) * 4 * bytes;
  for (std::int32_t i = 0; i < count; ++i, row += 4 * bytes) {
    const Colour c = colourAt(colours, stride, i);
    // A grey document's picture is its green channel, as the document stores it.
    const float channels[4] = {out.greyDocument ? c.green : c.red, c.green, out.greyDocument ? c.green : c.blue,
                               c.alpha};
    for (int k = 0; k < 4; ++k) putChannel(row + k * bytes, bytes, channels[k]);
  }
}

void progress(void* context, std::int32_t done, std::int32_t total) {
  const PictureOutput& out = *static_cast<PictureOutput*>(context);
  if (*out.report && total > 0) (*out.report)(int(std::int64_t(done) * 100 / total));
}

}  // namespace

RenderFailure renderWholeDocument(InkSettings& settings, RenderWorkingSet& working, const DocumentLayout& layout,
                                  std::uint32_t seed, RenderedPicture& picture, const PercentReport& report) {
  picture.bytesPerChannel = layout.sampleBytes == 4 || layout.sampleBytes == 2 ? layout.sampleBytes : 1;
  try {
    picture.rgba.assign(std::size_t(picture.width) * std::size_t(picture.height) * 4 *
                            std::size_t(picture.bytesPerChannel),
                        0);
  } catch (const std::bad_alloc&) {
    return kRenderImageMemory;
  }
  PictureOutput out{&picture, layout.colourPlanes < 3, &report};
  const RenderOutput output{&out, layout, beginRows, nullptr, storeRow, nullptr, progress};
  const std::uint32_t outside = randomState();
  seedRandom(seed);
  const RenderView view{picture.width, picture.height, kTargetMemoryImage, 1, 0, 0};
  const RenderFailure failure = renderImage(settings, working, view, output);
  releaseToneImages(working);
  seedRandom(outside);
  return failure;
}

int exportPsd(InkSettings& settings, RenderWorkingSet& working, DocumentAccess& document, std::uint32_t seed,
              const std::string& path, const PercentReport& report) {
  if (!document.loadSource(working)) return kPsdOutOfMemory;
  RenderedPicture picture;
  picture.width = document.width();
  picture.height = document.height();
  const DocumentLayout layout = document.layout();
  if (renderWholeDocument(settings, working, layout, seed, picture, report) != kRenderDone) return kPsdOutOfMemory;
  const PsdPicture psd{picture.width, picture.height, picture.bytesPerChannel, picture.rgba.data(),
                       std::ptrdiff_t(picture.width) * 4 * picture.bytesPerChannel};
  const PsdMetadata metadata{lookKeywords(settings.look, picture.bytesPerChannel), utcDateStamp(), {}};
  return writePsd(path, psd, metadata);
}

}  // namespace qm::ui
