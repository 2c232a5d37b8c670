// SPDX-License-Identifier: LicenseRef-Quillmark
// Jobs: one piece of work over one rectangle, cut into tasks that run on the engine's
// worker threads while the calling thread hands out tasks, runs the load and write-back
// hooks, reports progress and watches for cancellation. runJob is synchronous for its
// caller and the only way pixel work reaches the workers. A job knows nothing of what its
// work is: the caller lends a work callback, a context and a size of scratch memory.
//
// Observable rules, whatever the pool does inside:
// - every task starts with the random state 1 on its thread (platform/random_generator.h);
// - the hooks, progress and abort run only on the calling thread;
// - at most one task per processor runs at once (at least 1, at most 100); row mode runs
//   one task at a time, rows in order;
// - after a cancel no new task starts, running ones finish, and none collected after the
//   cancel is written back.
//
// The workers are a pool: started when a job first needs them and kept for later jobs, so
// a task costs a hand-over rather than a new thread. Nothing observable depends on which
// worker runs a task, since each task starts from the same random state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

enum TaskLayout : std::int32_t {
  tileMode = 0,   // 128 x 128 tiles
  rowMode = 1,    // one row per task, one thread, in order
  bandMode = 5,   // 64 full rows
  stripMode = 6,  // 64 full columns
};

constexpr std::int32_t kJobTileSize = 128;
constexpr std::int32_t kJobBandSize = 64;
constexpr int kMostWorkerThreads = 100;

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

struct JobTask {
  JobLayout layout;
  // environment.scratchBytes of memory for the task's own use, or null when it asked for
  // none. It belongs to the slot the task runs in and goes from task to task uncleared
  // (zero-filled when the job starts), so a task must write what it later reads.
  void* scratch;
  void* context;  // JobEnvironment::context
};

// What the caller lends a job: its work, its hooks and the host's services. Every member
// may be null.
struct JobEnvironment {
  void* context = nullptr;
  ImageRect rect{};                            // the job rectangle, cut into tasks
  std::size_t scratchBytes = 0;                // per task; see JobTask::scratch
  void (*load)(JobTask& task) = nullptr;       // calling thread, before the task starts
  void (*work)(JobTask& task) = nullptr;       // worker thread
  void (*writeBack)(JobTask& task) = nullptr;  // calling thread, after collection, unless cancelled
  // True when the user asked to stop (asked after each collected task).
  bool (*shouldAbort)(void* context) = nullptr;
  // Progress in thousandths, at most every progressIntervalMs.
  void (*progress)(void* context, std::int32_t done, std::int32_t total) = nullptr;
  std::int32_t passCount = 1;     // progress spans passCount passes of this job's size
  std::int32_t currentPass = -1;  // 1-based; 0 or -1: no progress
  // Shortest time between two progress reports: often enough that a host's progress bar
  // moves smoothly during a render of a few seconds. Tests shorten it.
  std::int32_t progressIntervalMs = 100;
};

// Why a job stopped early.
enum JobStopReason : std::int32_t {
  kJobNotStopped = 0,
  kJobStoppedByUser = 1,  // shouldAbort answered true
  kJobOutOfMemory = 2,    // the job's records or scratch could not be allocated, or work ran out
  kJobTaskFailed = 3,     // a task's work or a hook threw
  kJobBadLayout = 4,      // an unknown layout code, or a rectangle too large to cut (nothing ran)
};

struct JobOutcome {
  int threads = 0;
  bool cancelled = false;
  JobStopReason reason = kJobNotStopped;
};

// Cuts environment.rect by the layout and runs `work` on every task. An empty rectangle
// returns at once (0 threads). Each job starts uncancelled.
//
// Per collected task, on the calling thread: shouldAbort (until it first answers true),
// then the write-back unless the job is cancelled by now, then the next task is started
// and progress considered. Row mode hands out up to eight rows (their load hooks
// included) ahead of the one written back, so that the worker goes from row to row while
// this thread writes back; still only one row is worked on at a time, in order. Progress is
// ((currentPass - 1) x taskCount + collected) / (passCount x taskCount) in thousandths of
// 1000, reported with the first collected task and then at most once per
// progressIntervalMs.
//
// A task that throws, a hook that throws and scratch memory that cannot be had all cancel
// the job with their reason; nothing is thrown out of runJob and it never waits for a task
// that was not started. When no worker thread can be had, and for a job run from inside a
// task, the tasks run on the calling thread one after another, under the same rules; the
// calling thread's random generator is left as it was.
JobOutcome runJob(std::int32_t layout, const JobEnvironment& environment);

// How a layout cuts a rectangle: the task count and the rectangle of task i.
// An empty rectangle has 0 tasks; an unknown layout code or a cut into more than 2^31 - 1
// tasks gives taskCount -1. taskRect is empty (at the job's corner) for an index outside
// 0..taskCount - 1.
JobLayout makeJobLayout(std::int32_t layout, const ImageRect& jobRect);
ImageRect taskRect(const JobLayout& layout, std::int32_t index);

// Worker threads the next job may use: the processors, 1..100. Tests may pretend another
// machine (0 restores the real count).
int workerThreadLimit();
void setProcessorCountForTesting(int processors);
// Tests may make the work of every task fail as if memory ran out, to see that callers
// report a failed job rather than use its half-made result.
void setTasksFailForTesting(bool fail);

// Joins the worker threads after the work already handed to them; the next job starts new
// ones. Call it from an ordinary thread before the library may be unloaded: in the plug-in,
// on every return from the entry point, since a host may unload it between any two calls.
// The pool deliberately has no static destructor: a library's static destructors can run
// under the system's loader lock, where joining a thread never returns. A process that
// never calls it leaves idle workers for the system to end at exit. Does nothing when
// called from a task.
void stopWorkerThreads();

}  // namespace qm
