// SPDX-License-Identifier: LicenseRef-Quillmark
// runJob: hands out tasks to the worker pool, collects them in the order they finish, and
// does everything that must stay on the calling thread (hooks, band memory, abort test,
// progress). Only this thread touches the job's counters, so they need no lock; the
// inbox's mutex orders each slot's record between the worker and this thread.
#include "engine/jobs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "engine/box_blur.h"
#include "engine/pyramid.h"
#include "engine/worker_pool.h"
#include "platform/platform.h"
#include "platform/random_generator.h"

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> pretendedProcessors{0};

// More passes are held at this so that the progress arithmetic stays within 64 bits.
constexpr std::int64_t kMostPasses = std::int64_t(1) << 20;
constexpr std::int32_t kProgressTotal = 1000;
constexpr int kTasksPerWorker = 2;

bool carriesOwnRect(std::int32_t code) {
  return code == JobReduceLevel || code == JobBoxRows || code == JobBoxColumns;
}

void doWork(JobTask& task, const JobEnvironment& environment) {
  const ImageRect& rect = task.layout.taskRect;
  const JobParams& params = task.params;
  switch (task.code) {
    case JobRenderBand:
      if (environment.render) environment.render(task);
      break;
    case JobReduceLevel:
      if (params.image) reduceLevelTask(*params.image, params.level, rect);
      break;
    case JobBoxRows:
      if (params.image) boxRowsTask(*params.image, params.level, rect, params.boxBefore, params.boxAfter, params.boxInput);
      break;
    case JobBoxColumns:
      if (params.image) boxColumnsTask(*params.image, params.level, rect, params.boxBefore, params.boxAfter);
      break;
    default: break;  // codes without work still run their tasks, which do nothing
  }
}

// Reading the calling thread's random state so that tasks run on it can put it back. A
// draw shows bits 16..30 of the state and bit 31 never reaches a later draw, so four draws
// leave one choice for the low 16 bits; the state before them follows by stepping back
// (the multiplier is odd, hence invertible modulo 2^32).
constexpr std::uint32_t kMultiplier = 214013u;
constexpr std::uint32_t kIncrement = 2531011u;

constexpr std::uint32_t inverseOf(std::uint32_t odd) {
  std::uint32_t inverse = odd;  // right in the lowest 3 bits; each step doubles that
  for (int step = 0; step < 5; ++step) inverse *= 2u - odd * inverse;
  return inverse;
}
static_assert(kMultiplier * inverseOf(kMultiplier) == 1u);

std::uint32_t shownBits(std::uint32_t state) { return (state >> 16) & 32767u; }

std::uint32_t readRandomState() {
  constexpr int kDraws = 4;
  std::uint32_t draws[kDraws];
  for (std::uint32_t& draw : draws) draw = std::uint32_t(nextRandom());
  for (std::uint32_t low = 0; low <= 0xFFFFu; ++low) {
    const std::uint32_t first = (draws[0] << 16) | low;
    std::uint32_t state = first;
    int matched = 1;
    while (matched < kDraws) {
      state = state * kMultiplier + kIncrement;
      if (shownBits(state) != draws[matched]) break;
      ++matched;
    }
    if (matched == kDraws) return (first - kIncrement) * inverseOf(kMultiplier);
  }
  return 1;  // not reached: the true low bits always match
}

// One task slot: the record of the task it runs now, reused for the next task.
struct Slot {
  JobTask task{};
  const JobEnvironment* environment = nullptr;
  JobStopReason failure = kJobNotStopped;  // written by the task's thread
  bool bandFromEnvironment = false;
};

void runSlot(void* argument) noexcept {
  Slot& slot = *static_cast<Slot*>(argument);
  seedRandom(1);
  try {
    doWork(slot.task, *slot.environment);
  } catch (const std::bad_alloc&) {
    slot.failure = kJobOutOfMemory;
  } catch (...) {
    slot.failure = kJobTaskFailed;
  }
}

class JobRun {
 public:
  JobRun(std::int32_t code, const JobParams& params, const JobEnvironment& environment, const JobLayout& layout,
         int workers, int slots)
      : code_(code), params_(params), environment_(environment), layout_(layout), workers_(workers),
        slots_(std::size_t(slots)), inbox_(std::size_t(slots)), pipelined_(layout.layout == rowMode && slots == 2),
        interval_(std::chrono::milliseconds(std::max(environment.progressIntervalMs, 0))),
        lastProgress_(Clock::now() - interval_) {
    for (Slot& slot : slots_) slot.environment = &environment_;
  }

  // Nothing may leave while tasks are out: they use this object's slots.
  JobOutcome run() noexcept {
    // A job of few tasks leaves the workers it does not need idle rather than stopping
    // them; only a lower processor count (which tests pretend) makes the pool smaller.
    useWorkers_ = !workers::onWorkerThread() && workers::useWorkers(workers_, workerThreadLimit()) > 0;
    for (int index = 0; index < startingSlots(); ++index) {
      if (!startTask(index)) break;
    }
    while (collected_ < started_) collect(inbox_.waitForAny());
    if (callerRandom_) seedRandom(*callerRandom_);
    return {workers_, cancelled_, reason_};
  }

 private:
  bool startTask(int index) {
    if (cancelled_ || started_ >= layout_.taskCount) return false;
    Slot& slot = slots_[std::size_t(index)];
    JobTask& task = slot.task;
    task.code = code_;
    task.layout = layout_;
    task.layout.taskIndex = started_;
    task.layout.taskRect = taskRect(layout_, started_);
    task.params = params_;
    task.context = environment_.context;
    task.band = nullptr;
    task.bandWidth = 0;
    task.bandHeight = 0;
    slot.failure = kJobNotStopped;
    if (code_ == JobRenderBand) {
      if (!allocateBand(slot)) {
        cancel(kJobOutOfMemory);
        return false;
      }
      if (environment_.load && !guarded([&] { environment_.load(task); })) {
        freeBand(slot);
        return false;
      }
    }
    ++started_;
    handOut(index);
    return true;
  }

  void handOut(int index) {
    Slot& slot = slots_[std::size_t(index)];
    if (useWorkers_ && workers::post({runSlot, &slot, &inbox_, index})) return;
    // No worker to be had: the task runs here, and the caller's generator is put back at the end.
    useWorkers_ = false;
    if (!callerRandom_) callerRandom_ = readRandomState();
    runSlot(&slot);
    inbox_.deliver(index);
  }

  void collect(int index) {
    Slot& slot = slots_[std::size_t(index)];
    if (!cancelled_) {
      if (slot.failure != kJobNotStopped) {
        cancel(slot.failure);
      } else if (environment_.shouldAbort) {
        bool stop = false;
        if (guarded([&] { stop = environment_.shouldAbort(environment_.context); }) && stop) cancel(kJobStoppedByUser);
      }
    }
    // A row is started before the row above is written back, so that the write-back on
    // this thread overlaps the rendering of the next row; the other slot is free by now.
    if (pipelined_) startTask(1 - index);
    if (code_ == JobRenderBand && !cancelled_ && environment_.writeBack) {
      guarded([&] { environment_.writeBack(slot.task); });
    }
    freeBand(slot);
    ++collected_;
    if (!pipelined_) startTask(index);
    reportProgress();
  }

  // Row mode keeps a second slot, never running at the same time as the first.
  int startingSlots() const { return pipelined_ ? 1 : int(slots_.size()); }

  bool allocateBand(Slot& slot) {
    JobTask& task = slot.task;
    const ImageRect& rect = task.layout.taskRect;
    const std::int64_t width = std::int64_t(rect.right) - rect.left + 2;
    const std::int64_t height = std::int64_t(rect.bottom) - rect.top + 2;
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    if (width > kLargest || height > kLargest) return false;
    const std::uint64_t cells = std::uint64_t(width) * std::uint64_t(height);
    if (cells > std::numeric_limits<std::size_t>::max() / sizeof(BandCell)) return false;
    void* memory = nullptr;
    if (environment_.allocateBand) {
      try {
        memory = environment_.allocateBand(environment_.context, std::size_t(cells) * sizeof(BandCell));
      } catch (...) {
        memory = nullptr;  // the heap may still have room
      }
    }
    slot.bandFromEnvironment = memory != nullptr;
    if (!memory) memory = std::calloc(std::size_t(cells), sizeof(BandCell));
    if (!memory) return false;
    task.band = static_cast<BandCell*>(memory);
    task.bandWidth = std::int32_t(width);
    task.bandHeight = std::int32_t(height);
    return true;
  }

  void freeBand(Slot& slot) {
    JobTask& task = slot.task;
    if (!task.band) return;
    if (!slot.bandFromEnvironment) {
      std::free(task.band);
    } else if (environment_.freeBand) {
      guarded([&] { environment_.freeBand(environment_.context, task.band); });
    }
    task.band = nullptr;
  }

  void reportProgress() {
    if (!environment_.progress || environment_.currentPass < 1) return;
    const Clock::time_point now = Clock::now();
    if (now - lastProgress_ < interval_) return;
    lastProgress_ = now;
    const std::int64_t passes = std::clamp<std::int64_t>(environment_.passCount, 1, kMostPasses);
    const std::int64_t pass = std::min<std::int64_t>(environment_.currentPass, passes);
    const std::int64_t tasks = layout_.taskCount;
    const std::int64_t done = ((pass - 1) * tasks + collected_) * kProgressTotal / (passes * tasks);
    guarded([&] { environment_.progress(environment_.context, std::int32_t(done), kProgressTotal); });
  }

  void cancel(JobStopReason reason) {
    if (cancelled_) return;
    cancelled_ = true;
    reason_ = reason;
  }

  // Runs a step of the caller's (a hook or a host service); whatever it throws cancels.
  template <class Step>
  bool guarded(Step&& step) {
    try {
      step();
      return true;
    } catch (const std::bad_alloc&) {
      cancel(kJobOutOfMemory);
    } catch (...) {
      cancel(kJobTaskFailed);
    }
    return false;
  }

  const std::int32_t code_;
  const JobParams params_;
  const JobEnvironment& environment_;
  const JobLayout layout_;
  const int workers_;
  std::vector<Slot> slots_;
  workers::Inbox inbox_;
  const bool pipelined_;
  const Clock::duration interval_;
  Clock::time_point lastProgress_;
  bool useWorkers_ = false;
  std::optional<std::uint32_t> callerRandom_;
  std::int32_t started_ = 0;
  std::int32_t collected_ = 0;
  bool cancelled_ = false;
  JobStopReason reason_ = kJobNotStopped;
};

}  // namespace

JobOutcome runJob(std::int32_t code, std::int32_t layout, const JobParams& params, const JobEnvironment& environment) {
  const ImageRect rect = carriesOwnRect(code) ? params.rect : environment.renderRect;
  const JobLayout cut = makeJobLayout(layout, rect);
  if (cut.taskCount < 0) return {0, true, kJobBadLayout};
  if (cut.taskCount == 0) return {};
  // Row mode: one task at a time, in two slots that take turns (see collect). Otherwise
  // every worker has a second task waiting behind the one it runs, so that it goes straight
  // on when it finishes instead of waiting for this thread to wake up and hand one out.
  const int workers = layout == rowMode ? 1 : std::min(workerThreadLimit(), int(cut.taskCount));
  const int slots = layout == rowMode ? (code == JobRenderBand ? 2 : 1)
                                      : std::min(workers * kTasksPerWorker, int(cut.taskCount));
  try {
    JobRun job(code, params, environment, cut, workers, slots);
    return job.run();
  } catch (const std::bad_alloc&) {  // the job's own records; no task has started yet
    return {0, true, kJobOutOfMemory};
  }
}

int workerThreadLimit() {
  const int pretended = pretendedProcessors.load();
  const long long processors = pretended != 0 ? pretended : static_cast<long long>(platform::processorCount());
  return int(std::clamp<long long>(processors, 1, kMostWorkerThreads));
}

void setProcessorCountForTesting(int processors) { pretendedProcessors.store(processors); }

void stopWorkerThreads() { workers::stopWorkers(); }

}  // namespace qm
