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
#include <new>
#include <optional>
#include <vector>

#include "engine/worker_pool.h"
#include "platform/platform.h"
#include "platform/random_generator.h"

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> pretendedProcessors{0};
std::atomic<bool> tasksFail{false};

// More passes are held at this so that the progress arithmetic stays within 64 bits.
constexpr std::int64_t kMostPasses = std::int64_t(1) << 20;
constexpr std::int32_t kProgressTotal = 1000;
constexpr int kTasksPerWorker = 2;
// Row mode hands out this many rows ahead of the one being written back, so the worker
// goes from row to row without waiting for this thread to wake up.
constexpr int kRowsAhead = 8;
// The report of the row runner when it ends, in the inbox beside the slots' reports.
constexpr int kRunnerSlot = -1;

// One task slot: the record of the task it runs now and its scratch memory, both reused
// for the next task.
struct Slot {
  JobTask task{};
  const JobEnvironment* environment = nullptr;
  JobStopReason failure = kJobNotStopped;  // written by the task's thread
  void* scratch = nullptr;

  Slot() = default;
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  Slot(Slot&& other) noexcept : environment(other.environment), scratch(other.scratch) { other.scratch = nullptr; }
  ~Slot() { std::free(scratch); }
};

void runSlot(void* argument) noexcept {
  Slot& slot = *static_cast<Slot*>(argument);
  seedRandom(1);
  try {
    if (tasksFail.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (slot.environment->work) slot.environment->work(slot.task);
  } catch (const std::bad_alloc&) {
    slot.failure = kJobOutOfMemory;
  } catch (...) {
    slot.failure = kJobTaskFailed;
  }
}

class JobRun {
 public:
  JobRun(const JobEnvironment& environment, const JobLayout& layout, int workers, int slots)
      : environment_(environment), layout_(layout), workers_(workers), slots_(std::size_t(slots)),
        inbox_(std::size_t(slots) + 1), inOrder_(layout.layout == rowMode),
        interval_(std::chrono::milliseconds(std::max(environment.progressIntervalMs, 0))),
        lastProgress_(Clock::now() - interval_) {
    for (Slot& slot : slots_) slot.environment = &environment_;
  }

  // Each slot's scratch, before any task starts; false when memory runs out.
  bool allocateScratch() {
    if (environment_.scratchBytes == 0) return true;
    for (Slot& slot : slots_) {
      slot.scratch = std::calloc(environment_.scratchBytes, 1);
      if (!slot.scratch) return false;
    }
    return true;
  }

  // Nothing may leave while tasks are out: they use this object's slots.
  JobOutcome run() noexcept {
    // A job of few tasks leaves the workers it does not need idle rather than stopping
    // them; only a lower processor count (which tests pretend) makes the pool smaller.
    useWorkers_ = !workers::onWorkerThread() && workers::useWorkers(workers_, workerThreadLimit()) > 0;
    for (int index = 0; index < int(slots_.size()); ++index) {
      if (!startTask(index)) break;
    }
    while (collected_ < started_) collect(inbox_.waitForAny());
    // The row runner may still be waiting for rows; it uses this object until it reports.
    handedOut_.close();
    while (runnerOut_) collect(inbox_.waitForAny());
    if (callerRandom_) seedRandom(*callerRandom_);
    return {workers_, cancelled_, reason_};
  }

 private:
  bool startTask(int index) {
    if (cancelled_ || started_ >= layout_.taskCount) return false;
    Slot& slot = slots_[std::size_t(index)];
    JobTask& task = slot.task;
    task.layout = layout_;
    task.layout.taskIndex = started_;
    task.layout.taskRect = taskRect(layout_, started_);
    task.scratch = slot.scratch;
    task.context = environment_.context;
    slot.failure = kJobNotStopped;
    if (environment_.load && !guarded([&] { environment_.load(task); })) return false;
    ++started_;
    handOut(index);
    return true;
  }

  void handOut(int index) {
    Slot& slot = slots_[std::size_t(index)];
    if (inOrder_ && useWorkers_ && handToRunner()) return;
    if (!inOrder_ && useWorkers_ && workers::post({runSlot, &slot, &inbox_, index})) return;
    // No worker to be had: the task runs here, and the caller's generator is put back at the end.
    useWorkers_ = false;
    if (!callerRandom_) callerRandom_ = randomState();
    runSlot(&slot);
    inbox_.deliver(index);
  }

  // Row mode: one worker runs the rows, in order, as they are handed out; it is posted
  // with the first. Only rows handed out before the runner could not be had run here.
  bool handToRunner() {
    if (!runnerOut_) {
      if (!workers::post({runRows, this, &inbox_, kRunnerSlot})) return false;
      runnerOut_ = true;
    }
    handedOut_.raise(started_);
    return true;
  }

  static void runRows(void* argument) noexcept {
    JobRun& job = *static_cast<JobRun*>(argument);
    const std::int32_t slots = std::int32_t(job.slots_.size());
    for (std::int32_t row = 0; job.handedOut_.waitAbove(row); ++row) {
      runSlot(&job.slots_[std::size_t(row % slots)]);
      job.inbox_.deliver(int(row % slots));
    }
  }

  void collect(int index) {
    if (index == kRunnerSlot) {
      runnerOut_ = false;
      return;
    }
    Slot& slot = slots_[std::size_t(index)];
    if (!cancelled_) {
      if (slot.failure != kJobNotStopped) {
        cancel(slot.failure);
      } else if (environment_.shouldAbort) {
        bool stop = false;
        if (guarded([&] { stop = environment_.shouldAbort(environment_.context); }) && stop) cancel(kJobStoppedByUser);
      }
    }
    if (!cancelled_ && environment_.writeBack) guarded([&] { environment_.writeBack(slot.task); });
    ++collected_;
    startTask(index);
    reportProgress();
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

  const JobEnvironment& environment_;
  const JobLayout layout_;
  const int workers_;
  std::vector<Slot> slots_;
  workers::Inbox inbox_;
  const bool inOrder_;
  workers::Tally handedOut_;  // row mode: the rows handed out to the runner
  bool runnerOut_ = false;
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

JobOutcome runJob(std::int32_t layout, const JobEnvironment& environment) {
  const JobLayout cut = makeJobLayout(layout, environment.rect);
  if (cut.taskCount < 0) return {0, true, kJobBadLayout};
  if (cut.taskCount == 0) return {};
  // Row mode: one task at a time, on one worker, with rows handed out ahead (see
  // handToRunner). Otherwise every worker has a second task waiting behind the one it runs,
  // so that it goes straight on when it finishes instead of waiting for this thread to wake
  // up and hand one out.
  const int workers = layout == rowMode ? 1 : std::min(workerThreadLimit(), int(cut.taskCount));
  const int slots = layout == rowMode ? std::min(kRowsAhead, int(cut.taskCount))
                                      : std::min(workers * kTasksPerWorker, int(cut.taskCount));
  try {
    JobRun job(environment, cut, workers, slots);
    if (!job.allocateScratch()) return {0, true, kJobOutOfMemory};
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

void setTasksFailForTesting(bool fail) { tasksFail.store(fail); }

void stopWorkerThreads() { workers::stopWorkers(); }

}  // namespace qm
