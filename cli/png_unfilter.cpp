// SPDX-License-Identifier: LicenseRef-Quillmark
// Each row of a photograph depends on the row above, yet only on the part of it up to one
// pixel past its own position. So a few threads each take the next row nobody has taken,
// in stretches of 1024 pixels, each as soon as the row above is done that far: the threads
// work down the picture close behind one another. On two processors that takes a fifth
// off reading an 8-bit photograph (docs/benchmarks.md, "Reading PNG files"). The filtered
// rows start far enough into the buffer that no thread overwrites bytes another has yet to
// read (see planUnfiltering).
//
// The waiting thread spins briefly and then yields: a stretch takes microseconds, so the
// row above is nearly always ready, and on a busy machine the thread it waits for gets the
// processor.
#include "cli/png_unfilter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/png_row_unfilter.h"

namespace qm::cli::png {

namespace {

constexpr std::size_t kStretchPixels = 1024;
// Below this, starting a thread costs more than it saves.
constexpr std::size_t kThreadedBytes = std::size_t(1) << 20;
constexpr unsigned kMostThreads = 4;

std::atomic<unsigned> threadsForTesting{0};

unsigned threadCount(std::size_t rowBytes, std::size_t height) {
  if (const unsigned forced = threadsForTesting.load()) return forced;
  if (rowBytes * height < kThreadedBytes) return 1;
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
}

void swapSamples16(std::uint8_t* row, std::size_t size) {
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    std::uint16_t sample;
    std::memcpy(&sample, row + i, 2);
    sample = std::uint16_t(sample << 8 | sample >> 8);
    std::memcpy(row + i, &sample, 2);
  }
}

class Unfiltering {
 public:
  explicit Unfiltering(const FilteredPicture& picture)
      : picture_(picture), done_(new std::atomic<std::size_t>[picture.height]()), zeros_(picture.rowBytes, 0) {}

  bool failed() const { return failed_.load(); }

  // Takes the next row until none is left. A row's samples are swapped once the row below
  // it, the last to look at it, is done; the last row's by finish.
  void run() {
    const std::size_t n = picture_.rowBytes;
    while (!failed_.load(std::memory_order_relaxed)) {
      const std::size_t y = next_.fetch_add(1);
      if (y >= picture_.height || !runRow(y)) return;
      if (picture_.swap16 && y > 0) swapSamples16(picture_.bytes + (y - 1) * n, n);
    }
  }

  void finish() {
    const std::size_t n = picture_.rowBytes;
    if (picture_.swap16 && picture_.height > 0) swapSamples16(picture_.bytes + (picture_.height - 1) * n, n);
  }

 private:
  // The filter type is read first: rows below may overwrite it once this row is under way.
  bool runRow(std::size_t y) {
    const std::size_t n = picture_.rowBytes, bpp = picture_.pixelBytes;
    std::uint8_t* out = picture_.bytes + y * n;
    const std::uint8_t* filtered = picture_.bytes + picture_.plan.leadRows * n + y * (n + 1);
    const std::uint8_t type = filtered[0];
    const std::uint8_t* above = y == 0 ? zeros_.data() : out - n;
    for (std::size_t from = 0; from < n;) {
      const std::size_t to = std::min(n, from + kStretchPixels * bpp);
      if (y > 0 && !waitFor(y - 1, to)) return false;
      if (!unfilterStretch(type, {out, filtered + 1, above, from, to, bpp})) {
        failed_ = true;
        return false;
      }
      done_[y].store(to, std::memory_order_release);
      from = to;
    }
    return true;
  }

  // Until row y is done up to byte `bytes`; false when another thread has failed.
  bool waitFor(std::size_t y, std::size_t bytes) {
    for (unsigned spins = 0; done_[y].load(std::memory_order_acquire) < bytes; ++spins) {
      if (failed_.load(std::memory_order_relaxed)) return false;
      if (spins > 64) std::this_thread::yield();
    }
    return true;
  }

  const FilteredPicture picture_;
  std::atomic<std::size_t> next_{0};                  // the next row nobody has taken
  std::unique_ptr<std::atomic<std::size_t>[]> done_;  // bytes done of each row
  std::atomic<bool> failed_{false};
  const std::vector<std::uint8_t> zeros_;              // the row above the first
};

// Fewer helpers when the system gives no more threads: the rows are shared by those there are.
std::vector<std::thread> startHelpers(Unfiltering& job, unsigned threads) {
  std::vector<std::thread> helpers;
  try {
    while (helpers.size() + 1 < threads) helpers.emplace_back([&job] { job.run(); });
  } catch (const std::system_error&) {
  }
  return helpers;
}

}  // namespace

// Row y + k, k rows ahead, writes its byte x over filtered byte x + k * rowBytes - lead - y - 1
// of row y, which that row has read once it is done beyond x, as row y + k waits for it
// to be. With a lead of k rows that byte lies before x. One row of lead for one thread
// keeps a row's output clear of its own filtered bytes.
UnfilterPlan planUnfiltering(std::size_t rowBytes, std::size_t height) {
  const unsigned threads = threadCount(rowBytes, height);
  return {threads, std::max<std::size_t>(threads - 1, 1)};
}

bool unfilterPicture(const FilteredPicture& picture) {
  Unfiltering job(picture);
  std::vector<std::thread> helpers = startHelpers(job, picture.plan.threads);
  job.run();
  for (std::thread& helper : helpers) helper.join();
  if (job.failed()) return false;
  job.finish();
  return true;
}

void setUnfilterThreadsForTesting(unsigned threads) { threadsForTesting = threads; }

}  // namespace qm::cli::png
