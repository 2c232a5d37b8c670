// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own cursors over the preview: an open hand while the pointer rests there, a closed
// one while the view is dragged. White hands with an ink outline, so they show on any
// picture; the hotspot is the middle of the palm.
#pragma once

#include "resources/icon_file.h"

namespace qm::resources {

enum class HandPose { Open, Grabbing };

// 32 and 48 pixels are the usual cursor sizes at 100 % and 150 % scaling.
CursorImage drawHandCursor(HandPose pose, int size);

// The hand drawn into another picture, in the square at `topLeft`, `size` pixels wide.
void paintHand(InkCanvas& canvas, HandPose pose, Point topLeft, float size);

}  // namespace qm::resources
