// SPDX-License-Identifier: LicenseRef-Quillmark
// An approximately Gaussian blur of an area of one level: six box filters, along rows and
// columns by turns, each with a running sum and its mean rounded to the nearest integer
// (box_division.h). Rgba8 and Rgba16, and Rgb8 read as Rgba8 with full opacity; all four
// channels are filtered.
//
// A box window covers positions i - before .. i + after of a line; positions past either
// end of the line (the area's row or column) repeat the end sample.
//
// The passes run as a stream down the area: each keeps only the rows the next one's window
// still needs, so no blurred image of the whole area is ever held. Finished rows go to a
// sink; the rows are cut into bands that run on the workers, each band starting its passes
// early enough (by the blur's reach) to give its first row exactly what a blur of the whole
// area gives it.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

// Extents past this count as this (a blur size of about 9450).
constexpr std::int32_t kMostBoxExtent = 4095;

// The extents a blur size gives: q = size x 13 / 30, rounded = floor(q + 0.5),
// truncated = floor(q). Sizes that are not positive (or NaN) give 0 and 0.
struct BoxExtents {
  std::int32_t rounded = 0;
  std::int32_t truncated = 0;
};
BoxExtents boxExtents(float size);

// Where the finished rows go. `take` runs on the workers, once for every row of the area
// (y counts from the area's top): columns left .. left + count - 1 of it (from the area's
// left), as many pixels in the source's own layout (Rgba8 words, also for Rgb8, or four
// 16-bit samples); the opacity samples are the blurred opacity, not made full. A row may
// come in parts of its columns; each part of a row once, parts of different rows at once.
struct BlurredRowSink {
  void* context = nullptr;
  void (*take)(void* context, std::int32_t y, std::int32_t left, std::int32_t count, const void* pixels) = nullptr;
};

// The six passes, with a = rounded and b = truncated extents of `size`: rows (b, a),
// columns (b, a), rows (a, b), columns (a, b), and when a >= 1, rows and columns (a - 1, a);
// a pass with both extents 0 changes nothing. The area of level `level` of `from`
// (left, top, width x height) is read and never written. False, with nothing taken, when
// the image is not Rgb8, Rgba8 or Rgba16, the area is empty or leaves the level, or there is
// no sink; false too when the job failed (memory ran out), after some rows may have been
// taken.
bool blurAreaRows(const ImageBuffer& from, int level, const ImageRect& area, float size, const BlurredRowSink& sink);

// Where a fed blur reads its rows: row y of the area, columns left .. right - 1, as Rgba8
// words or four 16-bit samples a pixel. Called on the workers, for rows that are readable.
struct BlurredRowReader {
  const void* context = nullptr;
  void (*read)(const void* context, std::int32_t y, std::int32_t left, std::int32_t right, void* pixels) = nullptr;
};

// Work a fed blur's caller has each part do first, on its own columns (left .. right - 1)
// of the area: the parts' columns cut the area's, so the work is spread over the workers as
// the blur is. It may make more rows readable, but only for a later advance.
struct BlurColumnWork {
  void* context = nullptr;
  void (*work)(void* context, std::int32_t left, std::int32_t right) = nullptr;
};

// The same blur of a width x height area whose rows arrive from elsewhere, top to bottom (a
// document a host hands over a strip at a time). The columns are cut into parts, a stream
// each on the workers; every time more rows are readable the streams run on as far as those
// rows reach, so the area is never held whole.
class BlurFeed {
 public:
  BlurFeed(bool sixteenBit, std::int32_t width, std::int32_t height, float size, const BlurredRowReader& reader,
           const BlurredRowSink& sink);
  ~BlurFeed();
  BlurFeed(const BlurFeed&) = delete;
  BlurFeed& operator=(const BlurFeed&) = delete;

  // False when memory for the streams could not be had (nothing else works then).
  bool ready() const;
  // Rows 0 .. readable - 1 can be read now: every row whose windows they cover goes to the
  // sink, after each part has done `first` (when given). The rows read all lie at or after
  // the `readable` of the advance before, less rowsBehind(size). False when the job failed
  // or the feed is not ready.
  bool advance(std::int32_t readable, const BlurColumnWork& first = {});
  // Every row has gone to the sink.
  bool finished() const;

  static std::int32_t rowsBehind(float size);

  struct Parts;  // the streams, inside the engine

 private:
  Parts* parts_;
};

}  // namespace qm
