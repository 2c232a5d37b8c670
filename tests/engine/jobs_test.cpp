// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/jobs.h"
#include "platform/random_generator.h"

namespace qm {
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

// Pretends a machine with this many processors for the life of the object.
struct Processors {
  explicit Processors(int count) { setProcessorCountForTesting(count); }
  ~Processors() { setProcessorCountForTesting(0); }
};

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

TEST(JobLayoutCut, EmptyAndInvertedRectanglesHaveNoTasks) {
  for (const std::int32_t layout : {tileMode, rowMode, bandMode, stripMode}) {
    EXPECT_EQ(makeJobLayout(layout, {0, 0, 0, 10}).taskCount, 0) << layout;
    EXPECT_EQ(makeJobLayout(layout, {0, 0, 10, 0}).taskCount, 0) << layout;
    EXPECT_EQ(makeJobLayout(layout, {5, 9, 4, 2}).taskCount, 0) << layout;
  }
}

TEST(JobLayoutCut, UnknownLayoutsAndCutsBeyondTheTaskCounterAreRefused) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(makeJobLayout(3, {0, 0, 10, 10}).taskCount, -1);
  EXPECT_EQ(makeJobLayout(tileMode, {0, 0, 1 << 30, 1 << 30}).taskCount, -1);  // 2^46 tiles
  EXPECT_EQ(makeJobLayout(rowMode, {kMin, 0, kMax, 1}).taskCount, -1);        // 2^32 - 1 rows
  const JobLayout rows = makeJobLayout(rowMode, {0, 0, kMax, 1});
  ASSERT_EQ(rows.taskCount, kMax);
  EXPECT_EQ(corners(taskRect(rows, kMax - 1)), (Corners{kMax - 1, 0, kMax, 1}));
}

// A render job that records what ran, in what order and on which thread.
struct Trace {
  std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> hookOffCaller{false}, renderOnCaller{false};
  std::vector<int> loaded, written;  // calling thread only
  std::vector<std::pair<int, int>> progress;
  int abortCalls = 0, abortOnCall = 0;  // 0: never abort
  std::mutex mutex;
  std::vector<int> rendered;
  std::vector<int> sequence;  // 1000 + i load, 2000 + i render, 3000 + i write-back
  std::atomic<int> running{0}, mostRunning{0};
  std::chrono::milliseconds taskTime{0};
  int throwAt = -1;
  bool throwOutOfMemory = false;
};

Trace& onCaller(void* context) {
  Trace& trace = *static_cast<Trace*>(context);
  if (std::this_thread::get_id() != trace.caller) trace.hookOffCaller = true;
  return trace;
}

void note(Trace& trace, std::vector<int>& list, int index, int event) {
  list.push_back(index);
  std::lock_guard lock(trace.mutex);
  trace.sequence.push_back(event + index);
}

void renderAndRecord(JobTask& task) {
  Trace& trace = *static_cast<Trace*>(task.context);
  const int index = task.layout.taskIndex;
  if (std::this_thread::get_id() == trace.caller) trace.renderOnCaller = true;
  const int now = ++trace.running;
  int most = trace.mostRunning.load();
  while (now > most && !trace.mostRunning.compare_exchange_weak(most, now)) {
  }
  {
    std::lock_guard lock(trace.mutex);
    trace.rendered.push_back(index);
    trace.sequence.push_back(2000 + index);
  }
  std::this_thread::sleep_for(trace.taskTime);
  --trace.running;
  if (index != trace.throwAt) return;
  if (trace.throwOutOfMemory) throw std::bad_alloc();
  throw std::runtime_error("task failed");
}

JobEnvironment tracedRender(Trace& record, const ImageRect& renderRect, int pass = -1) {
  JobEnvironment environment;
  environment.context = &record;
  environment.rect = renderRect;
  environment.currentPass = pass;
  environment.progressIntervalMs = 0;
  environment.load = [](JobTask& task) {
    Trace& trace = onCaller(task.context);
    note(trace, trace.loaded, task.layout.taskIndex, 1000);
  };
  environment.work = renderAndRecord;
  environment.writeBack = [](JobTask& task) {
    Trace& trace = onCaller(task.context);
    note(trace, trace.written, task.layout.taskIndex, 3000);
  };
  environment.shouldAbort = [](void* context) {
    Trace& trace = onCaller(context);
    return ++trace.abortCalls == trace.abortOnCall;
  };
  environment.progress = [](void* context, std::int32_t done, std::int32_t total) {
    onCaller(context).progress.emplace_back(done, total);
  };
  return environment;
}

TEST(JobRun, AnEmptyJobReturnsAtOnceAndCallsNothing) {
  Trace trace;
  const JobOutcome outcome = runJob(bandMode, tracedRender(trace, {5, 5, 5, 50}, 1));
  EXPECT_EQ(outcome.threads, 0);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_TRUE(trace.loaded.empty() && trace.rendered.empty() && trace.progress.empty());
  EXPECT_EQ(trace.abortCalls, 0);
}

TEST(JobRun, EveryTaskIsLoadedRenderedAndWrittenBackOnceWithHooksOnTheCallingThread) {
  const Processors processors(2);
  Trace trace;
  const JobOutcome outcome = runJob(tileMode, tracedRender(trace, {0, 0, 200, 300}, 1));
  EXPECT_EQ(outcome.threads, 2);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(trace.loaded, upTo(6));  // handed out in index order
  EXPECT_EQ(sorted(trace.rendered), upTo(6));
  EXPECT_EQ(sorted(trace.written), upTo(6));
  EXPECT_EQ(trace.abortCalls, 6);
  EXPECT_EQ(trace.progress.size(), 6u);
  EXPECT_FALSE(trace.hookOffCaller);
  EXPECT_FALSE(trace.renderOnCaller);
}

// Each task writes its index into its own cells of a canvas the size of the job.
struct Canvas {
  ImageRect job;
  std::vector<int> cells;
};

std::vector<int> paintByTask(std::int32_t layout, const ImageRect& job) {
  Canvas painting{job, std::vector<int>(std::size_t(job.bottom - job.top) * std::size_t(job.right - job.left), -1)};
  JobEnvironment environment;
  environment.context = &painting;
  environment.rect = job;
  environment.work = [](JobTask& task) {
    Canvas& canvas = *static_cast<Canvas*>(task.context);
    const ImageRect& rect = task.layout.taskRect;
    const int width = canvas.job.right - canvas.job.left;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x) {
        int& cell = canvas.cells[std::size_t((y - canvas.job.top) * width + (x - canvas.job.left))];
        cell = cell == -1 ? task.layout.taskIndex : -2;  // -2: painted twice
      }
  };
  runJob(layout, environment);
  return painting.cells;
}

TEST(JobRun, TasksCoverTheJobExactlyOnceWhateverTheThreadCount) {
  const Processors processors(2);
  const std::vector<int> tiles = paintByTask(tileMode, {7, 3, 207, 303});  // 300 x 200
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(tiles[std::size_t(y * 300 + x)], (y / 128) * 3 + x / 128) << x << ", " << y;

  for (const std::int32_t layout : {tileMode, rowMode, bandMode, stripMode}) {
    std::vector<int> reference;
    for (const int count : {1, 2, 5}) {
      const Processors workers(count);
      const std::vector<int> cells = paintByTask(layout, {-20, 30, 180, 250});
      ASSERT_EQ(std::count_if(cells.begin(), cells.end(), [](int cell) { return cell < 0; }), 0)
          << "layout " << layout << ", " << count << " processors";
      if (reference.empty()) reference = cells;
      EXPECT_EQ(cells, reference) << "layout " << layout << ", " << count << " processors";
    }
  }
}

TEST(JobRun, AnUnknownLayoutIsRefusedBeforeAnythingRuns) {
  Trace trace;
  const JobOutcome refused = runJob(4, tracedRender(trace, {0, 0, 10, 10}));
  EXPECT_TRUE(refused.cancelled);
  EXPECT_EQ(refused.reason, kJobBadLayout);
  EXPECT_TRUE(trace.loaded.empty() && trace.rendered.empty() && trace.written.empty());
}

TEST(JobThreads, OneProcessorAndRowModeRunTasksOneAfterAnother) {
  for (const auto& [count, layout, rect] : {std::tuple{1, bandMode, ImageRect{0, 0, 65, 8}},
                                             std::tuple{4, rowMode, ImageRect{10, 0, 12, 6}}}) {
    const Processors processors(count);
    Trace trace;
    trace.taskTime = std::chrono::milliseconds(2);
    EXPECT_EQ(runJob(layout, tracedRender(trace, rect)).threads, 1);
    EXPECT_EQ(trace.mostRunning.load(), 1);
    const auto at = [&](int event) { return std::find(trace.sequence.begin(), trace.sequence.end(), event); };
    if (layout != rowMode) {
      // The one worker renders the bands in order; the second waits behind the first, so
      // it was handed out before the first came back.
      EXPECT_EQ(trace.rendered, (std::vector<int>{0, 1}));
      EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
      EXPECT_LT(at(1001), at(3000));
      for (const int task : {0, 1}) {
        EXPECT_LT(at(1000 + task), at(2000 + task));
        EXPECT_LT(at(2000 + task), at(3000 + task));
      }
      continue;
    }
    // Row mode starts the next row before writing back the one before, so that the
    // write-back overlaps the rendering; the rows themselves still run one after another.
    std::vector<int> withoutWrites;
    std::copy_if(trace.sequence.begin(), trace.sequence.end(), std::back_inserter(withoutWrites),
                 [](int event) { return event < 3000; });
    EXPECT_EQ(withoutWrites, (std::vector<int>{1000, 2000, 1001, 2001}));
    EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
    EXPECT_LT(at(1001), at(3000)) << "the second row was started before the first was written back";
  }
}

TEST(JobThreads, NoMoreThreadsThanProcessorsTasksOrTheCap) {
  for (const int count : {3, 2}) {  // fewer after more: the workers of the larger count go
    const Processors processors(count);
    Trace trace;
    trace.taskTime = std::chrono::milliseconds(3);
    EXPECT_EQ(runJob(bandMode, tracedRender(trace, {0, 0, 12 * 64, 4})).threads, count);
    EXPECT_LE(trace.mostRunning.load(), count);
    EXPECT_EQ(sorted(trace.rendered), upTo(12));
  }
  const Processors processors(500);
  Trace trace;
  EXPECT_EQ(runJob(bandMode, tracedRender(trace, {0, 0, 65, 8})).threads, 2);
  EXPECT_EQ(workerThreadLimit(), kMostWorkerThreads);
}

// Two tasks that each wait for the other can only finish when both run at the same time.
TEST(JobThreads, TwoProcessorsRunTwoTasksTogether) {
  const Processors processors(2);
  struct Meeting {
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    std::atomic<int> met{0};
  } place;
  JobEnvironment environment;
  environment.context = &place;
  environment.rect = {0, 0, 128, 4};
  environment.work = [](JobTask& task) {
    Meeting& meeting = *static_cast<Meeting*>(task.context);
    std::unique_lock lock(meeting.mutex);
    ++meeting.count;
    meeting.arrived.notify_all();
    if (meeting.arrived.wait_for(lock, std::chrono::seconds(10), [&] { return meeting.count == 2; })) ++meeting.met;
  };
  runJob(bandMode, environment);
  EXPECT_EQ(place.met.load(), 2);
}

// The threads that ran a job's tasks, each by a number it draws the first time it runs a
// task (thread ids may be reused by a later thread).
std::atomic<int> threadsSeen{0};

std::set<int> threadsOfJob(std::int32_t rows) {
  struct Seen {
    std::mutex mutex;
    std::set<int> numbers;
  } seen;
  JobEnvironment environment;
  environment.context = &seen;
  environment.rect = {0, 0, rows, 4};
  environment.work = [](JobTask& task) {
    thread_local const int number = ++threadsSeen;
    Seen& record = *static_cast<Seen*>(task.context);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::lock_guard lock(record.mutex);
    record.numbers.insert(number);
  };
  runJob(bandMode, environment);
  return seen.numbers;
}

TEST(JobThreads, AJobOfOneTaskKeepsTheWorkersForTheNext) {
  const Processors processors(2);
  std::set<int> before = threadsOfJob(16 * 64);
  for (int again = 0; again < 3 && before.size() < 2; ++again) before.merge(threadsOfJob(16 * 64));
  ASSERT_EQ(before.size(), 2u);
  const std::set<int> single = threadsOfJob(64);
  EXPECT_TRUE(before.count(*single.begin()));
  const std::set<int> after = threadsOfJob(16 * 64);
  EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()))
      << "the workers were stopped and started anew";
}

TEST(JobThreads, StoppedWorkersComeBackForTheNextJobAndATaskCannotStopThem) {
  const Processors processors(2);
  JobEnvironment stopping;
  stopping.rect = {0, 0, 256, 4};
  stopping.work = [](JobTask&) { stopWorkerThreads(); };  // would wait for itself
  EXPECT_FALSE(runJob(bandMode, stopping).cancelled);
  stopWorkerThreads();
  Trace trace;
  EXPECT_FALSE(runJob(bandMode, tracedRender(trace, {0, 0, 256, 4})).cancelled);
  EXPECT_EQ(sorted(trace.written), upTo(4));
  EXPECT_FALSE(trace.renderOnCaller);
}

struct Draws {
  std::mutex mutex;
  std::vector<std::pair<int, int>> firstTwo;
  std::vector<bool> innerOnOwnThread;
};

void recordDraws(JobTask& task) {
  const std::pair<int, int> draws{nextRandom(), nextRandom()};
  for (int i = 0; i < 50; ++i) nextRandom();  // leave the thread's state far from the start
  Draws& record = *static_cast<Draws*>(task.context);
  std::lock_guard lock(record.mutex);
  record.firstTwo.push_back(draws);
}

JobEnvironment drawingRender(Draws& draws, const ImageRect& rect, void (*work)(JobTask&) = recordDraws) {
  JobEnvironment environment;
  environment.context = &draws;
  environment.rect = rect;
  environment.work = work;
  return environment;
}

TEST(JobRandom, EveryTaskStartsFromTheSameState) {
  const Processors processors(2);
  Draws draws;
  runJob(bandMode, drawingRender(draws, {0, 0, 20 * 64, 2}));
  runJob(bandMode, drawingRender(draws, {0, 0, 20 * 64, 2}));  // on workers that already ran tasks
  ASSERT_EQ(draws.firstTwo.size(), 40u);
  for (const auto& pair : draws.firstTwo) EXPECT_EQ(pair, freshThreadDraws());
}

// A job run from inside a task has no free workers: it runs on the task's thread and must
// leave that task's random sequence as it was.
TEST(JobRandom, AJobInsideATaskRunsOnThatThreadAndKeepsItsSequence) {
  const Processors processors(2);
  Draws both[2];  // outer tasks, inner rows
  runJob(bandMode, drawingRender(both[0], {0, 0, 128, 3}, [](JobTask& task) {
              Draws* record = static_cast<Draws*>(task.context);
              const int first = nextRandom();
              static thread_local std::thread::id taskThread;
              taskThread = std::this_thread::get_id();
              const bool done = !runJob(rowMode, drawingRender(record[1], {0, 0, 3, 2}, [](JobTask& row) {
                                  recordDraws(row);
                                  Draws& inner = *static_cast<Draws*>(row.context);
                                  std::lock_guard lock(inner.mutex);
                                  inner.innerOnOwnThread.push_back(std::this_thread::get_id() == taskThread);
                                })).cancelled;
              std::lock_guard lock(record->mutex);
              record->firstTwo.emplace_back(first, nextRandom());
              record->innerOnOwnThread.push_back(done);
            }));
  const Draws& outer = both[0];
  const Draws& inner = both[1];
  const std::pair<int, int> expected = freshThreadDraws();
  EXPECT_EQ(outer.firstTwo, (std::vector<std::pair<int, int>>{expected, expected}));
  EXPECT_EQ(outer.innerOnOwnThread, (std::vector<bool>{true, true})) << "inner jobs finish";
  EXPECT_EQ(inner.innerOnOwnThread, std::vector<bool>(6, true));
  ASSERT_EQ(inner.firstTwo.size(), 6u);
  for (const auto& pair : inner.firstTwo) EXPECT_EQ(pair, expected);
}

// Scratch memory: each task sees its slot's block, zero-filled when the job starts and
// handed on from task to task as the task before left it.
struct ScratchLedger {
  std::mutex mutex;
  std::set<void*> blocks;
  std::vector<int> firstWords;  // what each task found, in the order they ran
};

JobEnvironment scratchJob(ScratchLedger& ledger, std::size_t bytes, const ImageRect& rect) {
  JobEnvironment environment;
  environment.context = &ledger;
  environment.rect = rect;
  environment.scratchBytes = bytes;
  environment.work = [](JobTask& task) {
    ScratchLedger& record = *static_cast<ScratchLedger*>(task.context);
    std::lock_guard lock(record.mutex);
    record.blocks.insert(task.scratch);
    int* word = static_cast<int*>(task.scratch);
    record.firstWords.push_back(word ? *word : -1);
    if (word) *word = task.layout.taskIndex + 1;
  };
  return environment;
}

TEST(JobScratch, EachSlotKeepsOneBlockFromTaskToTaskZeroFilledAtTheStart) {
  const Processors processors(1);
  ScratchLedger bands;  // one worker, two slots taking turns
  EXPECT_FALSE(runJob(bandMode, scratchJob(bands, 4096, {0, 0, 5 * 64, 3})).cancelled);
  EXPECT_EQ(bands.blocks.size(), 2u);
  EXPECT_EQ(bands.firstWords, (std::vector<int>{0, 0, 1, 2, 3})) << "the block is handed on, not cleared";
  ScratchLedger rows;
  runJob(rowMode, scratchJob(rows, 16, {0, 0, 4, 9}));
  EXPECT_EQ(rows.blocks.size(), 2u) << "row mode keeps two rows out";
  ScratchLedger none;
  runJob(bandMode, scratchJob(none, 0, {0, 0, 64, 3}));
  EXPECT_EQ(none.firstWords, (std::vector<int>{-1})) << "no scratch asked for, none given";
}

TEST(JobScratch, ScratchThatCannotBeHadStopsTheJobBeforeAnyTaskRuns) {
  ScratchLedger ledger;
  const JobOutcome outcome = runJob(bandMode, scratchJob(ledger, std::size_t(1) << 62, {0, 0, 64, 3}));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobOutOfMemory);
  EXPECT_TRUE(ledger.firstWords.empty());
}

TEST(JobCancel, NothingCollectedAfterTheAbortIsWrittenBackAndTheNextJobStartsAfresh) {
  const Processors processors(1);
  Trace trace;
  trace.abortOnCall = 3;
  const JobOutcome outcome = runJob(bandMode, tracedRender(trace, {0, 0, 10 * 64, 4}));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobStoppedByUser);
  // The abort came with the third band; the fourth was already waiting behind it, so it
  // ran too, and neither was written back.
  EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
  EXPECT_EQ(trace.loaded, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(trace.rendered, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(trace.abortCalls, 3);
  Trace next;
  const JobOutcome again = runJob(bandMode, tracedRender(next, {0, 0, 256, 4}));
  EXPECT_FALSE(again.cancelled);
  EXPECT_EQ(again.reason, kJobNotStopped);
  EXPECT_EQ(next.written, upTo(4));
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

TEST(JobCancel, AThrowingTaskOrLoadStopsTheJobWithItsReason) {
  const Processors processors(1);
  for (const bool outOfMemory : {false, true}) {
    Trace trace;
    trace.throwAt = 2;
    trace.throwOutOfMemory = outOfMemory;
    const JobOutcome outcome = runJob(bandMode, tracedRender(trace, {0, 0, 6 * 64, 4}));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.reason, outOfMemory ? kJobOutOfMemory : kJobTaskFailed);
    EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
    EXPECT_EQ(trace.rendered, (std::vector<int>{0, 1, 2, 3}));  // the fourth waited behind the third
  }
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
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count() / 100;
  ASSERT_FALSE(trace.progress.empty());
  EXPECT_EQ(trace.progress.front(), (std::pair<int, int>{20, 1000}));  // the first collected task reports
  EXPECT_LE(trace.progress.size(), std::size_t(tenths) + 1);
  EXPECT_GE(trace.progress.size(), 5u);
  for (std::size_t i = 1; i < trace.progress.size(); ++i) EXPECT_GT(trace.progress[i].first, trace.progress[i - 1].first);
}

}  // namespace
}  // namespace qm
