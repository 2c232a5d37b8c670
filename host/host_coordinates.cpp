// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/host_coordinates.h"

namespace qm {
namespace {

pi::VRect widen(const pi::Rect16& r) { return {r.top, r.left, r.bottom, r.right}; }
pi::VPoint widen(const pi::Point16& p) { return {p.v, p.h}; }
pi::Rect16 narrow(const pi::VRect& r) {
  return {pi::int16(r.top), pi::int16(r.left), pi::int16(r.bottom), pi::int16(r.right)};
}

}  // namespace

bool uses32BitCoordinates(const pi::FilterRecord& record) {
  return record.bigDocumentData && record.bigDocumentData->PluginUsing32BitCoordinates != 0;
}

void announce32BitCoordinates(pi::FilterRecord& record) {
  if (record.bigDocumentData) record.bigDocumentData->PluginUsing32BitCoordinates = 1;
}

pi::VPoint getImageSize(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->imageSize32 : widen(record.imageSize);
}

pi::VRect getFilterRect(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->filterRect32 : widen(record.filterRect);
}

pi::VRect getInRect(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->inRect32 : widen(record.inRect);
}

pi::VRect getOutRect(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->outRect32 : widen(record.outRect);
}

pi::VRect getMaskRect(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->maskRect32 : widen(record.maskRect);
}

pi::VPoint getFloatCoord(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->floatCoord32 : widen(record.floatCoord);
}

pi::VPoint getWholeSize(const pi::FilterRecord& record) {
  return uses32BitCoordinates(record) ? record.bigDocumentData->wholeSize32 : widen(record.wholeSize);
}

void setInRect(pi::FilterRecord& record, const pi::VRect& rect) {
  if (uses32BitCoordinates(record))
    record.bigDocumentData->inRect32 = rect;
  else
    record.inRect = narrow(rect);
}

void setOutRect(pi::FilterRecord& record, const pi::VRect& rect) {
  if (uses32BitCoordinates(record))
    record.bigDocumentData->outRect32 = rect;
  else
    record.outRect = narrow(rect);
}

void setMaskRect(pi::FilterRecord& record, const pi::VRect& rect) {
  if (uses32BitCoordinates(record))
    record.bigDocumentData->maskRect32 = rect;
  else
    record.maskRect = narrow(rect);
}

}  // namespace qm
