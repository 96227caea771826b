// Whole installs where every path holds the characters that break naive
// code (quotes, shell and batch specials, non-ASCII letters), and where the
// paths grow to 250 characters and past the old 260-character limit.

#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "platform/resolve_path.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

struct AwkwardNames : InstallSandbox {
  // Points the package, prefix, home and sources into folder (under root).
  void moveInto(const std::string& folder) {
    env.set("TKR_PKG_DIR", root.subStr(folder + "/package"))
        .set("TKR_SETUP_PREFIX", root.subStr(folder + "/prefix"))
        .set("USERPROFILE", root.subStr(folder + "/home"));
    installStandIn(root.sub(folder + "/package/bin"), "tkr-en.exe");
    root.write(folder + "/package/bin/SDL2.dll", "sdl");
    root.write(folder + "/package/installer/preset/default.ini-patch", "tkr.ini[Video]width=1024\r\n");
  }
  fs::path prefix(const std::string& folder) const { return root.sub(folder + "/prefix"); }
};

TEST_F(AwkwardNames, SpecialCharactersInEveryPath) {
  std::string name = "Spiele ' % & ( ) ! ^ ; , = x";
  // Non-ASCII letters reach a child's command line only where the narrow
  // code page is UTF-8 (Linux, and Windows with the manifest honoured).
  if (narrowTextIsUtf8()) name += " \xC3\x84pfel \xD0\x96";
  moveInto(name);
  installStandIn(root.sub("tools"), "innoextract.exe");
  installStandIn(root.sub("tools"), "7z.exe");
  const fs::path installer = installStandIn(root.sub(name + "/dl %TEMP% !x!"), "setup_tk.exe");
  const fs::path archive = root.write(name + "/dl %TEMP% !x!/SCI-7609-VA (1).7z");
  env.set("TKR_CHILD_DATA_innoextract", "Thrask Kovarra Classic/Data/Maps/m & n.rvm")
      .set("TKR_CHILD_DATA_7z", "Vestrova/Data-VA/Maps/va ^ 1.rvm");
  state.gamePath = pathToUtf8(installer);
  state.gamePathIsInstaller = true;
  state.modArchivePath = pathToUtf8(archive);
  install();
  EXPECT_TRUE(state.succeeded.load()) << output;
  const fs::path game = prefix(name) / "game";
  EXPECT_TRUE(fs::exists(game / "Data/Maps/m & n.rvm"));
  EXPECT_TRUE(fs::exists(game / "Data-VA/Maps/va ^ 1.rvm"));
  EXPECT_NE(readTextFile(resolvePathNoCase(game, "Tkr.ini")).find("width = 1024"), std::string::npos);
  EXPECT_TRUE(fs::exists(prefix(name) / "Play.bat"));
  const std::vector<RecordedRun> runs = toolRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].args.back(), pathToUtf8(installer));  // every character arrives
  EXPECT_EQ(runs[1].args.back(), pathToUtf8(archive));
  ASSERT_EQ(engineRuns().size(), 1u);
  EXPECT_FALSE(fs::exists(workDir()));
}

TEST_F(AwkwardNames, PathsOf250AndOver260Characters) {
  const std::string file = "/game/Data/Maps/m.rvm";
  for (const std::size_t length : {250u, 300u}) {
    SCOPED_TRACE(length);
    // A folder name that brings the installed map file to exactly length.
    const std::size_t base = pathToUtf8(root.path).size() + 1 + std::string("/prefix").size() + file.size();
    ASSERT_LT(base + 2, length);
    std::string folder;
    while (folder.size() + base < length) folder += folder.size() % 50 == 49 ? '/' : 'l';
    if (folder.back() == '/') folder.back() = 'l';
    moveInto(folder);
    root.write(folder + "/src/Data/Maps/m.rvm", "map");
    state.gamePath = root.subStr(folder + "/src");
    const fs::path target = prefix(folder) / "game/Data/Maps/m.rvm";
    ASSERT_EQ(pathToUtf8(target).size(), length);
    install();
    EXPECT_FALSE(fs::exists(workDir()));
    EXPECT_FALSE(state.running.load());
    if (length < 260 || !installPathLimit()) {
      EXPECT_TRUE(state.succeeded.load()) << output;
      EXPECT_EQ(readTextFile(target), "map");
    } else {
      // Where the system refuses long paths the run says so before it
      // copies anything, rather than blaming the engine afterwards.
      EXPECT_EQ(lastLine().rfind("ERROR: The installation folder's path \"" + pathToUtf8(prefix(folder)) +
                                     "\" is too long: the game's files would pass Windows' limit of 260 "
                                     "characters by " + std::to_string(length - 259) + ".", 0),
                0u) << lastLine();
      EXPECT_FALSE(fs::exists(target));
    }
  }
}

}  // namespace
