#pragma once
// A sandbox for running the install job in a test: its own package folder,
// prefix, home and tool folder (the only one on PATH), and a record file
// for the stand-in tools.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/wizard_state.h"
#include "platform/os.h"
#include "tests/env_guard.h"
#include "tests/stand_ins.h"
#include "tests/temp_dir.h"

struct InstallSandbox : testing::Test {
  TempDir root;
  EnvGuard env;
  WizardState state;
  std::string output;  // what the job printed
  int pageBefore = 0;

  void SetUp() override {
    root.mkdir("package/installer");
    root.mkdir("tools");
    root.mkdir("home");
    env.set("TKR_PKG_DIR", root.subStr("package"))
        .set("TKR_SETUP_PREFIX", root.subStr("prefix"))
        .set("USERPROFILE", root.subStr("home"))
        .set("PATH", root.subStr("tools"))
        .set("TKR_CHILD_RECORD", root.subStr("record.txt"))
        .unset("TKR_CHILD_EXIT")
        .unset("TKR_CHILD_DATA");
    addEngine("en");
  }

  // A package engine for one language code (the stand-in passes its
  // self-test), with SDL2.dll beside it.
  void addEngine(const std::string& code) {
    installStandIn(root.sub("package/bin"), "tkr-" + code + ".exe");
    root.write("package/bin/SDL2.dll", "sdl");
  }

  std::filesystem::path gameDir() const { return root.sub("prefix/game"); }
  std::filesystem::path workDir() const {
    return *pathFromUtf8(tempDirectory()) / ("tkr-win64-work-" + std::to_string(currentProcessId()));
  }
  // Starts of the stand-in tools, the engine's self-test and innoextract's
  // listing of the installer apart.
  std::vector<RecordedRun> toolRuns() const {
    std::vector<RecordedRun> runs;
    for (RecordedRun& r : readRecordedRuns(root.sub("record.txt"))) {
      if (r.program.rfind("tkr-", 0) != 0 && !isListing(r)) runs.push_back(std::move(r));
    }
    return runs;
  }
  std::vector<RecordedRun> listingRuns() const {
    std::vector<RecordedRun> runs;
    for (RecordedRun& r : readRecordedRuns(root.sub("record.txt"))) {
      if (isListing(r)) runs.push_back(std::move(r));
    }
    return runs;
  }
  static bool isListing(const RecordedRun& r) { return !r.args.empty() && r.args[0] == "--list"; }
  std::vector<RecordedRun> engineRuns() const {
    std::vector<RecordedRun> runs;
    for (RecordedRun& r : readRecordedRuns(root.sub("record.txt"))) {
      if (r.program.rfind("tkr-", 0) == 0) runs.push_back(std::move(r));
    }
    return runs;
  }

  void install() {
    pageBefore = state.page.load();
    testing::internal::CaptureStdout();
    state.runInstallation();
    output = testing::internal::GetCapturedStdout();
  }
  // Whether the job printed this line.
  bool logged(const std::string& line) const {
    return output.find("[TKR-Setup] " + line + "\n") != std::string::npos;
  }
  std::string lastLine() {
    std::lock_guard<std::mutex> lock(state.logMutex);
    return state.statusText;
  }
  void expectFailedWith(const std::string& line) {
    EXPECT_EQ(lastLine(), line);
    EXPECT_FALSE(state.running.load());
    EXPECT_FALSE(state.succeeded.load());
    EXPECT_EQ(state.page.load(), pageBefore);  // the job never moves it on failure
    EXPECT_FALSE(std::filesystem::exists(workDir()));
  }
};
