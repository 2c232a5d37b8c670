// SPDX-License-Identifier: LicenseRef-Quillmark
// The four dot textures of spots, netting and spiders: tileable 128 x 128 fields of
// irregular round dots, fine (146) to coarse (150), one byte per pixel, row after row.
//
// They are made here rather than stored: dot centres on a jittered grid of the torus, each
// with its own radius, and every pixel ranked by its distance to the nearest dot measured in
// that dot's radii. Low values sit at the dot centres, so a rising threshold grows round
// dots of different sizes until they merge. Distances wrap at 128, so the texture tiles
// without a seam. The arithmetic is integer only and each texture has a fixed seed, so the
// bytes are the same on every compiler and platform, and the same bytes are also stored as
// raw-data resources of the Windows plug-in (ids as below, type 10).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

constexpr std::int32_t kDotTextureSize = 128;
constexpr std::size_t kDotTextureBytes = std::size_t(kDotTextureSize) * kDotTextureSize;
constexpr std::array<std::int32_t, 4> kDotTextureIds = {146, 148, 149, 150};

// The texture's bytes (kDotTextureBytes, rows top to bottom); null for any other id.
// Built on first use, thread-safe, never freed.
const std::uint8_t* dotTexture(std::int32_t id);

}  // namespace qm
