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
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "engine/box_blur.h"
#include "engine/image_buffer.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"
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

// ---------------------------------------------------------------------------------------
// How layouts cut a rectangle

TEST(JobLayoutCut, TilesRunRowMajorWithTheRemainderInTheLastColumnAndRow) {
  const JobLayout layout = makeJobLayout(tileMode, {10, 20, 210, 320});  // 300 x 200
  EXPECT_EQ(layout.width, 300);
  EXPECT_EQ(layout.height, 200);
  EXPECT_EQ(layout.tasksPerRow, 3);
  ASSERT_EQ(layout.taskCount, 6);
  const Corners expected[] = {{10, 20, 138, 148},  {10, 148, 138, 276},  {10, 276, 138, 320},
                              {138, 20, 210, 148}, {138, 148, 210, 276}, {138, 276, 210, 320}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(corners(taskRect(layout, i)), expected[i]) << "tile " << i;
}

TEST(JobLayoutCut, OnePixelIsOneTile) {
  const JobLayout layout = makeJobLayout(tileMode, {-4, 7, -3, 8});
  ASSERT_EQ(layout.taskCount, 1);
  EXPECT_EQ(corners(taskRect(layout, 0)), (Corners{-4, 7, -3, 8}));
}

TEST(JobLayoutCut, BandsOfSixtyFourRowsLeaveTheRestToTheLast) {
  const JobLayout layout = makeJobLayout(bandMode, {100, 3, 165, 10});  // 65 rows
  EXPECT_EQ(layout.tasksPerRow, 1);
  ASSERT_EQ(layout.taskCount, 2);
  EXPECT_EQ(corners(taskRect(layout, 0)), (Corners{100, 3, 164, 10}));
  EXPECT_EQ(corners(taskRect(layout, 1)), (Corners{164, 3, 165, 10}));
}

TEST(JobLayoutCut, StripsOfSixtyFourColumnsSpanTheFullHeight) {
  const JobLayout layout = makeJobLayout(stripMode, {3, 0, 50, 130});
  EXPECT_EQ(layout.tasksPerRow, 3);
  ASSERT_EQ(layout.taskCount, 3);
  EXPECT_EQ(corners(taskRect(layout, 0)), (Corners{3, 0, 50, 64}));
  EXPECT_EQ(corners(taskRect(layout, 1)), (Corners{3, 64, 50, 128}));
  EXPECT_EQ(corners(taskRect(layout, 2)), (Corners{3, 128, 50, 130}));
}

TEST(JobLayoutCut, RowsAreOneFullWidthRowEach) {
  const JobLayout layout = makeJobLayout(rowMode, {2, 4, 5, 9});
  ASSERT_EQ(layout.taskCount, 3);
  EXPECT_EQ(corners(taskRect(layout, 1)), (Corners{3, 4, 4, 9}));
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

TEST(JobLayoutCut, AnIndexOutsideTheJobGivesAnEmptyRectangle) {
  const JobLayout layout = makeJobLayout(bandMode, {10, 20, 100, 50});
  EXPECT_EQ(corners(taskRect(layout, -1)), (Corners{10, 20, 10, 20}));
  EXPECT_EQ(corners(taskRect(layout, layout.taskCount)), (Corners{10, 20, 10, 20}));
}

// ---------------------------------------------------------------------------------------
// A render job that records what happened and where

struct Trace {
  std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> hookOffCaller{false};
  std::atomic<bool> renderOnCaller{false};
  // Calling thread only.
  std::vector<int> loaded;
  std::vector<int> written;
  std::vector<std::pair<int, int>> progress;
  int abortCalls = 0;
  int abortOnCall = 0;  // 0: never
  // Any thread.
  std::mutex mutex;
  std::vector<int> rendered;
  std::vector<int> sequence;  // 1000 + i load, 2000 + i render, 3000 + i write-back
  std::atomic<int> running{0};
  std::atomic<int> mostRunning{0};
  std::chrono::milliseconds taskTime{0};
  int throwAt = -1;
  bool throwOutOfMemory = false;
};

Trace& traceOf(void* context) { return *static_cast<Trace*>(context); }

void onCaller(Trace& trace) {
  if (std::this_thread::get_id() != trace.caller) trace.hookOffCaller = true;
}

void note(Trace& trace, int event) {
  std::lock_guard lock(trace.mutex);
  trace.sequence.push_back(event);
}

void renderAndRecord(JobTask& task) {
  Trace& trace = traceOf(task.context);
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
  if (trace.taskTime.count() > 0) std::this_thread::sleep_for(trace.taskTime);
  --trace.running;
  if (index == trace.throwAt) {
    if (trace.throwOutOfMemory) throw std::bad_alloc();
    throw std::runtime_error("task failed");
  }
}

JobEnvironment tracedRender(Trace& record, const ImageRect& renderRect) {
  JobEnvironment environment;
  environment.context = &record;
  environment.renderRect = renderRect;
  environment.load = [](JobTask& task) {
    Trace& trace = traceOf(task.context);
    onCaller(trace);
    trace.loaded.push_back(task.layout.taskIndex);
    note(trace, 1000 + task.layout.taskIndex);
  };
  environment.render = renderAndRecord;
  environment.writeBack = [](JobTask& task) {
    Trace& trace = traceOf(task.context);
    onCaller(trace);
    trace.written.push_back(task.layout.taskIndex);
    note(trace, 3000 + task.layout.taskIndex);
  };
  environment.shouldAbort = [](void* context) {
    Trace& trace = traceOf(context);
    onCaller(trace);
    return ++trace.abortCalls == trace.abortOnCall;
  };
  environment.progress = [](void* context, std::int32_t done, std::int32_t total) {
    Trace& trace = traceOf(context);
    onCaller(trace);
    trace.progress.emplace_back(done, total);
  };
  return environment;
}

JobOutcome runRender(std::int32_t layout, const JobEnvironment& environment) {
  return runJob(JobRenderBand, layout, JobParams{}, environment);
}

TEST(JobRun, AnEmptyJobReturnsAtOnceAndCallsNothing) {
  Trace trace;
  JobEnvironment environment = tracedRender(trace, {5, 5, 5, 50});
  environment.currentPass = 1;
  const JobOutcome outcome = runRender(bandMode, environment);
  EXPECT_EQ(outcome.threads, 0);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_TRUE(trace.loaded.empty());
  EXPECT_TRUE(trace.rendered.empty());
  EXPECT_EQ(trace.abortCalls, 0);
  EXPECT_TRUE(trace.progress.empty());
}

TEST(JobRun, EveryTaskIsLoadedRenderedAndWrittenBackOnceWithHooksOnTheCallingThread) {
  const Processors processors(2);
  Trace trace;
  JobEnvironment environment = tracedRender(trace, {0, 0, 200, 300});
  environment.currentPass = 1;
  environment.progressIntervalMs = 0;
  const JobOutcome outcome = runRender(tileMode, environment);
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

std::vector<int> paintByTask(std::int32_t code, std::int32_t layout, const ImageRect& job) {
  Canvas painting{job, std::vector<int>(std::size_t(job.bottom - job.top) * std::size_t(job.right - job.left), -1)};
  JobEnvironment environment;
  environment.context = &painting;
  environment.renderRect = job;
  environment.render = [](JobTask& task) {
    Canvas& canvas = *static_cast<Canvas*>(task.context);
    const ImageRect& rect = task.layout.taskRect;
    const int width = canvas.job.right - canvas.job.left;
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; ++x) {
        int& cell = canvas.cells[std::size_t((y - canvas.job.top) * width + (x - canvas.job.left))];
        cell = cell == -1 ? task.layout.taskIndex : -2;  // -2: painted twice
      }
    }
  };
  runJob(code, layout, JobParams{}, environment);
  return painting.cells;
}

TEST(JobRun, TasksCoverTheJobRectangleExactlyOnce) {
  const Processors processors(2);
  const ImageRect job{7, 3, 207, 303};  // 300 x 200
  const std::vector<int> cells = paintByTask(JobRenderBand, tileMode, job);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      ASSERT_EQ(cells[std::size_t(y * 300 + x)], (y / 128) * 3 + x / 128) << "at " << x << ", " << y;
    }
  }
}

TEST(JobRun, ResultsDoNotDependOnTheThreadCount) {
  const ImageRect job{-20, 30, 180, 250};
  for (const std::int32_t layout : {tileMode, rowMode, bandMode, stripMode}) {
    std::vector<int> reference;
    for (const int count : {1, 2, 5}) {
      const Processors processors(count);
      const std::vector<int> cells = paintByTask(JobRenderBand, layout, job);
      ASSERT_EQ(std::count_if(cells.begin(), cells.end(), [](int cell) { return cell < 0; }), 0)
          << "layout " << layout << ", " << count << " processors";
      if (reference.empty()) reference = cells;
      EXPECT_EQ(cells, reference) << "layout " << layout << ", " << count << " processors";
    }
  }
}

TEST(JobRun, CodesWithoutWorkRunNoHooks) {
  Trace trace;
  const JobOutcome outcome = runJob(7, bandMode, JobParams{}, tracedRender(trace, {0, 0, 130, 10}));
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_GE(outcome.threads, 1);
  EXPECT_TRUE(trace.loaded.empty());
  EXPECT_TRUE(trace.rendered.empty());
  EXPECT_TRUE(trace.written.empty());
}

TEST(JobRun, EngineJobsTakeTheirOwnRectangle) {
  const Processors processors(4);
  Trace trace;
  JobParams params;
  params.rect = {0, 0, 1, 1};  // one tile; the huge render rectangle must not matter
  const JobOutcome outcome = runJob(JobBoxRows, tileMode, params, tracedRender(trace, {0, 0, 5000, 5000}));
  EXPECT_EQ(outcome.threads, 1);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_TRUE(trace.rendered.empty());
}

TEST(JobRun, AnUnknownLayoutIsRefusedWithoutRunningAnything) {
  Trace trace;
  const JobOutcome outcome = runRender(4, tracedRender(trace, {0, 0, 10, 10}));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobBadLayout);
  EXPECT_TRUE(trace.loaded.empty());
}

// ---------------------------------------------------------------------------------------
// The engine's own jobs give the same pixels as one call over the whole rectangle: each
// task gets its piece, offset by the job rectangle, with the job's level and box window.

// Every channel a different ramp, so that a misplaced or skipped piece shows.
struct RampImage {
  ImageBuffer* image;
  RampImage(int width, int height) : image(createImageBuffer(nullptr, width, height, kRgba8, 0, false)) {
    for (int y = 0; image && y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t colour[4] = {std::uint8_t(x * 5 + y), std::uint8_t(y * 3), std::uint8_t(x ^ y), 255};
        setColour(*image, x, y, 0, colour);
      }
    }
  }
  ~RampImage() { destroyImageBuffer(image); }
  RampImage(const RampImage&) = delete;
  RampImage& operator=(const RampImage&) = delete;
};

::testing::AssertionResult sameLevel(const ImageBuffer& a, const ImageBuffer& b, int level) {
  const ImageRect rect = levelRect(&a, level);
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      std::uint8_t first[4];
      std::uint8_t second[4];
      getColour(a, x, y, level, first);
      getColour(b, x, y, level, second);
      if (!std::equal(first, first + 4, second)) return ::testing::AssertionFailure() << "differ at " << x << ", " << y;
    }
  }
  return ::testing::AssertionSuccess();
}

JobParams enginePass(ImageBuffer* image, int level, const ImageRect& rect, int before, int after) {
  JobParams params;
  params.image = image;
  params.level = level;
  params.rect = rect;
  params.boxBefore = before;
  params.boxAfter = after;
  return params;
}

TEST(JobEngineWork, BoxPassesMatchOneCallOverTheRectangle) {
  const Processors processors(2);
  const ImageRect rect{5, 7, 135, 145};  // three bands and three strips, off the origin
  for (const std::int32_t code : {JobBoxRows, JobBoxColumns}) {
    const RampImage byJob(150, 140);
    const RampImage direct(150, 140);
    const RampImage untouched(150, 140);
    ASSERT_TRUE(byJob.image && direct.image && untouched.image);
    runJob(code, code == JobBoxRows ? bandMode : stripMode, enginePass(byJob.image, 0, rect, 2, 3), JobEnvironment{});
    if (code == JobBoxRows)
      boxRowsTask(*direct.image, 0, rect, 2, 3);
    else
      boxColumnsTask(*direct.image, 0, rect, 2, 3);
    EXPECT_TRUE(sameLevel(*byJob.image, *direct.image, 0)) << "code " << code;
    EXPECT_FALSE(sameLevel(*byJob.image, *untouched.image, 0)) << "code " << code;
  }
}

TEST(JobEngineWork, ReductionMatchesOneCallOverTheLevel) {
  const Processors processors(2);
  const RampImage byJob(600, 300);  // level 1 is 300 x 150: 3 x 2 tiles
  const RampImage direct(600, 300);
  const RampImage untouched(600, 300);
  ASSERT_TRUE(byJob.image && direct.image && untouched.image);
  const ImageRect levelOne = levelRect(byJob.image, 1);
  runJob(JobReduceLevel, tileMode, enginePass(byJob.image, 0, levelOne, 0, 0), JobEnvironment{});
  reduceLevelTask(*direct.image, 0, levelOne);
  EXPECT_TRUE(sameLevel(*byJob.image, *direct.image, 1));
  EXPECT_FALSE(sameLevel(*byJob.image, *untouched.image, 1));
}

// ---------------------------------------------------------------------------------------
// Threads

TEST(JobThreads, OneProcessorRunsTheTasksOneAfterAnother) {
  const Processors processors(1);
  Trace trace;
  trace.taskTime = std::chrono::milliseconds(2);
  const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 65, 8}));
  EXPECT_EQ(outcome.threads, 1);
  EXPECT_EQ(trace.mostRunning.load(), 1);
  EXPECT_EQ(trace.sequence, (std::vector<int>{1000, 2000, 3000, 1001, 2001, 3001}));
}

TEST(JobThreads, NeverMoreTasksAtOnceThanProcessors) {
  for (const int count : {2, 3}) {
    const Processors processors(count);
    Trace trace;
    trace.taskTime = std::chrono::milliseconds(3);
    const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 12 * 64, 4}));
    EXPECT_EQ(outcome.threads, count);
    EXPECT_LE(trace.mostRunning.load(), count);
    EXPECT_EQ(sorted(trace.rendered), upTo(12));
  }
}

TEST(JobThreads, NoMoreThreadsThanTasksOrTheCap) {
  {
    const Processors processors(8);
    Trace trace;
    EXPECT_EQ(runRender(bandMode, tracedRender(trace, {0, 0, 65, 8})).threads, 2);
  }
  const Processors processors(500);
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
  environment.renderRect = {0, 0, 128, 4};
  environment.render = [](JobTask& task) {
    Meeting& meeting = *static_cast<Meeting*>(task.context);
    std::unique_lock lock(meeting.mutex);
    ++meeting.count;
    meeting.arrived.notify_all();
    if (meeting.arrived.wait_for(lock, std::chrono::seconds(10), [&] { return meeting.count == 2; })) ++meeting.met;
  };
  runRender(bandMode, environment);
  EXPECT_EQ(place.met.load(), 2);
}

TEST(JobThreads, RowModeRunsRowsInOrderOneAtATime) {
  const Processors processors(4);
  Trace trace;
  const JobOutcome outcome = runRender(rowMode, tracedRender(trace, {10, 0, 14, 6}));
  EXPECT_EQ(outcome.threads, 1);
  EXPECT_EQ(trace.sequence,
            (std::vector<int>{1000, 2000, 3000, 1001, 2001, 3001, 1002, 2002, 3002, 1003, 2003, 3003}));
}

TEST(JobThreads, StoppedWorkersComeBackForTheNextJobAndATaskCannotStopThem) {
  const Processors processors(2);
  JobEnvironment stopping;
  stopping.renderRect = {0, 0, 256, 4};
  stopping.render = [](JobTask&) { stopWorkerThreads(); };  // would wait for itself
  EXPECT_FALSE(runRender(bandMode, stopping).cancelled);
  stopWorkerThreads();
  Trace trace;
  const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 256, 4}));
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(sorted(trace.written), upTo(4));
  EXPECT_FALSE(trace.renderOnCaller);
}

// ---------------------------------------------------------------------------------------
// The random generator

struct Draws {
  std::mutex mutex;
  std::vector<std::pair<int, int>> firstTwo;
};

void recordDraws(JobTask& task) {
  const std::pair<int, int> draws{nextRandom(), nextRandom()};
  for (int i = 0; i < 50; ++i) nextRandom();  // leave the thread's state far from the start
  Draws& record = *static_cast<Draws*>(task.context);
  std::lock_guard lock(record.mutex);
  record.firstTwo.push_back(draws);
}

TEST(JobRandom, EveryTaskStartsFromTheSameState) {
  const Processors processors(2);
  Draws draws;
  JobEnvironment environment;
  environment.context = &draws;
  environment.renderRect = {0, 0, 20 * 64, 2};
  environment.render = recordDraws;
  runRender(bandMode, environment);
  runRender(bandMode, environment);  // on workers that already ran tasks
  ASSERT_EQ(draws.firstTwo.size(), 40u);
  const std::pair<int, int> expected = freshThreadDraws();
  for (const auto& pair : draws.firstTwo) EXPECT_EQ(pair, expected);
}

// A job run from inside a task has no free workers to use: it runs on the task's thread,
// which is its calling thread, and must leave that task's random sequence as it was.
struct Nesting {
  std::mutex mutex;
  std::vector<std::pair<int, int>> outerDraws;
  std::vector<bool> innerDone;
  std::vector<bool> innerOnOwnThread;
  Draws innerDraws;
};

TEST(JobRandom, AJobInsideATaskRunsOnThatThreadAndKeepsItsSequence) {
  const Processors processors(2);
  Nesting record;
  JobEnvironment environment;
  environment.context = &record;
  environment.renderRect = {0, 0, 128, 3};
  environment.render = [](JobTask& task) {
    Nesting& nesting = *static_cast<Nesting*>(task.context);
    const int first = nextRandom();
    struct Inner {
      std::thread::id thread = std::this_thread::get_id();
      bool elsewhere = false;
      Draws* draws;
    } rows{std::this_thread::get_id(), false, &nesting.innerDraws};
    JobEnvironment nested;
    nested.context = &rows;
    nested.renderRect = {0, 0, 3, 2};
    nested.load = [](JobTask& row) {
      Inner& inner = *static_cast<Inner*>(row.context);
      if (std::this_thread::get_id() != inner.thread) inner.elsewhere = true;
    };
    nested.render = [](JobTask& row) {
      Inner& inner = *static_cast<Inner*>(row.context);
      if (std::this_thread::get_id() != inner.thread) inner.elsewhere = true;
      row.context = inner.draws;
      recordDraws(row);
    };
    const JobOutcome outcome = runJob(JobRenderBand, rowMode, JobParams{}, nested);
    const int second = nextRandom();
    std::lock_guard lock(nesting.mutex);
    nesting.outerDraws.emplace_back(first, second);
    nesting.innerDone.push_back(!outcome.cancelled);
    nesting.innerOnOwnThread.push_back(!rows.elsewhere);
  };
  runRender(bandMode, environment);
  const std::pair<int, int> expected = freshThreadDraws();
  EXPECT_EQ(record.outerDraws, (std::vector<std::pair<int, int>>{expected, expected}));
  EXPECT_EQ(record.innerDone, (std::vector<bool>{true, true}));
  EXPECT_EQ(record.innerOnOwnThread, (std::vector<bool>{true, true}));
  ASSERT_EQ(record.innerDraws.firstTwo.size(), 6u);
  for (const auto& pair : record.innerDraws.firstTwo) EXPECT_EQ(pair, expected);
}

// ---------------------------------------------------------------------------------------
// Band memory

struct BandLedger {
  std::thread::id caller = std::this_thread::get_id();
  bool offCaller = false;
  bool refuse = false;
  std::vector<std::size_t> requested;
  std::vector<void*> given;
  std::vector<void*> returned;
  std::mutex mutex;
  std::vector<std::array<int, 3>> seen;  // task, band width, band height
  bool dirty = false;
};

JobEnvironment ledgerRender(BandLedger& record, const ImageRect& rect) {
  JobEnvironment environment;
  environment.context = &record;
  environment.renderRect = rect;
  environment.allocateBand = [](void* context, std::size_t bytes) -> void* {
    BandLedger& ledger = *static_cast<BandLedger*>(context);
    ledger.offCaller |= std::this_thread::get_id() != ledger.caller;
    ledger.requested.push_back(bytes);
    if (ledger.refuse) return nullptr;
    void* band = std::calloc(bytes, 1);
    ledger.given.push_back(band);
    return band;
  };
  environment.freeBand = [](void* context, void* band) {
    BandLedger& ledger = *static_cast<BandLedger*>(context);
    ledger.offCaller |= std::this_thread::get_id() != ledger.caller;
    ledger.returned.push_back(band);
    std::free(band);
  };
  environment.render = [](JobTask& task) {
    BandLedger& ledger = *static_cast<BandLedger*>(task.context);
    const std::size_t cells = std::size_t(task.bandWidth) * std::size_t(task.bandHeight);
    bool dirty = task.band == nullptr;
    for (std::size_t i = 0; task.band && i < cells; ++i) {
      dirty |= task.band[i].colour[0] != 0.0f || task.band[i].spare[1] != 0;
    }
    if (task.band) task.band[cells - 1].colour[3] = 1.0f;  // the last cell belongs to the task
    std::lock_guard lock(ledger.mutex);
    ledger.dirty |= dirty;
    ledger.seen.push_back({task.layout.taskIndex, task.bandWidth, task.bandHeight});
  };
  return environment;
}

TEST(JobBands, RenderTasksGetTheirSizePlusAOneCellMargin) {
  const Processors processors(1);
  BandLedger ledger;
  ledger.refuse = true;  // from the heap, zero-filled
  runRender(bandMode, ledgerRender(ledger, {0, 0, 70, 10}));
  EXPECT_EQ(ledger.seen, (std::vector<std::array<int, 3>>{{0, 12, 66}, {1, 12, 8}}));
  EXPECT_FALSE(ledger.dirty);
  EXPECT_TRUE(ledger.returned.empty());  // heap bands never go to the environment
}

TEST(JobBands, EnvironmentMemoryIsAskedForAndHandedBackOnTheCallingThread) {
  const Processors processors(2);
  BandLedger ledger;
  runRender(stripMode, ledgerRender(ledger, {0, 0, 3, 200}));  // strips 64, 64, 64, 8 wide
  const std::size_t cell = sizeof(BandCell);
  EXPECT_EQ(ledger.requested, (std::vector<std::size_t>{66 * 5 * cell, 66 * 5 * cell, 66 * 5 * cell, 10 * 5 * cell}));
  EXPECT_EQ(ledger.seen.size(), 4u);
  std::vector<void*> given = ledger.given;
  std::vector<void*> returned = ledger.returned;
  std::sort(given.begin(), given.end());
  std::sort(returned.begin(), returned.end());
  EXPECT_EQ(returned, given);
  EXPECT_FALSE(ledger.offCaller);
}

TEST(JobBands, OnlyRenderJobsGetBands) {
  BandLedger ledger;
  runJob(7, bandMode, JobParams{}, ledgerRender(ledger, {0, 0, 70, 10}));
  EXPECT_TRUE(ledger.requested.empty());
}

// ---------------------------------------------------------------------------------------
// Cancellation and failures

TEST(JobCancel, NothingCollectedAfterTheAbortIsWrittenBack) {
  const Processors processors(1);
  Trace trace;
  trace.abortOnCall = 3;
  const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 10 * 64, 4}));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobStoppedByUser);
  EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
  EXPECT_EQ(trace.loaded, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(trace.rendered, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(trace.abortCalls, 3);
}

TEST(JobCancel, RunningTasksFinishAndLaterOnesNeverStart) {
  const Processors processors(3);
  Trace trace;
  trace.abortOnCall = 4;
  trace.taskTime = std::chrono::milliseconds(2);
  const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 20 * 64, 4}));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(trace.written.size(), 3u);
  // Up to two tasks were still running when the fourth was collected; nothing after them.
  EXPECT_LE(trace.loaded.size(), 6u);
  EXPECT_EQ(trace.loaded, upTo(int(trace.loaded.size())));
  EXPECT_EQ(sorted(trace.rendered), trace.loaded);
  EXPECT_EQ(trace.running.load(), 0);
}

TEST(JobCancel, TheNextJobStartsUncancelled) {
  const Processors processors(2);
  Trace cancelled;
  cancelled.abortOnCall = 1;
  ASSERT_TRUE(runRender(bandMode, tracedRender(cancelled, {0, 0, 256, 4})).cancelled);
  Trace next;
  const JobOutcome outcome = runRender(bandMode, tracedRender(next, {0, 0, 256, 4}));
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobNotStopped);
  EXPECT_EQ(sorted(next.written), upTo(4));
}

TEST(JobCancel, AThrowingTaskStopsTheJobWithItsReason) {
  const Processors processors(1);
  for (const bool outOfMemory : {false, true}) {
    Trace trace;
    trace.throwAt = 2;
    trace.throwOutOfMemory = outOfMemory;
    const JobOutcome outcome = runRender(bandMode, tracedRender(trace, {0, 0, 6 * 64, 4}));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.reason, outOfMemory ? kJobOutOfMemory : kJobTaskFailed);
    EXPECT_EQ(trace.written, (std::vector<int>{0, 1}));
    EXPECT_EQ(trace.rendered, (std::vector<int>{0, 1, 2}));
  }
}

TEST(JobCancel, AThrowingLoadStopsTheJobBeforeThatTaskRuns) {
  const Processors processors(1);
  Trace trace;
  JobEnvironment environment = tracedRender(trace, {0, 0, 6 * 64, 4});
  environment.load = [](JobTask& task) {
    if (task.layout.taskIndex == 1) throw std::runtime_error("source unreadable");
  };
  const JobOutcome outcome = runRender(bandMode, environment);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.reason, kJobTaskFailed);
  EXPECT_EQ(trace.rendered, (std::vector<int>{0}));
  EXPECT_EQ(trace.written, (std::vector<int>{0}));
}

// ---------------------------------------------------------------------------------------
// Progress

TEST(JobProgress, ReportsThousandthsOfAllPasses) {
  const Processors processors(1);
  for (const int pass : {1, 2}) {
    Trace trace;
    JobEnvironment environment = tracedRender(trace, {0, 0, 4 * 64, 4});
    environment.passCount = 2;
    environment.currentPass = pass;
    environment.progressIntervalMs = 0;
    runRender(bandMode, environment);
    const int base = (pass - 1) * 500;
    EXPECT_EQ(trace.progress, (std::vector<std::pair<int, int>>{
                                  {base + 125, 1000}, {base + 250, 1000}, {base + 375, 1000}, {base + 500, 1000}}))
        << "pass " << pass;
  }
}

TEST(JobProgress, IsOffWithoutACurrentPass) {
  for (const int pass : {0, -1}) {
    Trace trace;
    JobEnvironment environment = tracedRender(trace, {0, 0, 4 * 64, 4});
    environment.currentPass = pass;
    environment.progressIntervalMs = 0;
    runRender(bandMode, environment);
    EXPECT_TRUE(trace.progress.empty()) << "pass " << pass;
  }
}

TEST(JobProgress, ComesAtMostAboutOnceASecondAndOnlyForward) {
  const Processors processors(2);
  Trace trace;
  JobEnvironment environment = tracedRender(trace, {0, 0, 300 * 64, 1});
  environment.currentPass = 1;
  const auto start = std::chrono::steady_clock::now();
  runRender(bandMode, environment);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  ASSERT_FALSE(trace.progress.empty());
  EXPECT_EQ(trace.progress.front(), (std::pair<int, int>{3, 1000}));  // the first collected task reports
  EXPECT_LE(trace.progress.size(), std::size_t(seconds.count()) + 1);
  for (std::size_t i = 1; i < trace.progress.size(); ++i) EXPECT_GT(trace.progress[i].first, trace.progress[i - 1].first);
}

}  // namespace
}  // namespace qm
