// Timing helpers shared by the benchmark programs: the wall time of one call, and the median of
// several timed calls after one untimed call that warms the caches.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

// Seconds that one call of f takes (steady clock).
inline double secondsOf(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One untimed call of f, then the median in seconds of `runs` (at least 1) timed calls.
inline double warmMedianSeconds(int runs, const std::function<void()>& f) {
  f();
  std::vector<double> t;
  for (int i = 0; i < std::max(runs, 1); ++i) t.push_back(secondsOf(f));
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace bench
