// SPDX-License-Identifier: LicenseRef-Quillmark
// Jobs: one operation over one rectangle, cut into tasks that run on the engine's worker
// threads while the calling thread hands out tasks, runs the load and write-back hooks,
// reports progress and watches for cancellation. runJob is synchronous for its caller and
// the only way pixel work reaches the workers.
//
// Observable rules, whatever the pool does inside:
// - every task starts with the random state 1 on its thread (platform/random_generator.h);
// - the hooks, progress and abort run only on the calling thread;
// - at most one task per processor runs at once (at least 1, at most 100); row mode runs
//   one task at a time, rows in order;
// - after a cancel no new task starts, running ones finish, and none collected after the
//   cancel is written back.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

enum JobCode : std::int32_t {
  JobRenderBand = 2,
  JobReduceLevel = -1000,
  JobBoxRows = -1002,
  JobBoxColumns = -1003,
};

enum TaskLayout : std::int32_t {
  tileMode = 0,   // 128 x 128 tiles
  rowMode = 1,    // one row per task, one thread, in order
  bandMode = 5,   // 64 full rows
  stripMode = 6,  // 64 full columns
};

constexpr std::int32_t kJobTileSize = 128;
constexpr std::int32_t kJobBandSize = 64;
constexpr int kMostWorkerThreads = 100;

struct JobParams {
  ImageBuffer* image = nullptr;  // the image of the engine's own jobs
  std::int32_t level = -1;       // source level of a reduction, level of a box pass
  ImageRect rect{};              // the job rectangle of the engine's own jobs
  std::int32_t boxBefore = 0;    // box window: positions i - boxBefore .. i + boxAfter
  std::int32_t boxAfter = 0;
};

struct JobLayout {
  std::int32_t width;
  std::int32_t height;
  std::int32_t tasksPerRow;
  std::int32_t taskCount;
  std::int32_t taskIndex;
  std::int32_t layout;   // TaskLayout
  ImageRect jobRect;
  ImageRect taskRect;    // in image coordinates (offset by the job rectangle)
};

// The cells a render task writes its ink into: (task width + 2) x (task height + 2) cells.
struct BandCell {
  float colour[4];
  std::int32_t spare[2];
};
static_assert(sizeof(BandCell) == 24);

struct JobTask {
  std::int32_t code;
  JobLayout layout;
  JobParams params;
  BandCell* band;        // render tasks only
  std::int32_t bandWidth;
  std::int32_t bandHeight;
  void* context;         // JobEnvironment::context
};

// What the caller lends a job: the render's hooks and the host's services. Every member
// may be null.
struct JobEnvironment {
  void* context = nullptr;
  // JobRenderBand: its rectangle (the render rectangle) and its three stages.
  ImageRect renderRect{};
  void (*load)(JobTask& task) = nullptr;       // calling thread, before the task starts
  void (*render)(JobTask& task) = nullptr;     // worker thread
  void (*writeBack)(JobTask& task) = nullptr;  // calling thread, after collection, unless cancelled
  // True when the user asked to stop (asked after each collected task).
  bool (*shouldAbort)(void* context) = nullptr;
  // Progress in thousandths, at most about once a second.
  void (*progress)(void* context, std::int32_t done, std::int32_t total) = nullptr;
  std::int32_t passCount = 1;     // progress spans passCount passes of this job's size
  std::int32_t currentPass = -1;  // 1-based; 0 or -1: no progress
  // Band memory; from the heap when null.
  void* (*allocateBand)(void* context, std::size_t bytes) = nullptr;
  void (*freeBand)(void* context, void* band) = nullptr;
};

struct JobOutcome {
  int threads = 0;
  bool cancelled = false;
};

JobOutcome runJob(std::int32_t code, std::int32_t layout, const JobParams& params, const JobEnvironment& environment);

// How a layout cuts a rectangle: the task count and the rectangle of task i.
JobLayout makeJobLayout(std::int32_t layout, const ImageRect& jobRect);
ImageRect taskRect(const JobLayout& layout, std::int32_t index);

// Worker threads the next job may use: the processors, 1..100. Tests may pretend another
// machine (0 restores the real count).
int workerThreadLimit();
void setProcessorCountForTesting(int processors);

}  // namespace qm
