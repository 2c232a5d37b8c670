// SPDX-License-Identifier: LicenseRef-Quillmark
// Rectangles and points of the host record, in 32-bit coordinates when the host offers its
// big-document block and in its 16-bit fields otherwise (sign-extended when read,
// truncated when written). Rectangles are top, left, bottom, right with bottom and right
// exclusive; points are vertical, then horizontal.
#pragma once

#include "host/plugin_interface.h"

namespace qm {

// True when rectangles travel through the 32-bit block. Telling the host so (its first
// field) is part of using it: hosts read the 32-bit fields only from filters that set it.
bool uses32BitCoordinates(const pi::FilterRecord& record);
void announce32BitCoordinates(pi::FilterRecord& record);

pi::VPoint getImageSize(const pi::FilterRecord& record);
pi::VRect getFilterRect(const pi::FilterRecord& record);
pi::VRect getInRect(const pi::FilterRecord& record);
pi::VRect getOutRect(const pi::FilterRecord& record);
pi::VRect getMaskRect(const pi::FilterRecord& record);
pi::VPoint getFloatCoord(const pi::FilterRecord& record);
pi::VPoint getWholeSize(const pi::FilterRecord& record);
void setInRect(pi::FilterRecord& record, const pi::VRect& rect);
void setOutRect(pi::FilterRecord& record, const pi::VRect& rect);
void setMaskRect(pi::FilterRecord& record, const pi::VRect& rect);

inline std::int32_t rectWidth(const pi::VRect& r) { return r.right - r.left; }
inline std::int32_t rectHeight(const pi::VRect& r) { return r.bottom - r.top; }
inline bool rectEmpty(const pi::VRect& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace qm
