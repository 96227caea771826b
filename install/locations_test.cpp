#include "install/locations.h"

#include <gtest/gtest.h>

#include "discovery/text_path.h"
#include "tests/env_guard.h"
#include "tests/install_fixture.h"
#include "tests/temp_dir.h"

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

TEST(FreeSpace, TwelveHundredMiBPassesElevenNinetyNineFails) {
  EXPECT_EQ(freeSpaceError(1200 * MiB), std::nullopt);
  EXPECT_EQ(freeSpaceError(50000 * MiB), std::nullopt);
  EXPECT_EQ(freeSpaceError(1199 * MiB), "ERROR: Need >= 1.2 GB free disk space (1199 MiB free).");
  EXPECT_EQ(freeSpaceError(1200 * MiB - 1), "ERROR: Need >= 1.2 GB free disk space (1199 MiB free).");
  EXPECT_EQ(freeSpaceError(0), "ERROR: Need >= 1.2 GB free disk space (0 MiB free).");
}

TEST(Locations, PackageFolderRules) {
  TempDir t;
  EnvGuard env;
  t.mkdir("pkg/installer");
  env.set("TKR_PKG_DIR", t.subStr("pkg")).set("TKR_SETUP_PREFIX", t.subStr("prefix"));  // settling makes its game folder
  InstallRun run;
  settleLocations(run);
  EXPECT_EQ(run.packageDir, t.sub("pkg"));
  EXPECT_EQ(run.exeDir, *pathFromUtf8(executableDir()));

  // Without an installer folder anywhere, the variable's folder all the same.
  env.set("TKR_PKG_DIR", t.subStr("bare"));
  settleLocations(run);
  EXPECT_EQ(run.packageDir, t.sub("bare"));
  env.unset("TKR_PKG_DIR");
  settleLocations(run);
  EXPECT_EQ(run.packageDir, run.exeDir.parent_path());
}

TEST(Locations, PrefixRulesAndTheGameFolderIsCreated) {
  TempDir t;
  EnvGuard env;
  env.set("TKR_SETUP_PREFIX", t.subStr("prefix")).set("LOCALAPPDATA", t.subStr("local"));
  InstallRun run;
  settleLocations(run);
  EXPECT_EQ(run.prefixDir, t.sub("prefix"));
  EXPECT_EQ(run.gameDir, t.sub("prefix") / "game");
  EXPECT_TRUE(std::filesystem::is_directory(run.gameDir));

  env.unset("TKR_SETUP_PREFIX");
  settleLocations(run);
  EXPECT_EQ(pathToUtf8(run.prefixDir), joinPath(t.subStr("local"), "TKR-Native-Port"));

  env.unset("LOCALAPPDATA").set("USERPROFILE", t.subStr("home")).unset("XDG_DATA_HOME");
  settleLocations(run);
  EXPECT_EQ(pathToUtf8(run.prefixDir),
            joinPath(prefixBaseFallback(t.subStr("home")), "TKR-Native-Port"));
}

TEST(Locations, WorkDirIsNamedForTheProcess) {
  InstallRun run;
  makeWorkDir(run);
  EXPECT_EQ(run.workDir.filename(), "tkr-win64-work-" + std::to_string(currentProcessId()));
  EXPECT_EQ(run.workDir.parent_path(), (*pathFromUtf8(tempDirectory()) / "x").parent_path());
  EXPECT_TRUE(std::filesystem::is_directory(run.workDir));
  if (!hasFixedWindowsLocations()) {  // Linux: private to the user (Windows: the temporary folder's protection)
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(run.workDir).permissions() & (perms::group_all | perms::others_all), perms::none);
  }
  removeWorkDir(run);
  EXPECT_FALSE(std::filesystem::exists(run.workDir));
}

struct InstallJob : InstallSandbox {};

TEST_F(InstallJob, ProgressAndLogOfABaseGameRun) {
  root.write("src/Data/a.rvk");
  state.gamePath = root.subStr("src");
  install();
  EXPECT_EQ(output,
            "[TKR-Setup] Locating GOG Classic base files...\n"
            "[TKR-Setup] Copying GOG Data/*.rvk and base assets...\n"
            "[TKR-Setup] Copied 1 base file(s) from GOG copy.\n"
            "[TKR-Setup] Installing 40 custom animated Q.V.S. portraits (v6.1)...\n"
            "[TKR-Setup] Applying Classic-First preset & Native SDL2 configuration...\n"
            "[TKR-Setup] Installation completed successfully (en)!\n");
  EXPECT_EQ(state.progress.load(), 100);
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_EQ(state.page.load(), WizardPage::Complete);
  EXPECT_FALSE(state.running.load());
  EXPECT_FALSE(std::filesystem::exists(workDir()));
}

TEST_F(InstallJob, WorkerThreadRunsTheJobAndTheProcessCanWaitForIt) {
  root.write("src/Data/a.rvk");
  state.gamePath = root.subStr("src");
  testing::internal::CaptureStdout();
  startInstallWorker(state);
  waitForInstallWorker(state);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_EQ(state.page.load(), WizardPage::Complete);
}

}  // namespace
