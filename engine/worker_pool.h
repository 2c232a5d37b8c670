// SPDX-License-Identifier: LicenseRef-Quillmark
// The engine's worker threads, inside the engine only (jobs.h is the public face). Workers
// start when a job first asks for them and stay for the jobs that follow; they take items
// in the order they were posted and report each finished item to the item's inbox. The
// rules of a job (random state, hooks, how many items at once) are runJob's business: the
// pool runs whatever it is handed, on whichever worker is free.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace qm::workers {

// Where finished items report, by slot number; one per job, read by the job's own thread.
// Holds at most `capacity` reports, which is enough when no more items than that are out.
class Inbox {
 public:
  explicit Inbox(std::size_t capacity);
  void deliver(int slot);
  int waitForAny();  // a finished slot, oldest first

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<int> ring_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  std::atomic<std::size_t> unread_{0};  // count_, for looking without the lock
  bool sleeping_ = false;
};

// A count one thread raises and another waits on, with an end: row mode's calling thread
// counts the rows it has handed out, and the worker that runs them waits for the next.
class Tally {
 public:
  void raise(std::int32_t to);
  void close();  // no more raises: every wait returns
  // Waits until the count is above `value`; false when it never will be (closed first).
  bool waitAbove(std::int32_t value);

 private:
  bool passes(std::int32_t value) const {
    return count_.load(std::memory_order_acquire) > value || closed_.load(std::memory_order_acquire);
  }

  std::mutex mutex_;
  std::condition_variable raised_;
  std::atomic<std::int32_t> count_{0};
  std::atomic<bool> closed_{false};
  bool sleeping_ = false;
};

struct WorkItem {
  void (*run)(void* argument) noexcept;
  void* argument;
  Inbox* inbox;
  int slot;
};

// Makes at least `wanted` and at most `most` workers run (never more than 100): starts
// threads up to `wanted`, and when more than `most` run, lets them all finish and starts
// `wanted` afresh (only when the processor count changes, which tests pretend). Answers
// how many run, fewer than wanted when the system refuses a thread (0: none could be
// had). They are all a job's tasks can run on at once, however many it has queued.
int useWorkers(int wanted, int most);
// Queues the item for the next free worker; false when no worker runs or the queue cannot
// grow, and the caller then runs the item itself.
bool post(const WorkItem& item) noexcept;
// Lets the workers finish every queued item, then joins them. Nothing on a worker thread.
void stopWorkers();
bool onWorkerThread();

}  // namespace qm::workers
