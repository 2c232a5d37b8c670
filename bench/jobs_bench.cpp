// SPDX-License-Identifier: LicenseRef-Quillmark
// What runJob costs per task when the tasks themselves do nothing: handing a task to a
// worker, getting it back, and its scratch memory. Row mode runs one task at a time, so every
// hand-over is on the critical path; band mode keeps every processor busy.
// Target: at most 20 microseconds per task (counter us_per_task).
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/jobs.h"

namespace qm {
namespace {

constexpr int kTasks = 4000;

void runEmptyJob(benchmark::State& state, std::int32_t layout, const ImageRect& rect) {
  JobEnvironment environment;
  environment.rect = rect;
  environment.scratchBytes = 64;
  environment.work = [](JobTask&) {};
  runJob(layout, environment);  // the workers start outside the timing
  double seconds = 0;
  int threads = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const JobOutcome outcome = runJob(layout, environment);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    threads = outcome.threads;
    if (outcome.cancelled) state.SkipWithError("the job was cancelled");
  }
  state.counters["us_per_task"] = seconds * 1e6 / (double(state.iterations()) * kTasks);
  state.counters["threads"] = threads;
}

void BM_RowModeEmptyTasks(benchmark::State& state) { runEmptyJob(state, rowMode, {0, 0, kTasks, 1}); }
BENCHMARK(BM_RowModeEmptyTasks)->UseRealTime()->Unit(benchmark::kMillisecond);

// Rows that take as long as a style's row of a 6000-pixel picture (about 50 microseconds),
// longer than the threads look for work before they sleep: what each row costs beyond its
// own work (counter us_over_task) is the hand-over between the worker and the calling
// thread, on the critical path unless rows are handed out ahead.
constexpr auto kRowTime = std::chrono::microseconds(50);

void BM_RowModeRowLongTasks(benchmark::State& state) {
  constexpr int kRows = 2000;
  JobEnvironment environment;
  environment.rect = {0, 0, kRows, 1};
  environment.scratchBytes = 64;
  environment.work = [](JobTask&) {
    const auto until = std::chrono::steady_clock::now() + kRowTime;
    while (std::chrono::steady_clock::now() < until) {
    }
  };
  environment.writeBack = [](JobTask&) {};
  runJob(rowMode, environment);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (runJob(rowMode, environment).cancelled) state.SkipWithError("the job was cancelled");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double perRow = seconds * 1e6 / (double(state.iterations()) * kRows);
  state.counters["us_over_task"] = perRow - double(kRowTime.count());
}
BENCHMARK(BM_RowModeRowLongTasks)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// 64 x 256000: 4000 bands of 64 x 64.
void BM_BandModeEmptyTasks(benchmark::State& state) {
  runEmptyJob(state, bandMode, {0, 0, kTasks * kJobBandSize, kJobBandSize});
}
BENCHMARK(BM_BandModeEmptyTasks)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm
