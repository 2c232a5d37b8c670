// SPDX-License-Identifier: LicenseRef-Quillmark
#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/jobs.h"

namespace qm {
namespace {

constexpr std::int64_t kMostTasks = std::numeric_limits<std::int32_t>::max();

std::int64_t ceilDiv(std::int64_t value, std::int64_t step) { return (value + step - 1) / step; }

// Extents are taken in 64 bits: a rectangle from -2^31 to 2^31 - 1 is valid input but
// wider than an int32.
std::int64_t extent(std::int32_t from, std::int32_t to) { return std::max<std::int64_t>(0, std::int64_t(to) - from); }

struct Cut {
  std::int64_t perRow;
  std::int64_t count;
};

// -1 tasks for a layout code we do not know.
Cut cutFor(std::int32_t layout, std::int64_t width, std::int64_t height) {
  switch (layout) {
    case tileMode: {
      const std::int64_t columns = ceilDiv(width, kJobTileSize);
      return {columns, columns * ceilDiv(height, kJobTileSize)};
    }
    case rowMode: return {1, height};
    case bandMode: return {1, ceilDiv(height, kJobBandSize)};
    case stripMode: {
      const std::int64_t strips = ceilDiv(width, kJobBandSize);
      return {strips, strips};
    }
    default: return {0, -1};
  }
}

// Rows (or columns) first .. first + size - 1 of an extent, the last piece taking the rest.
struct Span {
  std::int64_t from;
  std::int64_t to;
};
Span piece(std::int64_t index, std::int64_t size, std::int64_t whole) {
  return {index * size, std::min(index * size + size, whole)};
}

}  // namespace

JobLayout makeJobLayout(std::int32_t layout, const ImageRect& jobRect) {
  JobLayout result{};
  result.layout = layout;
  result.jobRect = jobRect;
  result.taskRect = {jobRect.top, jobRect.left, jobRect.top, jobRect.left};
  const std::int64_t width = extent(jobRect.left, jobRect.right);
  const std::int64_t height = extent(jobRect.top, jobRect.bottom);
  Cut cut = cutFor(layout, width, height);
  if (width > kMostTasks || height > kMostTasks || cut.count > kMostTasks) cut = {0, -1};
  if (cut.count > 0 && (width == 0 || height == 0)) cut.count = 0;
  result.width = std::int32_t(std::min(width, kMostTasks));
  result.height = std::int32_t(std::min(height, kMostTasks));
  result.tasksPerRow = std::int32_t(cut.perRow);
  result.taskCount = std::int32_t(cut.count);
  return result;
}

ImageRect taskRect(const JobLayout& layout, std::int32_t index) {
  Span rows{0, 0};
  Span columns{0, 0};
  if (index >= 0 && index < layout.taskCount) {
    switch (layout.layout) {
      case tileMode:
        rows = piece(index / layout.tasksPerRow, kJobTileSize, layout.height);
        columns = piece(index % layout.tasksPerRow, kJobTileSize, layout.width);
        break;
      case rowMode:
        rows = piece(index, 1, layout.height);
        columns = {0, layout.width};
        break;
      case bandMode:
        rows = piece(index, kJobBandSize, layout.height);
        columns = {0, layout.width};
        break;
      case stripMode:
        rows = {0, layout.height};
        columns = piece(index, kJobBandSize, layout.width);
        break;
      default: break;
    }
  }
  const std::int64_t top = layout.jobRect.top;
  const std::int64_t left = layout.jobRect.left;
  return {std::int32_t(top + rows.from), std::int32_t(left + columns.from), std::int32_t(top + rows.to),
          std::int32_t(left + columns.to)};
}

}  // namespace qm
