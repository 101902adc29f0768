// Shared by the benchmarks: wall-clock milliseconds and the median of repeated runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double MillisecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

// CPU time of the whole process: what the work costs, without the time other programs on a
// shared machine take the processor away.
inline double CpuMillisecondsNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The mean without the lowest and the highest tenth: steady against a few disturbed runs, yet
// it weighs every mode of a spread that has several.
inline double TrimmedMean(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t cut = values.size() / 10;
  double sum = 0;
  for (size_t i = cut; i < values.size() - cut; ++i) sum += values[i];
  return sum / double(values.size() - 2 * cut);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median of the ratios of paired runs (each measured right after the other): on a shared
// machine both halves of a pair meet about the same load.
inline double MedianPairedRatio(const std::vector<double>& measured, const std::vector<double>& baseline) {
  std::vector<double> ratios;
  for (size_t i = 0; i < measured.size() && i < baseline.size(); ++i) ratios.push_back(measured[i] / baseline[i]);
  return Median(ratios);
}
