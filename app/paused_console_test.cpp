// A console whose output blocks (a pipe nobody reads; on Windows a paused
// console window) must not freeze the window: the job waits to print, the
// frames go on. Built where a pipe can stand in for standard output.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/install_fixture.h"
#include "tests/wizard_driver.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PausedConsole : InstallSandbox {};

TEST_F(PausedConsole, FramesGoOnWhileTheLogCannotBePrintedAndTheLinesKeepTheirOrder) {
  root.write("src/Data/a.rvk");
  Wizard w;
  w.state.gamePath = root.subStr("src");
  w.state.page = WizardPage::Installing;

  // Standard output becomes a full pipe that nobody reads for now.
  std::fflush(stdout);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const int savedStdout = ::dup(1);
  ::dup2(fds[1], 1);
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  const std::string filler(4096, '.');
  std::size_t filled = 0;
  for (ssize_t n; (n = ::write(fds[1], filler.data(), filler.size())) > 0;) filled += static_cast<std::size_t>(n);
  ::fcntl(fds[1], F_SETFL, 0);

  // A reader that comes only after three seconds: a frame loop that waited
  // for the printing would stand still that long.
  std::string printed;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) printed.append(buffer, static_cast<std::size_t>(n));
  });

  startInstallWorker(w.state);
  Clock::duration longest{};
  int frames = 0;
  for (; frames < 60; ++frames) {
    const Clock::time_point start = Clock::now();
    w.frame();
    longest = std::max(longest, Clock::now() - start);
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  const bool blockedWhileFramesRan = w.state.running.load();
  waitForInstallWorker(w.state);

  std::fflush(stdout);
  ::dup2(savedStdout, 1);
  ::close(savedStdout);
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);

  EXPECT_TRUE(blockedWhileFramesRan);
  EXPECT_LT(longest, std::chrono::milliseconds(500));
  ASSERT_TRUE(w.state.succeeded.load());
  std::string expected;
  for (const std::string& line : w.state.logLines) expected += "[TKR-Setup] " + line + "\n";
  EXPECT_EQ(printed.substr(filled), expected);
}

}  // namespace
