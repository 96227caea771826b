// Outside programs that fail in the ways real ones do: a plain failure
// exit, death by a signal (abort), half an output and then a failure, a
// tool that is not there at all, and an engine that crashes on --version.
// Each run must end with its own ERROR line, report failure and leave no
// scratch folder behind.

#include <gtest/gtest.h>

#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kExtractFailed =
    "ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.";
constexpr const char* kUnpackFailed = "ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.";

struct MisbehavingTools : InstallSandbox {
  void useInstaller() {
    const fs::path installer = installStandIn(root.sub("dl"), "setup_tk.exe");
    state.gamePath = pathToUtf8(installer);
    state.gamePathIsInstaller = true;
    installStandIn(root.sub("tools"), "innoextract.exe");
  }
  void useModArchive() {
    root.write("src/Data/a.rvk");
    state.gamePath = root.subStr("src");
    state.modArchivePath = pathToUtf8(root.write("dl/SCI-7609-VA.7z"));
  }
};

TEST_F(MisbehavingTools, ExtractionToolsThatFailExitDieOrStopHalfway) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> orders;
  };
  const Case cases[] = {
      {"both exit 1", {{"TKR_CHILD_EXIT", "1"}}},
      {"both killed by a signal", {{"TKR_CHILD_ABORT", "1"}}},
      {"half an output, then exit 1",
       {{"TKR_CHILD_DATA", "Thrask Kovarra Classic/Data/half.rvk"}, {"TKR_CHILD_EXIT", "1"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnvGuard orders;
    for (const auto& [name, value] : c.orders) orders.set(name.c_str(), value);
    fs::remove_all(root.sub("prefix"));
    fs::remove(root.sub("record.txt"));
    useInstaller();
    install();
    expectFailedWith(kExtractFailed);
    ASSERT_EQ(toolRuns().size(), 2u);  // innoextract, then the installer
    EXPECT_TRUE(logged("Extracting GOG installer via innoextract..."));
    EXPECT_TRUE(logged("Running GOG installer silently (please wait)..."));
    EXPECT_FALSE(fs::exists(gameDir() / "Data/half.rvk"));  // nothing of a failed unpack is copied
    EXPECT_FALSE(fs::exists(root.sub("prefix/bin")));
  }
}

TEST_F(MisbehavingTools, HalfAnInnoextractRunIsFollowedByTheInstaller) {
  useInstaller();
  env.set("TKR_CHILD_DATA_innoextract", "Thrask Kovarra Classic/Data/half.rvk")
      .set("TKR_CHILD_EXIT_innoextract", "1")
      .set("TKR_CHILD_DATA_setup_tk", "Thrask Kovarra Classic/Data/whole.rvk");
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_TRUE(fs::exists(gameDir() / "Data/whole.rvk"));
  EXPECT_FALSE(fs::exists(workDir()));
}

TEST_F(MisbehavingTools, ModUnpackerThatFailsDiesOrStopsHalfway) {
  installStandIn(root.sub("tools"), "7z.exe");
  const std::vector<std::pair<std::string, std::string>> cases[] = {
      {{"TKR_CHILD_EXIT_7z", "1"}},
      {{"TKR_CHILD_ABORT_7z", "1"}},
      {{"TKR_CHILD_DATA_7z", "Data-VA/Maps/half.rvm"}, {"TKR_CHILD_EXIT_7z", "2"}},
  };
  for (const auto& orders : cases) {
    SCOPED_TRACE(orders.front().first);
    EnvGuard guard;
    for (const auto& [name, value] : orders) guard.set(name.c_str(), value);
    useModArchive();
    install();
    expectFailedWith(kUnpackFailed);
    EXPECT_EQ(state.progress.load(), 55);
    EXPECT_FALSE(fs::exists(gameDir() / "Data-VA"));  // a broken unpack installs nothing
    EXPECT_TRUE(fs::exists(gameDir() / "Data/a.rvk"));
  }
}

TEST_F(MisbehavingTools, NeitherSevenZipNorTar) {
  // The tool folder is the whole search path: no 7-Zip, no tar.
  ASSERT_EQ(searchProgram("tar.exe"), "");
  useModArchive();
  install();
  expectFailedWith(kUnpackFailed);
  EXPECT_TRUE(logged("Unpacking Vestrova archive..."));
}

TEST_F(MisbehavingTools, EngineThatCrashesOnVersion) {
  root.write("src/Data/a.rvk");
  state.gamePath = root.subStr("src");
  env.set("TKR_CHILD_ABORT_tkr-en", "1");
  install();
  expectFailedWith("ERROR: Installed executable self-test failed.");
  ASSERT_EQ(engineRuns().size(), 1u);
  EXPECT_EQ(engineRuns()[0].args, std::vector<std::string>{"--version"});
  EXPECT_FALSE(fs::exists(root.sub("prefix/Play.bat")));
  EXPECT_TRUE(fs::exists(gameDir() / "Data/a.rvk"));  // what was installed stays
}

}  // namespace
