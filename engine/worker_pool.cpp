// SPDX-License-Identifier: LicenseRef-Quillmark
#include "engine/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "engine/jobs.h"

namespace qm::workers {
namespace {

thread_local bool isWorker = false;

// A hand-over between threads that are awake takes a few microseconds; going to sleep and
// being woken costs several times that. So a thread that waits looks for a while, giving
// way to others, before it sleeps: short tasks then pass from hand to hand without a
// sleep, and long ones lose at most this much processor time per wait.
constexpr auto kLookBeforeSleeping = std::chrono::microseconds(50);

template <class Ready>
void lookFor(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kLookBeforeSleeping;
  while (!ready() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

class Pool {
 public:
  int use(int wanted, int most) {
    most = std::min(most, kMostWorkerThreads);
    wanted = std::min(wanted, most);
    if (running() > most) stop();
    std::lock_guard lock(mutex_);
    if (stopping_) return int(threads_.size());
    while (int(threads_.size()) < wanted) {
      try {
        threads_.emplace_back([this] { workLoop(); });
      } catch (...) {
        break;  // the system is out of threads or memory: make do with what runs
      }
    }
    return int(threads_.size());
  }

  bool post(const WorkItem& item) noexcept {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      if (threads_.empty() || stopping_) return false;
      try {
        queue_.push_back(item);
      } catch (...) {
        return false;
      }
      queued_.store(queue_.size(), std::memory_order_release);
      wake = sleeping_ > 0;
    }
    if (wake) hasWork_.notify_one();
    return true;
  }

  bool idle() { return running() == 0; }

  int running() {
    std::lock_guard lock(mutex_);
    return int(threads_.size());
  }

  void stop() {
    std::vector<std::thread> leaving;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      stopping_ = true;
      leaving.swap(threads_);
    }
    hasWork_.notify_all();
    for (std::thread& thread : leaving) thread.join();
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }

 private:
  void workLoop() {
    isWorker = true;
    for (;;) {
      lookFor([this] { return queued_.load(std::memory_order_acquire) > 0; });
      std::unique_lock lock(mutex_);
      while (!stopping_ && queue_.empty()) {
        ++sleeping_;
        hasWork_.wait(lock);
        --sleeping_;
      }
      if (queue_.empty()) return;  // stopping, and nothing is left to do
      const WorkItem item = queue_.front();
      queue_.pop_front();
      queued_.store(queue_.size(), std::memory_order_release);
      lock.unlock();
      item.run(item.argument);
      item.inbox->deliver(item.slot);
    }
  }

  std::mutex mutex_;
  std::condition_variable hasWork_;
  std::deque<WorkItem> queue_;
  std::atomic<std::size_t> queued_{0};  // queue_.size(), for looking without the lock
  int sleeping_ = 0;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

// A static Pool with running threads could not be destroyed: static destructors of a
// library may run under the system's loader lock, where joining a thread never returns,
// and destroying a joinable thread ends the process. So the pool is freed at unload only
// when stopWorkers() has left it without threads (as PluginMain does after every call);
// otherwise it is left to the process's end.
struct PoolHolder {
  Pool* pool = new Pool;
  ~PoolHolder() {
    if (pool->idle()) delete pool;
  }
};

Pool& pool() {
  static PoolHolder holder;
  return *holder.pool;
}

}  // namespace

Inbox::Inbox(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

void Inbox::deliver(int slot) {
  std::lock_guard lock(mutex_);
  // Never more reports than slots out, so the ring cannot overflow.
  ring_[(head_ + count_) % ring_.size()] = slot;
  ++count_;
  unread_.store(count_, std::memory_order_release);
  // Under the lock: once the reader has the last report it may end the job and destroy
  // this inbox, so nothing may touch it after the mutex is released.
  if (sleeping_) ready_.notify_one();
}

int Inbox::waitForAny() {
  lookFor([this] { return unread_.load(std::memory_order_acquire) > 0; });
  std::unique_lock lock(mutex_);
  while (count_ == 0) {
    sleeping_ = true;
    ready_.wait(lock);
    sleeping_ = false;
  }
  const int slot = ring_[head_];
  head_ = (head_ + 1) % ring_.size();
  --count_;
  unread_.store(count_, std::memory_order_release);
  return slot;
}

void Tally::raise(std::int32_t to) {
  std::lock_guard lock(mutex_);
  count_.store(to, std::memory_order_release);
  if (sleeping_) raised_.notify_one();
}

void Tally::close() {
  std::lock_guard lock(mutex_);
  closed_.store(true, std::memory_order_release);
  if (sleeping_) raised_.notify_one();
}

bool Tally::waitAbove(std::int32_t value) {
  lookFor([&] { return passes(value); });
  std::unique_lock lock(mutex_);
  while (!passes(value)) {
    sleeping_ = true;
    raised_.wait(lock);
    sleeping_ = false;
  }
  return count_.load(std::memory_order_acquire) > value;
}

int useWorkers(int wanted, int most) { return pool().use(wanted, most); }

bool post(const WorkItem& item) noexcept { return pool().post(item); }

void stopWorkers() {
  if (!isWorker) pool().stop();
}

bool onWorkerThread() { return isWorker; }

}  // namespace qm::workers
