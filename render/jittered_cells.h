// SPDX-License-Identifier: LicenseRef-Quillmark
// The jittered cells of shards and bubbles. Pattern space is cut into cells of 32 units;
// each cell's centre is moved by a jitter of 0..31 in x and y taken from the random bytes
// of the wave table, W[0..1023]. A point is described by its cell (cx, cy), chosen so that
// the local position (lx, ly) lies in 16..47, and it belongs to the nearest of the four
// centres of the cells (cx, cy) to (cx + 1, cy + 1).
//
// Bound on the distance: in each quadrant of 16..47 one of the four centres lies within 31
// units in both directions (below 32 it is the cell's own, from 32 on the next one's), so
// the squared distance to the nearest centre never exceeds 2 x 31 x 31 = 1922 and the ring
// table W[2048 + d] of bubbles is never read past its end.
#pragma once

#include <algorithm>
#include <cstdint>

namespace qm {

constexpr std::int32_t kCellJitterMask = 1023;
constexpr std::int32_t kLargestCellDistance = 2 * 31 * 31;

// A pattern coordinate (column or row, before the scale shift) in cell units: the cell, and
// the place inside it, 16..47 for any coordinate, negative ones included.
struct CellCoordinate {
  std::int64_t cell;
  std::int32_t local;
};
inline CellCoordinate cellCoordinate(std::int32_t pattern, std::int32_t shift) {
  const std::int64_t units = std::int64_t(pattern) * (std::int64_t(1) << shift);
  const std::int64_t cell = (units - 16) >> 5;
  return CellCoordinate{cell, std::int32_t(units - 32 * cell)};
}

// The seven jitters of the four centres round (cx, cy); the far corner uses one value for
// both directions.
struct CellJitter {
  std::int32_t x00, y00, x10, y10, x01, y01, corner;
};

// The nearest centre: squared distance, and which of the four cells (0 or 1 in each
// direction, added to cx and cy).
struct NearestCell {
  std::int32_t distance;
  std::int32_t dx;
  std::int32_t dy;
};

// Indices are formed in unsigned arithmetic: only their low ten bits matter, and far-out
// or negative cells must not overflow.
inline std::int32_t jitterAt(const std::int16_t* w, std::uint32_t index) {
  return w[index & std::uint32_t(kCellJitterMask)] & 31;
}

// The jitters of the cell columns of one row, left to right: the next column's jitters
// for its own centre are this column's for the centre to its right, so each column reads
// five new ones.
class CellColumnWalk {
 public:
  CellColumnWalk(const std::int16_t* w, std::int64_t cx, std::int64_t cy)
      : w_(w), along_(17 * std::uint32_t(cx) + 27 * std::uint32_t(cy)),
        down_(19 * std::uint32_t(cx) + 37 * std::uint32_t(cy)), x00_(jitterAt(w, along_)), y00_(jitterAt(w, down_)) {}

  // The same as cellJitter for the current column.
  CellJitter jitter() const {
    return CellJitter{x00_,
                      y00_,
                      jitterAt(w_, along_ + 17),
                      jitterAt(w_, down_ + 19),
                      jitterAt(w_, along_ + 27),
                      jitterAt(w_, down_ + 37),
                      jitterAt(w_, along_ + 44)};
  }
  // On to the next column; `current` is what jitter() gave for this one.
  void advance(const CellJitter& current) {
    x00_ = current.x10;
    y00_ = current.y10;
    along_ += 17;
    down_ += 19;
  }

 private:
  const std::int16_t* w_;
  std::uint32_t along_;  // 17 cx + 27 cy
  std::uint32_t down_;   // 19 cx + 37 cy
  std::int32_t x00_;
  std::int32_t y00_;
};

inline CellJitter cellJitter(const std::int16_t* w, std::int64_t cx, std::int64_t cy) {
  const std::uint32_t x = std::uint32_t(cx);
  const std::uint32_t y = std::uint32_t(cy);
  return CellJitter{jitterAt(w, 17 * x + 27 * y),       jitterAt(w, 19 * x + 37 * y),
                    jitterAt(w, 17 * (x + 1) + 27 * y), jitterAt(w, 19 * (x + 1) + 37 * y),
                    jitterAt(w, 17 * x + 27 * (y + 1)), jitterAt(w, 19 * x + 37 * (y + 1)),
                    jitterAt(w, 17 * x + 27 * y + 44)};
}

// Ties keep the earlier candidate in the order (0,0), (1,0), (0,1), (1,1): each distance
// carries its candidate's number in its two low bits, so the least key is the nearest
// centre and, among equal distances, the earlier one. Taken without branches, since the
// nearest centre changes every few pixels and a branch would guess wrong each time.
//
// Along a row the cell column stays the same for 32 >> shift pixels, and only the local x
// changes: the row's parts of the four distances are worked out once for such a run.
class NearestAlongRun {
 public:
  NearestAlongRun(const CellJitter& j, std::int32_t ly)
      : j_(j), d00_(squared(ly - j.y00)), d10_(squared(ly - j.y10)), d01_(squared(ly - j.y01 - 32)),
        d11_(squared(ly - j.corner - 32)) {}

  // The nearest centre's squared distance times four plus its candidate's number.
  std::int32_t key(std::int32_t lx) const {
    const std::int32_t k00 = (d00_ + squared(lx - j_.x00)) * 4;
    const std::int32_t k10 = (d10_ + squared(lx - j_.x10 - 32)) * 4 + 1;
    const std::int32_t k01 = (d01_ + squared(lx - j_.x01)) * 4 + 2;
    const std::int32_t k11 = (d11_ + squared(lx - j_.corner - 32)) * 4 + 3;
    return std::min(std::min(k00, k10), std::min(k01, k11));
  }

 private:
  static std::int32_t squared(std::int32_t v) { return v * v; }

  CellJitter j_;
  std::int32_t d00_, d10_, d01_, d11_;
};

inline NearestCell nearestCell(const CellJitter& j, std::int32_t lx, std::int32_t ly) {
  const std::int32_t key = NearestAlongRun(j, ly).key(lx);
  return NearestCell{key >> 2, key & 1, (key >> 1) & 1};
}

}  // namespace qm
