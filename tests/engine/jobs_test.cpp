// SPDX-License-Identifier: LicenseRef-Quillmark
// Jobs: how layouts cut a rectangle, which thread runs what and in which order, how many
// tasks run at once, the pool's life, random state per task, scratch memory, cancellation,
// progress, and what the operations built on jobs do when their tasks fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/box_blur.h"
#include "engine/pyramid.h"
#include "platform/random_generator.h"
#include "render/tone_images.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

using Corners = std::array<std::int32_t, 4>;
Corners corners(const ImageRect& rect) { return {rect.top, rect.left, rect.bottom, rect.right}; }

std::vector<int> upTo(int count) {
  std::vector<int> values(std::size_t(count), 0);
  std::iota(values.begin(), values.end(), 0);
  return values;
}

std::vector<int> sorted(std::vector<int> values) {
  std::sort(values.begin(), values.end());
  return values;
}

// The first draws of a thread whose generator was never touched.
std::pair<int, int> freshThreadDraws() {
  std::pair<int, int> draws;
  std::thread([&] { draws = {nextRandom(), nextRandom()}; }).join();
  return draws;
}

TEST(JobLayoutCut, LayoutsCutTheRectangleInIndexOrderWithTheRemainderLast) {
  const struct {
    std::int32_t mode;
    ImageRect rect;
    int tasksPerRow;
    std::vector<Corners> tasks;
  } cases[] = {
      {tileMode, {10, 20, 210, 320}, 3,  // 300 x 200
       {{10, 20, 138, 148}, {10, 148, 138, 276}, {10, 276, 138, 320},
        {138, 20, 210, 148}, {138, 148, 210, 276}, {138, 276, 210, 320}}},
      {tileMode, {-4, 7, -3, 8}, 1, {{-4, 7, -3, 8}}},
      {bandMode, {100, 3, 165, 10}, 1, {{100, 3, 164, 10}, {164, 3, 165, 10}}},  // 65 rows
      {stripMode, {3, 0, 50, 130}, 3, {{3, 0, 50, 64}, {3, 64, 50, 128}, {3, 128, 50, 130}}},
      {rowMode, {2, 4, 5, 9}, 1, {{2, 4, 3, 9}, {3, 4, 4, 9}, {4, 4, 5, 9}}},
  };
  for (const auto& c : cases) {
    const JobLayout layout = makeJobLayout(c.mode, c.rect);
    EXPECT_EQ(layout.tasksPerRow, c.tasksPerRow) << "layout " << c.mode;
    ASSERT_EQ(layout.taskCount, int(c.tasks.size())) << "layout " << c.mode;
    for (int i = 0; i < layout.taskCount; ++i)
      EXPECT_EQ(corners(taskRect(layout, i)), c.tasks[std::size_t(i)]) << "layout " << c.mode << " task " << i;
    EXPECT_EQ(corners(taskRect(layout, -1)), (Corners{c.rect.top, c.rect.left, c.rect.top, c.rect.left}));
    EXPECT_EQ(corners(taskRect(layout, layout.taskCount)), corners(taskRect(layout, -1)));
  }
}

TEST(JobLayoutCut, EmptyRectanglesHaveNoTasksAndUnknownLayoutsOrTooManyTasksAreRefused) {
  for (const std::int32_t layout : {tileMode, rowMode, bandMode, stripMode})
    for (const ImageRect& rect : {ImageRect{0, 0, 0, 10}, ImageRect{0, 0, 10, 0}, ImageRect{5, 9, 4, 2}})
      EXPECT_EQ(makeJobLayout(layout, rect).taskCount, 0) << layout;
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(makeJobLayout(3, {0, 0, 10, 10}).taskCount, -1);
  EXPECT_EQ(makeJobLayout(tileMode, {0, 0, 1 << 30, 1 << 30}).taskCount, -1);  // 2^46 tiles
  EXPECT_EQ(makeJobLayout(rowMode, {kMin, 0, kMax, 1}).taskCount, -1);         // 2^32 - 1 rows
  const JobLayout rows = makeJobLayout(rowMode, {0, 0, kMax, 1});
  ASSERT_EQ(rows.taskCount, kMax);
  EXPECT_EQ(corners(taskRect(rows, kMax - 1)), (Corners{kMax - 1, 0, kMax, 1}));
}

// The threads that ran tasks, each by a number it draws the first time it runs one (thread
// ids may be reused by a later thread).
std::atomic<int> threadsSeen{0};

// A job that records what ran, in what order, on which thread, with which random state
// and scratch memory.
struct Trace {
  std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> hookOffCaller{false};
  std::vector<int> loaded, written;  // calling thread only
  std::vector<std::pair<int, int>> progress;
  int abortCalls = 0, abortOnCall = 0;  // 0: never abort
  std::mutex mutex;
  std::vector<int> rendered;
  std::vector<int> sequence;  // 1000 + i load, 2000 + i render, 3000 + i write-back
  std::vector<std::pair<int, Corners>> rects;
  std::set<int> threads;
  int renderedOnCaller = 0;
  std::vector<std::pair<int, int>> draws;  // the first two of each task
  std::set<void*> blocks;                  // scratch
  std::vector<int> firstWords;             // what each task found in its scratch, as they ran
  std::atomic<int> running{0};
  int mostRunning = 0;
  std::condition_variable arrived;
  int meet = 0, arrivals = 0, met = 0;  // tasks that waited for `meet` tasks to have started
  std::chrono::milliseconds taskTime{0};
  int throwAt = -1;
  bool throwOutOfMemory = false;
};

Trace& onCaller(void* context) {
  Trace& trace = *static_cast<Trace*>(context);
  if (std::this_thread::get_id() != trace.caller) trace.hookOffCaller = true;
  return trace;
}

// A hook's event: 1000 + i load, 3000 + i write-back.
void note(JobTask& task, int event) {
  Trace& trace = onCaller(task.context);
  (event == 1000 ? trace.loaded : trace.written).push_back(task.layout.taskIndex);
  std::lock_guard lock(trace.mutex);
  trace.sequence.push_back(event + task.layout.taskIndex);
}

void renderAndRecord(JobTask& task) {
  const std::pair<int, int> draws{nextRandom(), nextRandom()};
  for (int i = 0; i < 50; ++i) nextRandom();  // leave the thread's state far from the start
  thread_local const int thread = ++threadsSeen;
  Trace& trace = *static_cast<Trace*>(task.context);
  const int index = task.layout.taskIndex;
  {
    std::lock_guard lock(trace.mutex);
    trace.mostRunning = std::max(trace.mostRunning, ++trace.running);
    trace.rendered.push_back(index);
    trace.sequence.push_back(2000 + index);
    trace.rects.emplace_back(index, corners(task.layout.taskRect));
    trace.threads.insert(thread);
    trace.renderedOnCaller += std::this_thread::get_id() == trace.caller;
    trace.draws.push_back(draws);
    trace.blocks.insert(task.scratch);
    if (int* word = static_cast<int*>(task.scratch)) {
      trace.firstWords.push_back(*word);
      *word = index + 1;
    }
  }
  if (trace.meet > 0) {  // the first `meet` tasks wait for each other: they finish only if they run at once
    std::unique_lock lock(trace.mutex);
    ++trace.arrivals;
    trace.arrived.notify_all();
    trace.met += trace.arrived.wait_for(lock, std::chrono::seconds(10), [&] { return trace.arrivals >= trace.meet; });
  }
  std::this_thread::sleep_for(trace.taskTime);
  --trace.running;
  if (index != trace.throwAt) return;
  if (trace.throwOutOfMemory) throw std::bad_alloc();
  throw std::runtime_error("task failed");
}

JobEnvironment tracedRender(Trace& record, const ImageRect& renderRect, int pass = -1, std::size_t scratch = 0) {
  JobEnvironment environment;
  environment.context = &record;
  environment.rect = renderRect;
  environment.currentPass = pass;
  environment.scratchBytes = scratch;
  environment.progressIntervalMs = 0;
  environment.load = [](JobTask& task) { note(task, 1000); };
  environment.work = renderAndRecord;
  environment.writeBack = [](JobTask& task) { note(task, 3000); };
  environment.shouldAbort = [](void* context) {
    Trace& trace = onCaller(context);
    return ++trace.abortCalls == trace.abortOnCall;
  };
  environment.progress = [](void* context, std::int32_t done, std::int32_t total) {
    onCaller(context).progress.emplace_back(done, total);
  };
  return environment;
}

TEST(JobRun, EmptyJobsAndUnknownLayoutsCallNothing) {
  for (const auto& [layout, rect] : {std::pair{std::int32_t(bandMode), ImageRect{5, 5, 5, 50}},
                                     std::pair{std::int32_t(4), ImageRect{0, 0, 10, 10}}}) {
    Trace trace;
    const JobOutcome outcome = runJob(layout, tracedRender(trace, rect, 1));
    EXPECT_EQ(outcome.threads, 0) << layout;
    EXPECT_EQ(outcome.cancelled, layout == 4) << layout;
    EXPECT_EQ(outcome.reason, layout == 4 ? kJobBadLayout : kJobNotStopped) << layout;
    EXPECT_TRUE(trace.loaded.empty() && trace.rendered.empty() && trace.written.empty()) << layout;
    EXPECT_TRUE(trace.progress.empty() && trace.abortCalls == 0) << layout;
  }
}

TEST(JobRun, EveryTaskRunsOnceWithItsRectangleAndHooksOnTheCallingThreadWhateverTheThreadCount) {
  const ImageRect job{-20, 30, 180, 250};
  for (const std::int32_t layout : {tileMode, rowMode, bandMode, stripMode})
    for (const int count : {1, 2, 5}) {
      SCOPED_TRACE(::testing::Message() << "layout " << layout << ", " << count << " processors");
      const Processors workers(count);
      Trace trace;
      EXPECT_FALSE(runJob(layout, tracedRender(trace, job, 1)).cancelled);
      const JobLayout cut = makeJobLayout(layout, job);
      std::vector<std::pair<int, Corners>> rects;
      for (int i = 0; i < cut.taskCount; ++i) rects.emplace_back(i, corners(taskRect(cut, i)));
      std::sort(trace.rects.begin(), trace.rects.end());
      EXPECT_EQ(trace.rects, rects);
      EXPECT_EQ(trace.loaded, upTo(cut.taskCount));  // handed out in index order
      EXPECT_EQ(sorted(trace.written), upTo(cut.taskCount));
      EXPECT_EQ(trace.abortCalls, cut.taskCount);
      EXPECT_EQ(int(trace.progress.size()), cut.taskCount);
      EXPECT_FALSE(trace.hookOffCaller);
      EXPECT_EQ(trace.renderedOnCaller, 0);
      // Every task starts from the same random state, also on a worker that ran one before.
      EXPECT_EQ(trace.draws, std::vector(std::size_t(cut.taskCount), freshThreadDraws()));
    }
}

TEST(JobThreads, AsManyTasksAtOnceAsProcessorsOneInRowModeAndNoMoreThanTasksOrTheCap) {
  // Fewer processors after more: the workers of the larger count go.
  for (const auto& [count, layout, tasks] : {std::tuple{3, bandMode, 12}, std::tuple{2, bandMode, 12},
                                             std::tuple{1, bandMode, 2}, std::tuple{4, rowMode, 2}}) {
    SCOPED_TRACE(::testing::Message() << count << " processors, layout " << layout);
    const Processors processors(count);
    const int most = layout == rowMode ? 1 : std::min(count, tasks);
    Trace trace;
    trace.meet = most;
    trace.taskTime = std::chrono::milliseconds(3);
    const ImageRect rect = layout == rowMode ? ImageRect{10, 0, 10 + tasks, 6} : ImageRect{0, 0, tasks * 64, 4};
    EXPECT_EQ(runJob(layout, tracedRender(trace, rect)).threads, most);
    EXPECT_EQ(trace.met, tasks) << "the first tasks did not run at once";
    EXPECT_EQ(trace.mostRunning, most);
    EXPECT_TRUE(most > 1 || (trace.rendered == upTo(tasks) && trace.written == upTo(tasks))) << "one after another";
    // The second task was handed out before the first came back: behind the first on a
    // worker, or, in row mode, so that the worker goes on to it while the first is written
    // back.
    const auto at = [&](int event) { return std::find(trace.sequence.begin(), trace.sequence.end(), event); };
    EXPECT_LT(at(1001), at(3000));
    for (const int task : {0, 1}) {
      EXPECT_LT(at(1000 + task), at(2000 + task));
      EXPECT_LT(at(2000 + task), at(3000 + task));
    }
  }
  const Processors processors(500);
  Trace trace;
  EXPECT_EQ(runJob(bandMode, tracedRender(trace, {0, 0, 65, 8})).threads, 2);
  EXPECT_EQ(workerThreadLimit(), kMostWorkerThreads);
}

// The threads that ran a job of `bands` bands, the first two made to run at once.
std::set<int> threadsOfJob(std::int32_t bands) {
  Trace trace;
  trace.meet = std::min(bands, 2);
  runJob(bandMode, tracedRender(trace, {0, 0, bands * 64, 4}));
  return trace.threads;
}

TEST(JobThreads, WorkersStayForTheNextJobAndComeBackAfterAStopWhichATaskCannotMake) {
  const Processors processors(2);
  const std::set<int> before = threadsOfJob(16);
  ASSERT_EQ(before.size(), 2u);
  EXPECT_TRUE(before.count(*threadsOfJob(1).begin())) << "the job of one task ran on a new thread";
  EXPECT_EQ(threadsOfJob(16), before) << "the workers were stopped and started anew";
  JobEnvironment stopping;
  stopping.rect = {0, 0, 256, 4};
  stopping.work = [](JobTask&) { stopWorkerThreads(); };  // would wait for itself
  EXPECT_FALSE(runJob(bandMode, stopping).cancelled);
  stopWorkerThreads();
  Trace trace;
  EXPECT_FALSE(runJob(bandMode, tracedRender(trace, {0, 0, 256, 4})).cancelled);
  EXPECT_EQ(sorted(trace.written), upTo(4));
  EXPECT_EQ(trace.renderedOnCaller, 0);
}

// A job run from inside a task has no free workers: it runs on the task's thread, hooks
// included, and must leave that task's random sequence as it was.
TEST(JobRandom, AJobInsideATaskRunsOnThatThreadAndKeepsItsSequence) {
  const Processors processors(2);
  Trace outer;
  JobEnvironment environment = tracedRender(outer, {0, 0, 128, 3});
  environment.work = [](JobTask& task) {
    const int first = nextRandom();
    Trace inner;  // called from this task's thread
    const bool done = !runJob(rowMode, tracedRender(inner, {0, 0, 3, 2})).cancelled;
    Trace& record = *static_cast<Trace*>(task.context);
    std::lock_guard lock(record.mutex);
    record.draws.emplace_back(first, nextRandom());
    record.draws.insert(record.draws.end(), inner.draws.begin(), inner.draws.end());
    if (done && !inner.hookOffCaller) record.renderedOnCaller += inner.renderedOnCaller;
  };
  runJob(bandMode, environment);
  EXPECT_EQ(outer.renderedOnCaller, 6) << "each inner job's three rows ran on its task's thread";
  EXPECT_EQ(outer.draws, std::vector(8, freshThreadDraws()));
}

// Row mode's worker goes on from row to row while the calling thread is still busy with
// a row that came back: here the first write-back waits until the next seven rows are
// done, which they can only be if they were handed out before it. A row's slot is reused
// only after its write-back.
TEST(JobRowMode, RowsRunOnWhileTheCallingThreadWritesBackAndInOrder) {
  const Processors processors(2);
  struct Record {
    std::mutex mutex;
    std::condition_variable rendered;
    std::vector<int> order;  // 2000 + i rendered, 3000 + i written back
    bool waited = false;
  } record;
  JobEnvironment environment;
  environment.context = &record;
  environment.rect = {0, 0, 20, 5};
  environment.scratchBytes = 4;
  environment.work = [](JobTask& task) {
    Record& r = *static_cast<Record*>(task.context);
    std::lock_guard lock(r.mutex);
    r.order.push_back(2000 + task.layout.taskIndex);
    r.rendered.notify_all();
  };
  environment.writeBack = [](JobTask& task) {
    Record& r = *static_cast<Record*>(task.context);
    std::unique_lock lock(r.mutex);
    if (task.layout.taskIndex == 0)
      r.waited = r.rendered.wait_for(lock, std::chrono::seconds(10), [&] { return r.order.size() >= 8; });
    r.order.push_back(3000 + task.layout.taskIndex);
  };
  const JobOutcome outcome = runJob(rowMode, environment);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(outcome.threads, 1);
  EXPECT_TRUE(record.waited) << "the rows after the first waited for its write-back";
  std::vector<int> renders, writes;
  for (const int event : record.order) (event < 3000 ? renders : writes).push_back(event % 1000);
  EXPECT_EQ(renders, upTo(20));
  EXPECT_EQ(writes, upTo(20));
  const auto at = [&](int event) { return std::find(record.order.begin(), record.order.end(), event); };
  EXPECT_LT(at(3000), at(2008)) << "row 8 reused row 0's slot before its write-back";
}

// Scratch memory: each task sees its slot's block, zero-filled when the job starts and
// handed on from task to task as the task before left it.
TEST(JobScratch, EachSlotKeepsOneBlockFromTaskToTaskZeroFilledAtTheStart) {
  const Processors processors(1);
  Trace bands;  // one worker, two slots taking turns
  EXPECT_FALSE(runJob(bandMode, tracedRender(bands, {0, 0, 5 * 64, 3}, -1, 4096)).cancelled);
  EXPECT_EQ(bands.blocks.size(), 2u);
  EXPECT_EQ(bands.firstWords, (std::vector<int>{0, 0, 1, 2, 3})) << "the block is handed on, not cleared";
  Trace rows;
  runJob(rowMode, tracedRender(rows, {0, 0, 12, 9}, -1, 16));
  EXPECT_EQ(rows.blocks.size(), 8u) << "row mode keeps eight rows out";
  EXPECT_EQ(rows.firstWords, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}));
  Trace none;
  runJob(bandMode, tracedRender(none, {0, 0, 64, 3}));
  EXPECT_EQ(none.blocks, std::set<void*>{nullptr}) << "no scratch asked for, none given";
  // Scratch that cannot be had stops the job before any task runs.
  Trace huge;
  const JobOutcome outcome = runJob(bandMode, tracedRender(huge, {0, 0, 64, 3}, -1, std::size_t(1) << 62));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobOutOfMemory);
  EXPECT_TRUE(huge.rendered.empty());
}

TEST(JobCancel, NothingCollectedAfterTheStopIsWrittenBackAndTheNextJobStartsAfresh) {
  const Processors processors(1);
  for (const JobStopReason reason : {kJobStoppedByUser, kJobTaskFailed, kJobOutOfMemory}) {
    Trace trace;  // the user stops at the third band, or the third band's work throws
    trace.abortOnCall = reason == kJobStoppedByUser ? 3 : 0;
    trace.throwAt = reason == kJobStoppedByUser ? -1 : 2;
    trace.throwOutOfMemory = reason == kJobOutOfMemory;
    const JobOutcome outcome = runJob(bandMode, tracedRender(trace, {0, 0, 10 * 64, 4}));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.reason, reason);
    // The stop came with the third band; the fourth was already waiting behind it, so it
    // ran too, and neither was written back.
    EXPECT_EQ(trace.written, (std::vector<int>{0, 1})) << reason;
    EXPECT_EQ(trace.loaded, upTo(4)) << reason;
    EXPECT_EQ(trace.rendered, upTo(4)) << reason;
    EXPECT_TRUE(reason != kJobStoppedByUser || trace.abortCalls == 3) << "asked again after the stop";
    Trace next;
    const JobOutcome again = runJob(bandMode, tracedRender(next, {0, 0, 256, 4}));
    EXPECT_FALSE(again.cancelled);
    EXPECT_EQ(again.reason, kJobNotStopped);
    EXPECT_EQ(next.written, upTo(4));
  }
}

TEST(JobCancel, RunningTasksFinishAndLaterOnesNeverStart) {
  const Processors processors(3);
  Trace trace;
  trace.abortOnCall = 4;
  trace.taskTime = std::chrono::milliseconds(2);
  EXPECT_TRUE(runJob(bandMode, tracedRender(trace, {0, 0, 20 * 64, 4})).cancelled);
  EXPECT_EQ(trace.written.size(), 3u);
  // Up to five tasks (two for each of the three workers, less the fourth) were still out
  // when the fourth was collected; nothing after them.
  EXPECT_LE(trace.loaded.size(), 9u);
  EXPECT_EQ(trace.loaded, upTo(int(trace.loaded.size())));
  EXPECT_EQ(sorted(trace.rendered), trace.loaded);
}

TEST(JobCancel, AThrowingLoadStopsTheJob) {
  const Processors processors(1);
  Trace trace;
  JobEnvironment environment = tracedRender(trace, {0, 0, 6 * 64, 4});
  environment.load = [](JobTask& task) {
    if (task.layout.taskIndex == 1) throw std::runtime_error("source unreadable");
  };
  // The second band's load fails while the first is out: the first still runs, but it is
  // collected after the failure and not written back.
  EXPECT_EQ(runJob(bandMode, environment).reason, kJobTaskFailed);
  EXPECT_EQ(trace.rendered, (std::vector<int>{0}));
  EXPECT_TRUE(trace.written.empty());
}

TEST(JobProgress, ReportsThousandthsOfAllPassesAndIsOffWithoutACurrentPass) {
  const Processors processors(1);
  for (const int pass : {-1, 0, 1, 2}) {
    Trace trace;
    JobEnvironment environment = tracedRender(trace, {0, 0, 4 * 64, 4}, pass);
    environment.passCount = 2;
    runJob(bandMode, environment);
    std::vector<std::pair<int, int>> expected;
    for (int task = 1; pass > 0 && task <= 4; ++task) expected.emplace_back((pass - 1) * 500 + task * 125, 1000);
    EXPECT_EQ(trace.progress, expected) << "pass " << pass;
  }
}

// A host's progress bar should move during a render of a second or two, so reports come
// about every tenth of a second: no more often, and not much less (the job below runs 50
// tasks of 20 ms one after another, so about ten).
TEST(JobProgress, ComesAboutEveryTenthOfASecondAndOnlyForward) {
  const Processors processors(1);
  Trace trace;
  trace.taskTime = std::chrono::milliseconds(20);
  JobEnvironment environment = tracedRender(trace, {0, 0, 50 * 64, 1}, 1);
  environment.progressIntervalMs = JobEnvironment{}.progressIntervalMs;
  const auto start = std::chrono::steady_clock::now();
  runJob(bandMode, environment);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100;
  ASSERT_FALSE(trace.progress.empty());
  EXPECT_EQ(trace.progress.front(), (std::pair<int, int>{20, 1000}));  // the first collected task reports
  EXPECT_LE(trace.progress.size(), std::size_t(tenths) + 1);
  EXPECT_GE(trace.progress.size(), 5u);
  for (std::size_t i = 1; i < trace.progress.size(); ++i)
    EXPECT_GT(trace.progress[i].first, trace.progress[i - 1].first);
}

// A job whose tasks fail leaves its image half made: the operations built on jobs say so,
// and what is built on them stops, instead of passing the half-made image on.
TEST(FailedJobs, BlurPyramidAndToneImagesReportThem) {
  Buffer image = makeBuffer(300, 200, kRgba8);
  ImageBuffer sharp{}, tone{};
  initImageBuffer(sharp, nullptr);
  initImageBuffer(tone, nullptr);
  ToneSource source{};
  for (const bool fail : {true, false}) {
    image->pyramidState = 0;
    {
      std::optional<FailingTasks> failing;
      if (fail) failing.emplace();
      const BlurredRowSink ignore{nullptr, [](void*, std::int32_t, std::int32_t, std::int32_t, const void*) {}};
      EXPECT_EQ(blurAreaRows(*image, 0, {20, 10, 100, 110}, 9.0f, ignore), !fail);
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
