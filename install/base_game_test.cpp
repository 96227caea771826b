#include "install/base_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "discovery/text_path.h"
#include "platform/child_process.h"
#include "tests/install_fixture.h"

namespace {

TEST(BaseGameCommands, ExactCommandLines) {
  EXPECT_EQ(innoextractCommand("C:\\t\\innoextract.exe", "C:\\w\\gog-ext", "D:\\setup x.exe"),
            "\"C:\\t\\innoextract.exe\" --gog --silent --output-dir \"C:\\w\\gog-ext\" \"D:\\setup x.exe\"");
  EXPECT_EQ(silentInstallerCommand("D:\\setup x.exe", "C:\\w\\gog-ext"),
            "\"D:\\setup x.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /DIR=\"C:\\w\\gog-ext\"");
}

TEST(BaseGameCopy, ExclusionRules) {
  for (const char* out : {"thumbs.db", "desktop.ini", "goggame-1.ico", "goggame.hashdb", "foo.dll",
                          "maps/run.exe", "sub/icon.ico"}) {
    EXPECT_TRUE(excludedFromBaseCopy(out)) << out;
  }
  for (const char* in : {"maps/thumbs.db", "sub/desktop.ini", "sub/goggame.dat", "a.rvk", "exe",
                         "readme.exe.txt"}) {
    EXPECT_FALSE(excludedFromBaseCopy(in)) << in;
  }
}

struct BaseGame : InstallSandbox {};

TEST_F(BaseGame, FolderSourceCopiesTheDataTreeWithItsExclusions) {
  for (const char* f : {"Data/a.rvk", "Data/Maps/m.rvm", "Data/Thumbs.db", "Data/desktop.ini",
                        "Data/goggame-1.ico", "Data/goggame.hashdb", "Data/Foo.DLL", "Data/Maps/run.exe",
                        "Data/Maps/Thumbs.db", "Tkr.exe"}) {
    root.write(std::string("game src/") + f, f);
  }
  state.gamePath = root.subStr("game src");
  install();
  EXPECT_TRUE(logged("Copied 3 base file(s) from GOG copy."));
  EXPECT_EQ(readFileBytes(gameDir() / "Data/Maps/m.rvm"), "Data/Maps/m.rvm");
  EXPECT_TRUE(std::filesystem::exists(gameDir() / "Data/Maps/Thumbs.db"));
  EXPECT_FALSE(std::filesystem::exists(gameDir() / "Data/Thumbs.db"));
  EXPECT_FALSE(std::filesystem::exists(gameDir() / "Data/Maps/run.exe"));
  EXPECT_TRUE(toolRuns().empty());
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(BaseGame, DataFolderInAnyCaseAndTheClassicSubfolder) {
  root.write("src/THRASK KOVARRA CLASSIC/data/x.rvk");
  root.write("src/Data/own.rvk");
  state.gamePath = root.subStr("src");
  install();
  EXPECT_TRUE(logged("Copied 1 base file(s) from GOG copy."));
  EXPECT_TRUE(std::filesystem::exists(gameDir() / "Data/x.rvk"));
  EXPECT_FALSE(std::filesystem::exists(gameDir() / "Data/own.rvk"));
}

TEST_F(BaseGame, ClassicSubfolderWithoutDataIsPassedOver) {
  root.mkdir("src/Thrask Kovarra Classic/Other");
  root.write("src/Data/own.rvk");
  state.gamePath = root.subStr("src");
  install();
  EXPECT_TRUE(std::filesystem::exists(gameDir() / "Data/own.rvk"));
}

TEST_F(BaseGame, EmptyDataFolderCountsZeroAndGoesOn) {
  root.mkdir("src/Data");
  state.gamePath = root.subStr("src");
  install();
  EXPECT_TRUE(logged("Copied 0 base file(s) from GOG copy."));
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(BaseGame, FolderWithoutDataFails) {
  root.mkdir("src/Other");
  state.gamePath = root.subStr("src");
  install();
  expectFailedWith("ERROR: Could not find Data/ folder inside GOG source.");
  EXPECT_EQ(state.progress.load(), 20);
}

TEST_F(BaseGame, InnoextractGetsTheExactArguments) {
  installStandIn(root.sub("tools"), "innoextract.exe");
  const auto installer = root.write("dl/setup_tk.EXE");
  env.set("TKR_CHILD_DATA", "Data/base.rvk");
  state.gamePath = pathToUtf8(installer);  // the flag stays false: the suffix decides
  install();
  const auto runs = toolRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].program, "innoextract");
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{"--gog", "--silent", "--output-dir",
                                                     pathToUtf8(workDir() / "gog-ext"),
                                                     pathToUtf8(installer)}));
  // Before it, a look at what the installer holds, which says nothing.
  const auto listings = listingRuns();
  ASSERT_EQ(listings.size(), 1u);
  EXPECT_EQ(listings[0].args,
            (std::vector<std::string>{"--list", "--list-sizes", "--gog", "--silent", pathToUtf8(installer)}));
  EXPECT_TRUE(logged("Extracting GOG installer via innoextract..."));
  EXPECT_FALSE(logged("Running GOG installer silently (please wait)..."));
  EXPECT_TRUE(logged("Copied 1 base file(s) from GOG copy."));
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_FALSE(std::filesystem::exists(workDir()));
}

TEST_F(BaseGame, FailingInnoextractFallsBackToTheSilentInstaller) {
  installStandIn(root.sub("tools"), "innoextract.exe");
  const auto installer = installStandIn(root.sub("dl"), "setup_tk.exe");
  env.set("TKR_CHILD_EXIT_innoextract", "1");
  env.set("TKR_CHILD_DATA_setup_tk", "Thrask Kovarra Classic/Data/x.rvk");
  state.gamePath = pathToUtf8(installer);
  state.gamePathIsInstaller = true;
  install();
  const auto runs = toolRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].program, "innoextract");
  EXPECT_EQ(runs[1].program, "setup_tk");
  EXPECT_EQ(runs[1].args,
            (std::vector<std::string>{"/VERYSILENT", "/SUPPRESSMSGBOXES", "/NORESTART",
                                      "/DIR=" + pathToUtf8(workDir() / "gog-ext")}));
  const std::size_t inno = output.find("Extracting GOG installer via innoextract...");
  const std::size_t silent = output.find("Running GOG installer silently (please wait)...");
  ASSERT_NE(inno, std::string::npos);
  ASSERT_NE(silent, std::string::npos);
  EXPECT_LT(inno, silent);
  EXPECT_TRUE(std::filesystem::exists(gameDir() / "Data/x.rvk"));
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(BaseGame, NoToolSucceedsFailsWithTheExtractLine) {
  const auto installer = installStandIn(root.sub("dl"), "setup_tk.exe");
  env.set("TKR_CHILD_EXIT", "2");
  state.gamePath = pathToUtf8(installer);
  state.gamePathIsInstaller = true;
  install();
  EXPECT_FALSE(logged("Extracting GOG installer via innoextract..."));
  expectFailedWith("ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.");
  EXPECT_TRUE(std::filesystem::is_directory(gameDir()));
}

TEST_F(BaseGame, ExtractionWithoutDataFailsWithoutTryingTheOtherTool) {
  installStandIn(root.sub("tools"), "innoextract.exe");
  const auto installer = installStandIn(root.sub("dl"), "setup_tk.exe");
  state.gamePath = pathToUtf8(installer);
  install();
  EXPECT_EQ(toolRuns().size(), 1u);
  expectFailedWith("ERROR: Could not find Data/ folder inside GOG source.");
}

// What the real innoextract makes of a GOG installer: the application
// folder under "app", the installer's other targets beside it. Each row is
// the tree a stand-in extraction writes, the files expected in game/Data,
// and the files that must stay out.
TEST_F(BaseGame, TheGameIsFoundWhereTheExtractionPutIt) {
  struct Row {
    const char* name;
    std::vector<const char*> payload;
    std::vector<const char*> installed;  // under game/Data
    std::vector<const char*> left;       // not under game/Data
    bool silent = false;                 // innoextract fails; the installer itself unpacks
  };
  const Row rows[] = {
      {"app layout",
       {"app/Data/Maps/m.rvm", "app/Thrask.exe", "app/goggame-1.hashdb", "tmp/support.dll",
        "commonappdata/GOG.com/Thrask Kovarra/gog-settings.cfg", "__support/app/x.rvk", "__redist/r.rvk"},
       {"Maps/m.rvm"},
       {"x.rvk", "r.rvk", "gog-settings.cfg"}},
      {"app in capitals, Classic inside it",
       {"APP/THRASK KOVARRA CLASSIC/data/c.rvk", "APP/Thrask.exe"}, {"c.rvk"}, {}},
      {"Data at the top wins over app",
       {"Data/top.rvk", "app/Data/app.rvk"}, {"top.rvk"}, {"app.rvk"}},
      {"the silent installer's folder is the application folder",
       {"app/Data/app.rvk"}, {}, {"app.rvk"}, true},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // A prefix of its own per row: under Wine a finished engine self-test
    // may hold its working folder for a moment.
    const std::filesystem::path game = root.sub("prefix-" + std::to_string(++n)) / "game";
    env.set("TKR_SETUP_PREFIX", pathToUtf8(game.parent_path()));
    TempDir payload;
    for (const char* f : row.payload) payload.write(f, f);
    installStandIn(root.sub("tools"), "innoextract.exe");
    const auto installer = installStandIn(root.sub("dl"), "setup_tk.exe");
    env.set("TKR_CHILD_PAYLOAD", payload.str()).set("TKR_CHILD_EXIT_innoextract", row.silent ? "1" : "0");
    output.clear();
    state.gamePath = pathToUtf8(installer);
    install();
    if (row.installed.empty()) {
      expectFailedWith("ERROR: Could not find Data/ folder inside GOG source.");
    } else {
      EXPECT_TRUE(state.succeeded.load());
      EXPECT_TRUE(logged("Copied " + std::to_string(row.installed.size()) + " base file(s) from GOG copy."));
    }
    for (const char* f : row.installed) EXPECT_TRUE(std::filesystem::is_regular_file(game / "Data" / f)) << f;
    for (const char* f : row.left) EXPECT_FALSE(std::filesystem::exists(game / "Data" / f)) << f;
    for (const char* f : {"Thrask.exe", "Data/Thrask.exe", "gog-settings.cfg", "Data/goggame-1.hashdb"}) {
      EXPECT_FALSE(std::filesystem::exists(game / f)) << f;
    }
    EXPECT_FALSE(std::filesystem::exists(workDir()));
  }
}

// The installer run silently is watched through its folder: one that stops
// writing (waiting for a part of the download, or in a window nobody sees)
// is ended once the stall limit passes; one that keeps writing, however
// slowly, runs to its end.
TEST_F(BaseGame, SilentInstallerThatStopsWritingIsEndedOneThatWritesIsNot) {
  struct Row {
    const char* name;
    const char* trickle;  // files written after the game's, and how often
    bool ended;
  };
  const Row rows[] = {
      {"writes the game, then waits for ever", nullptr, true},
      {"writes a file every 100 ms for two seconds", "20:100", false},
  };
  struct LimitGuard {
    std::chrono::milliseconds saved = installerStallLimit;
    ~LimitGuard() { installerStallLimit = saved; }
  } guard;
  installerStallLimit = std::chrono::seconds(3);
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    env.set("TKR_SETUP_PREFIX", root.subStr("prefix-stall-" + std::to_string(++n)));
    const auto installer = installStandIn(root.sub("dl"), "setup_tk.exe");
    env.set("TKR_CHILD_DATA", "Data/x.rvk")
        .set("TKR_CHILD_PID", root.subStr("installer.pid"))
        .set("TKR_CHILD_SLEEP_MS", row.ended ? "120000" : "0");
    if (row.trickle) {
      env.set("TKR_CHILD_TRICKLE", row.trickle);
    } else {
      env.unset("TKR_CHILD_TRICKLE");
    }
    output.clear();
    state.gamePath = pathToUtf8(installer);
    state.gamePathIsInstaller = true;
    install();
    std::uint32_t pid = 0;
    std::ifstream(root.sub("installer.pid")) >> pid;
    ASSERT_NE(pid, 0u);
    EXPECT_FALSE(processRunning(pid));
    if (row.ended) {
      expectFailedWith("ERROR: The GOG installer \"" + state.gamePath +
                       "\" stopped responding: it wrote nothing for 3 seconds. Check that all of the game's setup "
                       "files from GOG are complete and in one folder, then run Setup again.");
    } else {
      EXPECT_TRUE(state.succeeded.load());
      EXPECT_TRUE(logged("Copied 1 base file(s) from GOG copy."));
    }
  }
}

// The bar follows an extraction: with the installer's listing of 150 KiB,
// a stand-in that writes 150 files of 1 KiB over three seconds moves it
// between 20 and 40 (read through the state, as the page reads it), in
// order, and the run ends at 100.
TEST_F(BaseGame, TheBarMovesWithTheExtraction) {
  installStandIn(root.sub("tools"), "innoextract.exe");
  const auto installer = root.write("dl/setup_tk.exe");
  env.set("TKR_CHILD_STDOUT_innoextract", "153600 app/Data/x.rvk\n")
      .set("TKR_CHILD_DATA", "app/Data/base.rvk")
      .set("TKR_CHILD_TRICKLE", "150:20");
  state.gamePath = pathToUtf8(installer);
  std::vector<int> seen;
  std::atomic<bool> done{false};
  std::thread sampler([&] {
    while (!done.load()) {
      const int value = state.progress.load();
      if (seen.empty() || seen.back() != value) seen.push_back(value);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  install();
  done.store(true);
  sampler.join();
  EXPECT_TRUE(state.succeeded.load()) << output;
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  const auto between = std::count_if(seen.begin(), seen.end(), [](int v) { return v > 20 && v < 40; });
  std::string values;
  for (int v : seen) values += " " + std::to_string(v);
  EXPECT_GE(between, 2) << values;
  EXPECT_EQ(state.progress.load(), 100);
}

}  // namespace
