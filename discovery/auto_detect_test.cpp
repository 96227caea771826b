#include <gtest/gtest.h>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "tests/env_guard.h"
#include "tests/temp_dir.h"

namespace {

// A home folder of its own, the current folder inside it, no overrides.
struct AutoDetect : testing::Test {
  TempDir home;
  EnvGuard env;
  std::filesystem::path oldCwd;
  WizardState s;
  void SetUp() override {
    env.set("USERPROFILE", home.str()).unset("TKR_SETUP_GOG_PATH").unset("TKR_SETUP_MOD_PATH");
    oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(home.mkdir("cwd"));
  }
  void TearDown() override { std::filesystem::current_path(oldCwd); }
  std::string in(const std::string& folder, const std::string& name) {
    return joinPath(joinPath(home.str(), folder), name);
  }
};

TEST_F(AutoDetect, NothingAnywhereLeavesTheFieldsEmpty) {
  s.autoDetectSources();
  EXPECT_TRUE(s.gamePath.empty());
  EXPECT_TRUE(s.modArchivePath.empty());
  EXPECT_FALSE(s.gamePathIsInstaller);
}

TEST_F(AutoDetect, ClassicInstallerAndModInDownloads) {
  home.write("Downloads/setup_thrask_kovarra_cindral_2.exe");
  home.write("Downloads/setup_thrask_kovarra_classic_6.08dlc_(67213).exe");
  home.write("Downloads/SCI-7609-VA.7Z");
  home.write("Desktop/setup_thrask_kovarra_other.exe");
  home.mkdir("GOG Games/Thrask Kovarra");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, in("Downloads", "setup_thrask_kovarra_classic_6.08dlc_(67213).exe"));
  EXPECT_TRUE(s.gamePathIsInstaller);
  EXPECT_EQ(s.modArchivePath, in("Downloads", "SCI-7609-VA.7Z"));
}

TEST_F(AutoDetect, NameTestsOnTheLoweredName) {
  home.write("Downloads/SETUP_Thrask_Kovarra_Classic.EXE");
  home.write("Downloads/sci-7609-va.7z.part");
  home.mkdir("Downloads/sci-7609-va.7z");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, in("Downloads", "SETUP_Thrask_Kovarra_Classic.EXE"));
  EXPECT_TRUE(s.modArchivePath.empty());
}

TEST_F(AutoDetect, FolderNamedLikeAnInstallerIsNotTaken) {
  home.mkdir("Downloads/setup_thrask_kovarra_x.exe");
  home.write("Desktop/setup_thrask_kovarra_y.exe");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, in("Desktop", "setup_thrask_kovarra_y.exe"));
}

TEST_F(AutoDetect, CurrentFolderGivesARelativePath) {
  home.write("cwd/setup_thrask_kovarra_z.exe");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, joinPath(".", "setup_thrask_kovarra_z.exe"));
  EXPECT_EQ(s.gamePath.substr(0, 2), std::string(".") + pathSeparator());
}

TEST_F(AutoDetect, FolderCandidatesInOrderWhenNoInstaller) {
  home.mkdir("Games/Thrask Kovarra");
  home.mkdir("GOG Games/Thrask Kovarra");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, joinPath(home.str(), "GOG Games/Thrask Kovarra"));
  EXPECT_FALSE(s.gamePathIsInstaller);
}

TEST_F(AutoDetect, EnvironmentOverridesAndReScanKeepsPicks) {
  home.write("Downloads/setup_thrask_kovarra_a.exe");
  home.mkdir("gog-folder");
  home.mkdir("mod-folder");
  env.set("TKR_SETUP_GOG_PATH", home.subStr("gog-folder"));
  env.set("TKR_SETUP_MOD_PATH", home.subStr("mod-folder"));
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, home.subStr("gog-folder"));
  EXPECT_FALSE(s.gamePathIsInstaller);
  EXPECT_EQ(s.modArchivePath, home.subStr("mod-folder"));

  // A pick by hand survives a re-scan, but the variable puts its value back.
  s.gamePath = "picked";
  env.unset("TKR_SETUP_GOG_PATH").unset("TKR_SETUP_MOD_PATH");
  s.modArchivePath.clear();
  home.write("Downloads/sci-7609-va.7z");
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, "picked");
  EXPECT_EQ(s.modArchivePath, in("Downloads", "sci-7609-va.7z"));
  env.set("TKR_SETUP_GOG_PATH", home.subStr("gog-folder"));
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, home.subStr("gog-folder"));
}

TEST_F(AutoDetect, OverridesThatNameNothingAreIgnored) {
  env.set("TKR_SETUP_GOG_PATH", "").set("TKR_SETUP_MOD_PATH", home.subStr("nothing"));
  s.gamePath = "kept";
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, "kept");
  EXPECT_TRUE(s.modArchivePath.empty());
}

TEST_F(AutoDetect, InstallerFileFromTheEnvironment) {
  home.write("x/my.exe");
  env.set("TKR_SETUP_GOG_PATH", home.subStr("x/my.exe"));
  s.autoDetectSources();
  EXPECT_EQ(s.gamePath, home.subStr("x/my.exe"));
  EXPECT_TRUE(s.gamePathIsInstaller);
}

}  // namespace
