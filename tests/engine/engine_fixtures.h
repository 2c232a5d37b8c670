// SPDX-License-Identifier: LicenseRef-Quillmark
// Buffers that free themselves, and a pretended processor count for one test's scope.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/image_buffer.h"
#include "engine/jobs.h"

namespace qm::test {

struct BufferDeleter {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Buffer = std::unique_ptr<ImageBuffer, BufferDeleter>;

inline Buffer makeBuffer(std::int32_t width, std::int32_t height, std::int32_t format, std::int32_t edgeMode = 0) {
  Buffer image(createImageBuffer(nullptr, width, height, format, edgeMode, false));
  EXPECT_NE(image, nullptr) << width << " x " << height << " format " << format;
  return image;
}

class Processors {
 public:
  explicit Processors(int count) { setProcessorCountForTesting(count); }
  ~Processors() { setProcessorCountForTesting(0); }
  Processors(const Processors&) = delete;
  Processors& operator=(const Processors&) = delete;
};

// Every task of every job fails as if memory ran out, for one test's scope.
class FailingTasks {
 public:
  FailingTasks() { setTasksFailForTesting(true); }
  ~FailingTasks() { setTasksFailForTesting(false); }
  FailingTasks(const FailingTasks&) = delete;
  FailingTasks& operator=(const FailingTasks&) = delete;
};

}  // namespace qm::test
