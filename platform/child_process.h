#pragma once
// Child programs that the job watches while they run: what they write to
// standard output and standard error is kept up to a bound (the rest is
// read and dropped, so a chatty child never blocks on a full pipe), and a
// child that makes no progress can be ended together with the programs it
// started.

#include <cstddef>
#include <cstdint>
#include <chrono>
#include <functional>
#include <string>

// A text kept up to a bound: its first half and its last half, so that the
// first warning and the final error of a long stream both survive.
struct BoundedText {
  std::size_t limit = 64 * 1024;
  std::string head;
  std::string tail;  // the latest bytes once head is full, at most limit / 2
  bool cut = false;  // bytes between head and tail were dropped

  void append(const char* data, std::size_t size);
  // head and tail joined (a line break between them when bytes were cut).
  std::string text() const;
};

struct ChildWatch {
  bool keepOutput = false;  // read standard output (else it goes nowhere)
  bool keepErrors = false;  // read standard error (else it goes nowhere)
  std::size_t outputLimit = 4 * 1024 * 1024;
  std::size_t errorLimit = 64 * 1024;
  // Asked every askEvery while the child runs; false ends the child and
  // every program it started.
  std::function<bool()> keepGoing;
  std::chrono::milliseconds askEvery{250};
};

struct ChildOutcome {
  bool started = false;
  bool succeeded = false;  // ended by itself with exit code 0
  bool ended = false;      // ended because keepGoing said so
  std::string output;      // standard output, when kept
  std::string errors;      // standard error, when kept
};

// Runs one command line hidden, as runProcessAndWait does (the same program
// lookup, the same working folder), watched as watch says.
ChildOutcome runProcessWatched(const std::string& commandLine, const std::string& workingDirectory,
                               const ChildWatch& watch);

// Whether a process of this id is still running (not ended, not a zombie).
bool processRunning(std::uint32_t pid);
