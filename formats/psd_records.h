// SPDX-License-Identifier: LicenseRef-Quillmark
// The PSD file's records around the samples, each built whole in memory: the header, the
// colour mode data, the image resources, and the layer section in two pieces, the part
// before the layer's channel data and the part after it.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/psd_writer.h"

namespace qm::psd {

// One channel's samples of the layer, without its 2-byte compression field.
std::uint64_t channelBytes(const PsdPicture& picture);
// The layer section's length field, measured before anything is written: past 32 bits the
// format cannot hold the picture.
std::uint64_t layerSectionLength(const PsdPicture& picture);
// The composite's planes: red, green, blue, and for 16-bit samples also alpha.
int compositeChannelCount(int bytesPerChannel);

std::vector<std::uint8_t> header(const PsdPicture& picture);
std::vector<std::uint8_t> colourModeData(int bytesPerChannel);
// With its own 32-bit length; empty when a resource would be longer than 32 bits can count.
std::vector<std::uint8_t> imageResources(const PsdMetadata& metadata, int bytesPerChannel);

struct LayerSection {
  std::vector<std::uint8_t> beforeChannels;
  std::vector<std::uint8_t> afterChannels;
};
LayerSection layerSection(const PsdPicture& picture);

// The layer's channels in the order they are written: transparency, then red, green, blue,
// as indices into an RGBA pixel.
constexpr int kLayerChannels[4] = {3, 0, 1, 2};

}  // namespace qm::psd
