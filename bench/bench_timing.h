// Shared by the benchmarks: wall-clock milliseconds and the median of repeated runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double MillisecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
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
