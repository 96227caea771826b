#include "install/engine.h"

#include <gtest/gtest.h>

#include "discovery/text_path.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST(PlayBat, ExactBytes) {
  const std::string bat = playBatText("fr");
  EXPECT_EQ(bat.size(), 65u);
  EXPECT_EQ(bat, "@echo off\r\ncd /d \"%~dp0game\"\r\nstart \"\" \"%~dp0bin\\tkr-fr.exe\" %*\r\n");
}

TEST(Shortcut, CommandLineAndQuotesInPaths) {
  EXPECT_EQ(shortcutCommand("C:\\Users\\ann\\Desktop\\Thrask Kovarra Native Port.lnk",
                            "C:\\p\\bin\\tkr-en.exe", "C:\\p\\game"),
            "powershell -NoProfile -ExecutionPolicy Bypass -Command \"$s=(New-Object -COM "
            "WScript.Shell).CreateShortcut('C:\\Users\\ann\\Desktop\\Thrask Kovarra Native Port.lnk');"
            "$s.TargetPath='C:\\p\\bin\\tkr-en.exe';$s.WorkingDirectory='C:\\p\\game';$s.Save()\"");
  EXPECT_NE(shortcutCommand("C:\\Users\\O'Brien\\x.lnk", "e", "g").find("'C:\\Users\\O''Brien\\x.lnk'"),
            std::string::npos);
}

TEST(DesktopLauncher, ExactBytesAndPercentDoubled) {
  EXPECT_EQ(desktopLauncherText("C:\\p\\game", "C:\\p\\bin\\tkr-en.exe"),
            "@echo off\r\ncd /d \"C:\\p\\game\"\r\nstart \"\" \"C:\\p\\bin\\tkr-en.exe\" %*\r\n");
  EXPECT_EQ(desktopLauncherText("C:\\100%\\game", "e"),
            "@echo off\r\ncd /d \"C:\\100%%\\game\"\r\nstart \"\" \"e\" %*\r\n");
}

struct Engine : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    root.write("src/Data/a.rvk");
    state.gamePath = root.subStr("src");
  }
};

TEST_F(Engine, InstallsSelfTestsAndWritesPlayBat) {
  state.createShortcuts = false;
  install();
  ASSERT_TRUE(state.succeeded.load()) << output;
  EXPECT_TRUE(fs::exists(root.sub("prefix/bin/tkr-en.exe")));
  EXPECT_EQ(readFileBytes(root.sub("prefix/bin/SDL2.dll")), "sdl");
  EXPECT_EQ(readFileBytes(root.sub("prefix/Play.bat")), playBatText("en"));
  const auto runs = engineRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].args, std::vector<std::string>{"--version"});
  EXPECT_TRUE(fs::equivalent(*pathFromUtf8(runs[0].cwd), gameDir()));
  EXPECT_TRUE(fs::is_empty(root.sub("home")));
}

TEST_F(Engine, AutoWithGermanDataPicksTheGermanEngine) {
  root.write("src/Data/German.rvk");
  addEngine("de");
  install();
  EXPECT_TRUE(fs::exists(root.sub("prefix/bin/tkr-de.exe")));
  EXPECT_EQ(readFileBytes(root.sub("prefix/Play.bat")), playBatText("de"));
  EXPECT_TRUE(logged("Installation completed successfully (de)!"));
}

TEST_F(Engine, MissingSdlNamesTheEngineSource) {
  fs::remove(root.sub("package/bin/SDL2.dll"));
  install();
  expectFailedWith("ERROR: Missing Windows binary (" + pathToUtf8(root.sub("package") / "bin" / "tkr-en.exe") +
                   ") or SDL2.dll.");
  EXPECT_TRUE(fs::is_directory(root.sub("prefix/bin")));
  EXPECT_FALSE(fs::exists(root.sub("prefix/Play.bat")));
}

TEST_F(Engine, FailingSelfTestKeepsTheFiles) {
  env.set("TKR_CHILD_EXIT_tkr-en", "1");
  install();
  expectFailedWith("ERROR: Installed executable self-test failed.");
  EXPECT_TRUE(fs::exists(root.sub("prefix/bin/tkr-en.exe")));
  EXPECT_TRUE(fs::exists(root.sub("prefix/bin/SDL2.dll")));
  EXPECT_FALSE(fs::exists(root.sub("prefix/Play.bat")));
  EXPECT_TRUE(fs::exists(gameDir() / "Tkr.ini"));
}

TEST_F(Engine, InstallIntoThePackageItselfCopiesNothing) {
  env.set("TKR_SETUP_PREFIX", root.subStr("package"));
  install();
  EXPECT_TRUE(state.succeeded.load()) << output;
  EXPECT_EQ(engineRuns().size(), 1u);
}

TEST_F(Engine, DesktopLauncherWhenNoShortcutCanBeMade) {
  // Windows (and Wine, whose powershell.exe stub exits 0) always has one;
  // Linux never starts one, whatever lies on the search path.
  if (hasFixedWindowsLocations()) GTEST_SKIP() << "this system has PowerShell";
  root.mkdir("home/Desktop");
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_EQ(readFileBytes(root.sub("home/Desktop/Play Thrask Kovarra.bat")),
            desktopLauncherText(pathToUtf8(gameDir()), pathToUtf8(root.sub("prefix") / "bin" / "tkr-en.exe")));
}

TEST_F(Engine, NoDesktopNoShortcut) {
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_TRUE(fs::is_empty(root.sub("home")));
}

}  // namespace
