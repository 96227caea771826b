#pragma once
// The bar inside a step that moves data: from the step's own value while
// nothing is done towards the next step's value as the bytes are done, one
// short of it at most (the next step sets its own), and never back.

#include <algorithm>
#include <atomic>
#include <cstdint>

// Raises bar to value; a lower value leaves it as it is.
inline void raiseProgress(std::atomic<int>& bar, int value) {
  int seen = bar.load();
  while (seen < value && !bar.compare_exchange_weak(seen, value)) {
  }
}

struct StepProgress {
  std::atomic<int>* bar = nullptr;  // none: nothing shown
  int from = 0, to = 0;
  std::uint64_t total = 0;  // 0: the bytes to do are not known
  std::atomic<std::uint64_t> done{0};

  StepProgress() = default;
  StepProgress(std::atomic<int>& progress, int fromValue, int toValue, std::uint64_t totalBytes)
      : bar(&progress), from(fromValue), to(toValue), total(totalBytes) {}

  // Adds bytes done (from any thread).
  void add(std::uint64_t bytes) { show(done.fetch_add(bytes) + bytes); }
  // Shows this many bytes done in all.
  void show(std::uint64_t bytes) const {
    if (!bar || total == 0 || to - 1 <= from) return;
    const std::uint64_t span = static_cast<std::uint64_t>(to - from);
    const int value = from + static_cast<int>(span * std::min(bytes, total) / total);
    raiseProgress(*bar, std::min(value, to - 1));
  }
};
