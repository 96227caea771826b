#pragma once
// A few copy workers for one pass over a tree: the walk hands each file to
// a worker and goes on, so that several copies are in flight (on a real
// disk creating many small files is latency-bound; on Windows each new file
// is also scanned). A target always goes to the same worker, chosen by its
// lower-cased relative path, so two files for one target (on Windows, two
// names that differ only in letter case) are copied in walk order.
//
// The first full disk or file that cannot be placed stops the pool: queued
// copies are dropped, and the walk learns it from place(). finish() waits
// for every worker and joins it; so does the destructor, so no worker
// outlives the step, whatever ends it. An exception inside a worker is carried over to finish().

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "discovery/text_path.h"
#include "install/install_run.h"
#include "install/step_progress.h"
#include "platform/stop.h"

struct CopyPool {
  enum class How { Copy, Move };

  struct Job {
    std::filesystem::path source;
    std::filesystem::path target;
    How how;
  };

  struct Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queue;
    bool closing = false;
    std::thread thread;
    std::filesystem::path::string_type madeFolder;  // the target folder it made last
  };

  // Jobs a worker may have waiting: enough to keep it busy, few enough to
  // keep the memory of a 100,000-file walk small.
  static constexpr std::size_t kQueued = 64;

  std::vector<std::unique_ptr<Worker>> workers;
  std::mutex failureMutex;
  std::optional<std::string> failure;  // the ERROR line that stopped the pool
  std::exception_ptr thrown;           // what a worker threw
  std::atomic<bool> stopped{false};
  StepProgress* progress = nullptr;    // raised by the bytes of each copy
  bool targetsNew = false;             // the targets' tree was empty before the pool

  // Two to four workers from the number of cores, one on a single core.
  static std::size_t defaultWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 1) return 1;
    return cores < 2 ? 2 : cores > 4 ? 4 : cores;
  }

  explicit CopyPool(std::size_t count = defaultWorkers()) {
    for (std::size_t i = 0; i < count; ++i) workers.push_back(std::make_unique<Worker>());
    try {
      for (std::unique_ptr<Worker>& w : workers) w->thread = std::thread([this, raw = w.get()] { work(*raw); });
    } catch (...) {  // a thread that cannot start: the ones started end first
      stop();
      join();
      throw;
    }
  }
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;
  ~CopyPool() {
    stop();
    join();
  }

  // Hands one file to its worker; false once the pool has stopped (the
  // walk then stops too). loweredRelative picks the worker.
  bool place(std::filesystem::path source, std::filesystem::path target, std::string_view loweredRelative,
             How how = How::Copy) {
    if (stopped.load()) return false;
    Worker& w = *workers[hashOf(loweredRelative) % workers.size()];
    std::unique_lock<std::mutex> lock(w.mutex);
    if (w.queue.size() >= kQueued) {
      w.changed.wait(lock, [&] { return w.queue.size() <= kQueued / 2 || stopped.load(); });
    }
    if (stopped.load()) return false;
    const bool wasEmpty = w.queue.empty();
    w.queue.push_back({std::move(source), std::move(target), how});
    if (wasEmpty) w.changed.notify_all();  // only an idle worker waits for work
    return true;
  }

  // Waits until every handed file is placed and every worker has ended;
  // the ERROR line when a full disk stopped the pool. Rethrows what a
  // worker threw.
  std::optional<std::string> finish() {
    join();
    if (thrown) std::rethrow_exception(thrown);
    return failure;
  }

 private:
  static std::uint64_t hashOf(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    return h;
  }

  void stop() {
    stopped.store(true);
    for (std::unique_ptr<Worker>& w : workers) {
      std::lock_guard<std::mutex> lock(w->mutex);
      w->queue.clear();
      w->changed.notify_all();
    }
  }

  void join() {
    for (std::unique_ptr<Worker>& w : workers) {
      {
        std::lock_guard<std::mutex> lock(w->mutex);
        w->closing = true;
        w->changed.notify_all();
      }
      if (w->thread.joinable()) w->thread.join();
    }
  }

  void work(Worker& w) {
    while (true) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(w.mutex);
        w.changed.wait(lock, [&] { return !w.queue.empty() || w.closing; });
        if (w.queue.empty()) return;  // closing, and nothing left
        job = std::move(w.queue.front());
        w.queue.pop_front();
        // A walk held by a full queue goes on once half of it is done: it
        // then hands on many files per wake-up, not one.
        if (w.queue.size() == kQueued / 2) w.changed.notify_all();
      }
      try {
        // The player asked to stop: no file more is started.
        if (stopRequested()) {
          fail(std::string(kStoppedLine), nullptr);
          continue;
        }
        FileFailure why;
        const FileResult result = placeJob(w, job, why, targetsNew);
        if (result == FileResult::Done && progress) progress->add(why.copiedBytes);
        // A full disk, or a file that cannot be placed, leaves the game incomplete.
        if (std::optional<std::string> line = fileResultLine(result, job.target, why, job.source)) {
          fail(std::move(line), nullptr);
        }
      } catch (...) {
        fail(std::nullopt, std::current_exception());
      }
    }
  }

  // Files of one folder come one after another: their target folder is
  // made for the first of them only.
  static FileResult placeJob(Worker& w, const Job& job, FileFailure& why, bool targetIsNew) {
    using Char = std::filesystem::path::value_type;
    static constexpr Char kSeparators[] = {Char('/'), std::filesystem::path::preferred_separator, Char(0)};
    const auto& target = job.target.native();
    const std::size_t cut = target.find_last_of(kSeparators);
    const auto folder = cut == target.npos ? target.substr(0, 0) : target.substr(0, cut);
    if (folder != w.madeFolder) {
      if (createFolders(job.target.parent_path()) == FileResult::DiskFull) return FileResult::DiskFull;
      w.madeFolder = folder;
    }
    if (job.how == How::Move && replaceFile(job.source, job.target)) return FileResult::Done;
    return copyFileReplacing(job.source, job.target, &why, targetIsNew);
  }

  void fail(std::optional<std::string> line, std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(failureMutex);
      if (!failure && !thrown) {
        failure = std::move(line);
        thrown = error;
      }
    }
    stop();
  }
};

// Places the files of the tree at root through a pool, in one pass over it
// (two with move: links are copied first, while every file they may lead
// to is still in place, then the other files are moved). targetFor(relative,
// lowered) gives a file's target, or nothing to pass it over; counted is
// raised for each file handed on, progress by the bytes of each copy;
// targetsNew says that the targets' tree was empty. The ERROR line of a
// full disk, of a folder the walk could not list or of a stop, or nothing.
template <typename TargetFor>
std::optional<std::string> placeTree(const std::filesystem::path& root, bool move, bool insideRootOnly,
                                     TargetFor&& targetFor, int* counted = nullptr,
                                     StepProgress* progress = nullptr, bool targetsNew = false) {
  enum class Pass { All, Links, NotLinks };
  auto pass = [&](Pass which) -> std::optional<std::string> {
    CopyPool pool;
    pool.progress = progress;
    pool.targetsNew = targetsNew;
    const std::optional<WalkError> walkError = forEachRegularFile(
        root,
        [&](const std::filesystem::path& file, const std::string& relative, bool isLink) {
          if (which != Pass::All && isLink != (which == Pass::Links)) return true;
          const std::string lowered = toLowerAscii(relative);
          std::optional<std::filesystem::path> target = targetFor(relative, lowered);
          if (!target) return true;
          if (counted) ++*counted;
          return pool.place(file, std::move(*target), lowered,
                            which == Pass::NotLinks ? CopyPool::How::Move : CopyPool::How::Copy);
        },
        insideRootOnly);
    if (std::optional<std::string> failure = pool.finish()) return failure;
    if (walkError) return unreadableFolderLine(*walkError);
    return std::nullopt;
  };
  if (!move) return pass(Pass::All);
  if (std::optional<std::string> failure = pass(Pass::Links)) return failure;
  return pass(Pass::NotLinks);
}
