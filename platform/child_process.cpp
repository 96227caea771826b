#include "platform/child_process.h"

#include <algorithm>
#include <atomic>

#include "platform/stop.h"

void BoundedText::append(const char* data, std::size_t size) {
  const std::size_t half = limit / 2;
  if (head.size() < limit - half) {
    const std::size_t take = std::min(size, limit - half - head.size());
    head.append(data, take);
    data += take;
    size -= take;
  }
  if (size == 0) return;
  tail.append(data, size);
  // Trimmed once it holds twice what is kept, so that a long stream costs
  // a copy now and then, not one per read.
  if (tail.size() > 2 * half) {
    cut = true;
    tail.erase(0, tail.size() - half);
  }
}

std::string BoundedText::text() const {
  const std::size_t half = limit / 2;
  if (!cut && tail.size() <= half) return head + tail;
  return head + "\n" + tail.substr(tail.size() - std::min(tail.size(), half));
}

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set inside a signal handler");

}  // namespace

void requestStop() { gStop.store(true); }
bool stopRequested() { return gStop.load(); }
void clearStopRequest() { gStop.store(false); }
