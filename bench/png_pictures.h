// SPDX-License-Identifier: LicenseRef-Quillmark
// What the PNG benchmarks share: the pictures they are given, and the statistic they report
// beside the median.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace qm::bench {

// The PNG files named in QUILLMARK_BENCH_PNG, separated by colons; none without it.
inline std::vector<std::string> pngPicturePaths() {
  std::vector<std::string> paths;
  const char* list = std::getenv("QUILLMARK_BENCH_PNG");
  for (std::string rest = list ? list : ""; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    paths.push_back(rest.substr(0, colon));
    rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
  }
  return paths;
}

// The fastest repetition beside the median: on a shared machine it is the one least
// disturbed by other work.
inline double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// One benchmark of `run` per call, in milliseconds of wall time, with the fastest repetition.
template <class Run, class... Args>
void registerPngBenchmark(const std::string& name, Run run, const Args&... args) {
  benchmark::RegisterBenchmark(name.c_str(), run, args...)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->ComputeStatistics("min", fastest);
}

}  // namespace qm::bench
