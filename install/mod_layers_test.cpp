#include "install/mod_layers.h"

#include <gtest/gtest.h>

#include "discovery/seven_zip.h"
#include "platform/run_command.h"
#include "platform/ini_file.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST(ModCommands, ExactCommandLines) {
  EXPECT_EQ(sevenZipCommand("C:\\Program Files\\7-Zip\\7z.exe", "C:\\w\\mod-ext", "D:\\SCI-7609-VA.7z"),
            "\"C:\\Program Files\\7-Zip\\7z.exe\" x -y \"-oC:\\w\\mod-ext\" \"D:\\SCI-7609-VA.7z\"");
  EXPECT_EQ(tarCommand("D:\\SCI-7609-VA.7z", "C:\\w\\mod-ext"),
            "tar.exe -xf \"D:\\SCI-7609-VA.7z\" -C \"C:\\w\\mod-ext\"");
}

TEST(ModCopy, SkipRules) {
  for (const char* out : {"data-va/music/a.ogg", "data-zu/x", "multiplayer/m", "data-va/run.exe",
                          "data-va/savedgames/s.sav", "a/b/savedgames/c"}) {
    EXPECT_TRUE(excludedFromModCopy(out)) << out;
  }
  for (const char* in : {"data-va/musicbox/x.ogg", "savedgames/s.sav", "data-va/x.dll",
                         "data-zulu/x", "data-va/maps/m.rvm"}) {
    EXPECT_FALSE(excludedFromModCopy(in)) << in;
  }
}

struct ModLayers : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    root.write("src/Data/a.rvk");
    state.gamePath = root.subStr("src");
  }
  void writeModTree(const std::string& top) {
    for (const char* f : {"Data-VA/Maps/va.rvm", "Data-VA/Music/theme.ogg", "Data-VA/MusicBox/x.ogg",
                          "Data-VA/SavedGames/s.sav", "Data-VA/tool.EXE", "Data-VA/lib.dll",
                          "Data-ZU/z.rvk", "Multiplayer/m.rvk", "SavedGames/root.sav",
                          "Data-Torvane/t.rvk"}) {
      root.write(top + "/" + f, f);
    }
  }
  void expectModCopied(const fs::path& game) {
    EXPECT_TRUE(fs::exists(game / "Data-VA/Maps/va.rvm"));
    EXPECT_TRUE(fs::exists(game / "Data-VA/MusicBox/x.ogg"));
    EXPECT_TRUE(fs::exists(game / "Data-VA/lib.dll"));
    EXPECT_TRUE(fs::exists(game / "SavedGames/root.sav"));
    EXPECT_TRUE(fs::exists(game / "Data-Torvane/t.rvk"));
    EXPECT_FALSE(fs::exists(game / "Data-VA/Music"));
    EXPECT_FALSE(fs::exists(game / "Data-VA/SavedGames"));
    EXPECT_FALSE(fs::exists(game / "Data-VA/tool.EXE"));
    EXPECT_FALSE(fs::exists(game / "Data-ZU"));
    EXPECT_FALSE(fs::exists(game / "Multiplayer"));
  }
  // The real 7-Zip and tar of this machine, when it has them.
  std::string realSevenZip() {
    EnvGuard path;
    path.set("PATH", "/usr/bin:/bin");
    return searchProgram("7zz.exe").empty() ? searchProgram("7z.exe") : searchProgram("7zz.exe");
  }
  std::string realTar() {
    EnvGuard path;
    path.set("PATH", "/usr/bin:/bin");
    return searchProgram("tar.exe");
  }
};

TEST_F(ModLayers, NoModNoLineNoFlag) {
  install();
  EXPECT_FALSE(logged("Unpacking Vestrova archive..."));
  EXPECT_FALSE(logged("Installing TKR Torvane + Vestrova 1.4 mod layers..."));
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(ModLayers, FolderIsCopiedWithoutATool) {
  writeModTree("mod");
  root.write("mod/data-va/extra.rvk");  // the marker in another case, on case-sensitive systems
  state.modArchivePath = root.subStr("mod");
  installStandIn(root.sub("tools"), "7z.exe");
  install();
  EXPECT_TRUE(toolRuns().empty());
  EXPECT_FALSE(logged("Unpacking Vestrova archive..."));
  EXPECT_TRUE(logged("Installing TKR Torvane + Vestrova 1.4 mod layers..."));
  expectModCopied(gameDir());
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(ModLayers, LinksLeadingOutOfTheModAreNotFollowed) {
  writeModTree("mod");
  root.write("secret/passwords.txt", "private");
  std::error_code ec;
  fs::create_symlink(root.sub("secret/passwords.txt"), root.sub("mod/Data-VA/stolen.txt"), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here";
  fs::create_directory_symlink(root.sub("secret"), root.sub("mod/Data-VA/secretdir"));
  fs::create_symlink(root.sub("mod/Data-VA/Maps/va.rvm"), root.sub("mod/Data-VA/inner-link.rvm"));
  state.modArchivePath = root.subStr("mod");
  install();
  EXPECT_FALSE(fs::exists(gameDir() / "Data-VA/stolen.txt"));
  EXPECT_FALSE(fs::exists(gameDir() / "Data-VA/secretdir"));
  EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/inner-link.rvm"));  // a link inside the mod is fine
  expectModCopied(gameDir());
}

TEST_F(ModLayers, MarkerTwoLevelsDownIsNotFound) {
  writeModTree("mod/outer/inner");
  state.modArchivePath = root.subStr("mod");
  install();
  EXPECT_FALSE(logged("Installing TKR Torvane + Vestrova 1.4 mod layers..."));
  EXPECT_FALSE(fs::exists(gameDir() / "Data-VA"));
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(ModLayers, ArchiveThroughTheSevenZipStandIn) {
  const fs::path sevenZip = installStandIn(root.sub("tools"), "7z.exe");
  const fs::path archive = root.write("dl/SCI-7609-VA.7z");
  env.set("TKR_CHILD_DATA_7z", "Wrapped/Data-VA/Maps/va.rvm");
  state.modArchivePath = pathToUtf8(archive);
  install();
  const auto runs = toolRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{"x", "-y", "-o" + pathToUtf8(workDir() / "mod-ext"),
                                                     pathToUtf8(archive)}));
  EXPECT_TRUE(logged("Unpacking Vestrova archive..."));
  EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));  // one top folder unwrapped
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_FALSE(fs::exists(workDir()));
}

TEST_F(ModLayers, FailingToolEndsTheJob) {
  installStandIn(root.sub("tools"), "7z.exe");
  env.set("TKR_CHILD_EXIT_7z", "2");
  state.modArchivePath = pathToUtf8(root.write("dl/SCI-7609-VA.7z"));
  install();
  expectFailedWith("ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");
  EXPECT_EQ(state.progress.load(), 55);
  EXPECT_TRUE(fs::exists(gameDir() / "Data/a.rvk"));  // the base copy stays
}

TEST_F(ModLayers, RealSevenZipPlainWrappedAndDamaged) {
  const std::string real = realSevenZip();
  if (real.empty()) GTEST_SKIP() << "no 7-Zip on this machine";
  fs::create_symlink(real, root.sub("tools") / "7zz");
  writeModTree("plain");
  writeModTree("wrapped/Vestrova");
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y plain.7z Data-VA Data-ZU Data-Torvane Multiplayer SavedGames",
                         root.subStr("plain")));
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y wrapped.7z Vestrova", root.subStr("wrapped")));

  state.modArchivePath = root.subStr("plain/plain.7z");
  install();
  expectModCopied(gameDir());
  EXPECT_TRUE(state.succeeded.load());

  fs::remove_all(gameDir());
  state.modArchivePath = root.subStr("wrapped/wrapped.7z");
  install();
  expectModCopied(gameDir());

  root.write("bad/SCI-7609-VA.7z", "7z\xBC\xAF\x27\x1C not really an archive");
  state.modArchivePath = root.subStr("bad/SCI-7609-VA.7z");
  install();
  expectFailedWith("ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");
}

TEST_F(ModLayers, ArchiveNamesThatClimbOutWriteNothingOutside) {
  const std::string real = realSevenZip();
  const std::string tar = realTar();
  if (real.empty()) GTEST_SKIP() << "no 7-Zip on this machine";
  writeModTree("pack/in");
  root.write("pack/evil.txt", "from the archive");
  const std::string absolute = root.subStr("pack/in/abs-evil.txt");
  root.write("pack/in/abs-evil.txt", "absolute name");
  // -spf keeps "../evil.txt" and the absolute name as the entries' names.
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y -spf evil.7z ../evil.txt \"" + absolute + "\" Data-VA",
                         root.subStr("pack/in")));
  fs::remove(root.sub("pack/evil.txt"));
  fs::remove(absolute);
  fs::create_symlink(real, root.sub("tools") / "7zz");
  state.modArchivePath = root.subStr("pack/in/evil.7z");
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
  EXPECT_FALSE(fs::exists(root.sub("pack/evil.txt")));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_FALSE(fs::exists(workDir().parent_path() / "evil.txt"));

  if (tar.empty()) return;
  fs::remove(root.sub("tools") / "7zz");
  fs::create_symlink(tar, root.sub("tools") / "tar");
  root.write("pack/evil.txt", "from the archive");
  ASSERT_TRUE(runCommand("\"" + tar + "\" -cPf evil-tar.7z ../evil.txt Data-VA", root.subStr("pack/in")));
  fs::remove(root.sub("pack/evil.txt"));
  fs::remove_all(gameDir());
  state.modArchivePath = root.subStr("pack/in/evil-tar.7z");
  install();
  // GNU tar refuses the climbing member and exits 2: the unpack has failed.
  expectFailedWith("ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");
  EXPECT_FALSE(fs::exists(root.sub("pack/evil.txt")));
  EXPECT_FALSE(fs::exists(workDir().parent_path() / "evil.txt"));
}

TEST_F(ModLayers, ArchivedLinksOutOfTheModReadNothingOutside) {
  const std::string real = realSevenZip();
  if (real.empty()) GTEST_SKIP() << "no 7-Zip on this machine";
  writeModTree("pack");
  const fs::path secret = root.write("secret/pw.txt", "the user's own");
  fs::create_symlink(secret, root.sub("pack/Data-VA/stolen.txt"));
  fs::create_directory_symlink(secret.parent_path(), root.sub("pack/Data-VA/secretdir"));
  fs::create_symlink("Maps/va.rvm", root.sub("pack/Data-VA/inner.rvm"));
  fs::create_symlink(real, root.sub("tools") / "7zz");
  // -snl stores the links as links. 7-Zip points absolute ones into its
  // output folder, where they lead nowhere: they are passed over.
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y -snl links.7z Data-VA", root.subStr("pack")));
  state.modArchivePath = root.subStr("pack/links.7z");
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
  EXPECT_EQ(readTextFile(gameDir() / "Data-VA/inner.rvm"), readTextFile(root.sub("pack/Data-VA/Maps/va.rvm")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(gameDir() / "Data-VA/stolen.txt")));
  EXPECT_FALSE(fs::exists(gameDir() / "Data-VA/secretdir/pw.txt"));

  // A relative link that climbs out is refused by 7-Zip itself (exit 2):
  // the unpack has failed, and nothing outside was read.
  fs::create_symlink("../../secret/pw.txt", root.sub("pack/Data-VA/climb.txt"));
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y -snl climb.7z Data-VA", root.subStr("pack")));
  fs::remove_all(gameDir());
  state.modArchivePath = root.subStr("pack/climb.7z");
  install();
  expectFailedWith("ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");
  EXPECT_FALSE(fs::exists(gameDir() / "Data-VA/climb.txt"));
}

TEST_F(ModLayers, WithoutSevenZipTarIsTried) {
  const std::string real = realSevenZip();
  const std::string tar = realTar();
  if (real.empty() || tar.empty() || !findSevenZip().empty()) GTEST_SKIP() << "needs 7-Zip and tar";
  fs::create_symlink(tar, root.sub("tools") / "tar");
  writeModTree("plain");
  ASSERT_TRUE(runCommand("\"" + real + "\" a -bd -y plain.7z Data-VA", root.subStr("plain")));
  ASSERT_TRUE(runCommand("\"" + tar + "\" -cf tarred.7z Data-VA", root.subStr("plain")));

  // GNU tar cannot read a real .7z: the unpack fails, as it should.
  state.modArchivePath = root.subStr("plain/plain.7z");
  install();
  expectFailedWith("ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");

  // A tar archive under the .7z name unpacks through tar.
  state.modArchivePath = root.subStr("plain/tarred.7z");
  install();
  EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
  EXPECT_TRUE(state.succeeded.load());
}

TEST(FindSevenZip, SearchOrder) {
  TempDir t;
  EnvGuard env;
  env.set("PATH", t.subStr("bin"));
  if (!findSevenZip().empty()) GTEST_SKIP() << "a 7-Zip is installed in a fixed location";
  installStandIn(t.sub("bin"), "7zz.exe");
  EXPECT_EQ(findSevenZip(), pathToUtf8(t.sub("bin") / "7zz.exe"));
  installStandIn(t.sub("bin"), "7z.exe");
  EXPECT_EQ(findSevenZip(), pathToUtf8(t.sub("bin") / "7z.exe"));
}

}  // namespace
