// SPDX-License-Identifier: LicenseRef-Quillmark
// A job whose tasks fail leaves its image half made: the operations built on jobs say so,
// and what is built on them stops, instead of passing the half-made image on.
#include <gtest/gtest.h>

#include <optional>

#include "engine/box_blur.h"
#include "engine/pyramid.h"
#include "render/tone_images.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

TEST(FailedJobs, BlurPyramidAndToneImagesReportThem) {
  Buffer image = makeBuffer(300, 200, kRgba8);
  Buffer blurred = makeBuffer(100, 80, kRgba8, -1);
  ImageBuffer sharp{}, tone{};
  initImageBuffer(sharp, nullptr);
  initImageBuffer(tone, nullptr);
  ToneSource source{};
  for (const bool fail : {true, false}) {
    image->pyramidState = 0;
    {
      std::optional<FailingTasks> failing;
      if (fail) failing.emplace();
      EXPECT_EQ(blurImage(*image, 0, levelRect(image.get(), 0), 9.0f), !fail);
      EXPECT_EQ(blurAreaInto(*image, 0, 10, 20, *blurred, 9.0f), !fail);
      EXPECT_EQ(buildPyramid(*image), !fail);
      EXPECT_EQ(makeToneImages(*image, 0, {0, 0, 200, 300}, 9.0f, sharp, tone, source), !fail);
    }
    EXPECT_EQ(image->pyramidState, fail ? 0 : 2) << "a half-built pyramid is not marked built";
  }
  releasePixels(sharp);
  releasePixels(tone);
}

}  // namespace
}  // namespace qm::test
