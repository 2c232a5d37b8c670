// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own artwork for the about box, drawn by code so that the pictures in the library are
// reproducible from the source: a quill over cross-hatched ink strokes and a rising sun,
// and a small mark (a nib over the sun) with its transparency mask.
#pragma once

#include <vector>

#include "resources/ink_canvas.h"

namespace qm::resources {

constexpr int kAboutPictureWidth = 320;
constexpr int kAboutPictureHeight = 120;
constexpr int kMarkSize = 48;

RgbImage drawAboutPicture();

// The mark's image is black wherever the mask is white, so a host can lay it over any
// background by AND-ing the mask and OR-ing the image.
struct AboutMark {
  RgbImage image;
  std::vector<bool> maskWhite;  // one flag per pixel, rows top to bottom; white = background
};
AboutMark drawAboutMark();

}  // namespace qm::resources
