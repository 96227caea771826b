// What the black box cannot reach: an allocation that fails at points
// spread over a whole install, and a second job in this process
// while another thread holds the installation's lock.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "tests/install_fixture.h"

// The replacement below pairs malloc with free; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

// The install's allocations on this thread are counted; the one numbered
// failAt throws a bad_alloc, once.
thread_local long allocationCount = 0;
thread_local long failAt = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (failAt > 0 && ++allocationCount == failAt) {
    failAt = 0;
    throw std::bad_alloc();
  }
  if (failAt < 0) ++allocationCount;  // counting only
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

// The threads of this process, where the system lists them (Linux); -1
// elsewhere. A copy worker left running after its step shows here.
int threadCount() {
  std::error_code ec;
  fs::directory_iterator it("/proc/self/task", ec);
  if (ec) return -1;
  int n = 0;
  for (; it != fs::directory_iterator(); it.increment(ec)) ++n;
  return n;
}

struct JobFaults : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    for (const char* f : {"src/Data/a.rvk", "src/Data/Maps/m.rvm", "mod/Data-VA/Maps/va.rvm",
                          "package/installer/custom_qvs_faces/QVSFaces/BigFaces/300.rvi"}) {
      root.write(f, f);
    }
    root.write("package/installer/custom_qvs_faces/QVSPortraits_base.xml", "<QVS><PortraitId>300</PortraitId></QVS>");
    root.write("package/installer/preset/default.ini-patch", "tkr.ini[Game]difficulty=classic\n");
    state.gamePath = root.subStr("src");
    state.modArchivePath = root.subStr("mod");
  }
  int runs = 0;
  fs::path prefix;  // a fresh one for each run (Wine may still hold the last for a moment)
  void installFailingAt(long allocation) {
    prefix = root.sub("prefix-" + std::to_string(runs++));
    env.set("TKR_SETUP_PREFIX", pathToUtf8(prefix));
    pageBefore = state.page.load();
    testing::internal::CaptureStdout();
    allocationCount = 0;
    failAt = allocation;  // from here on only the job allocates on this thread
    state.runInstallation();
    failAt = 0;
    output = testing::internal::GetCapturedStdout();
  }
};

TEST_F(JobFaults, WhateverIsThrownEndsTheJobThroughItsFailureExit) {
  installFailingAt(-1);  // a clean run, counted
  ASSERT_TRUE(state.succeeded.load()) << output;
  const long total = allocationCount;
  ASSERT_GT(total, 100);
  int failed = 0;
  const int threads = threadCount();
  const long kPoints = std::getenv("TKR_EVERY_ALLOCATION") ? total : 60;
  for (long i = 0; i < kPoints; ++i) {
    const long at = 1 + i * (total - 1) / (kPoints - 1);
    SCOPED_TRACE("allocation " + std::to_string(at) + " of " + std::to_string(total));
    installFailingAt(at);
    EXPECT_FALSE(state.running.load());
    EXPECT_FALSE(fs::exists(workDir()));
    EXPECT_EQ(threadCount(), threads);  // every copy worker joined, also when a step failed midway
    if (state.succeeded.load()) {  // a failure that cost nothing of the installation
      EXPECT_EQ(lastLine(), "Installation completed successfully (en)!");
      for (const char* f : {"game/Data/a.rvk", "game/Data/Maps/m.rvm", "game/Data-VA/Maps/va.rvm",
                            "game/Data/QVSFaces/BigFaces/300.rvi", "game/Data/TableData/QVSPortraits.xml",
                            "bin/tkr-en.exe", "bin/SDL2.dll", "Play.bat"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix / f)) << f;
      }
      continue;
    }
    ++failed;
    EXPECT_EQ(lastLine().rfind("ERROR: ", 0), 0u) << lastLine();
    EXPECT_EQ(state.page.load(), pageBefore);
  }
  EXPECT_GT(failed, kPoints / 2);
  // The guard leaves nothing held: the next run installs.
  installFailingAt(0);
  EXPECT_TRUE(state.succeeded.load()) << output;
}

TEST_F(JobFaults, ASecondJobForAnInstallationInUseFailsAtOnceAndTouchesNothing) {
  fs::create_directories(gameDir());
  std::atomic<int> stage{0};
  std::thread holder([&] {  // another setup, as far as the lock can tell
    InstallLock lock;
    EXPECT_TRUE(lock.acquire(root.sub("prefix")));
    stage = 1;
    while (stage.load() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  while (stage.load() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  install();
  expectFailedWith("ERROR: Another setup is already installing into \"" + root.subStr("prefix") +
                   "\". Wait until it has finished, then run Setup again.");
  EXPECT_EQ(output, "[TKR-Setup] " + lastLine() + "\n");  // its only line
  EXPECT_TRUE(fs::is_empty(gameDir()));
  EXPECT_TRUE(toolRuns().empty() && engineRuns().empty());
  stage = 2;
  holder.join();
  install();
  EXPECT_TRUE(state.succeeded.load()) << output;
}

}  // namespace
