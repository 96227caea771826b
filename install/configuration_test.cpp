#include "install/configuration.h"

#include <gtest/gtest.h>

#include "discovery/text_path.h"
#include "platform/ini_file.h"
#include "platform/resolve_path.h"
#include "tests/install_fixture.h"

namespace {

TEST(PresetLine, Parsing) {
  PresetLine p;
  ASSERT_TRUE(parsePresetLine("tkr.ini [ S ] K = a=b", p));
  EXPECT_EQ(p.file, "tkr.ini");
  EXPECT_EQ(p.section, "S");
  EXPECT_EQ(p.key, "K");
  EXPECT_EQ(p.value, "a=b");
  EXPECT_FALSE(parsePresetLine("# tkr.ini[S]K=1", p));
  EXPECT_FALSE(parsePresetLine(" \t\r", p));
  EXPECT_FALSE(parsePresetLine("tkr.ini S]K=1", p));   // no "["
  EXPECT_FALSE(parsePresetLine("tkr.ini[S K=1", p));   // no "]"
  EXPECT_FALSE(parsePresetLine("tkr.ini=[S]K", p));    // no "=" after the "]"
  EXPECT_FALSE(parsePresetLine("x]y[z=1", p));
  ASSERT_TRUE(parsePresetLine(";tkr.ini[S]K=1\r", p));  // ";" is no comment here
  EXPECT_EQ(p.file, ";tkr.ini");
}

TEST(PresetLine, WhichLinesApplyWithoutTheMod) {
  auto applies = [](const char* line, bool mod) {
    PresetLine p;
    return parsePresetLine(line, p) && presetLineApplies(p, mod);
  };
  EXPECT_FALSE(applies("tkr.ini[S]vfs_config_ini=x", false));
  EXPECT_TRUE(applies("TKR.INI[S]K=1", false));
  EXPECT_FALSE(applies("Data-VA/other.ini[S]K=1", false));
  EXPECT_TRUE(applies("tkr.ini[S]VFS_CONFIG_INI=x", true));
  EXPECT_TRUE(applies("Data-VA/other.ini[S]K=1", true));
}

TEST(LanguageCode, ExplicitChoicesAndAuto) {
  TempDir t;
  EXPECT_EQ(settleLanguageCode(0, t.path), "en");
  EXPECT_EQ(settleLanguageCode(3, t.path), "fr");
  EXPECT_EQ(settleLanguageCode(1, t.path), "en");
  EXPECT_EQ(settleLanguageCode(5, t.path), "ru");
  t.write("Data/Polish.rvk");
  EXPECT_EQ(settleLanguageCode(0, t.path), "pl");
  t.write("Data/german.RVK");
  EXPECT_EQ(settleLanguageCode(0, t.path), "de");
  EXPECT_EQ(settleLanguageCode(2, t.path), "de");
  EXPECT_EQ(settleLanguageCode(4, t.path), "pl");
  // An index outside the table counts as Auto.
  EXPECT_EQ(settleLanguageCode(6, t.path), "de");
  EXPECT_EQ(settleLanguageCode(-1, t.path), "de");
}

struct Configuration : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    root.write("src/Data/a.rvk");
    state.gamePath = root.subStr("src");
  }
  void patch(const std::string& text) { root.write("package/installer/preset/default.ini-patch", text); }
};

TEST_F(Configuration, FreshTkrIniHoldsTheNativeKeysInOrder) {
  install();
  EXPECT_TRUE(logged("Applying Classic-First preset & Native SDL2 configuration..."));
  EXPECT_EQ(readFileBytes(gameDir() / "Tkr.ini"),
            "[Native]\r\ninput = pad,touch,mouse,keyboard\r\nadult_content = 0\r\ncoop = 1\r\n"
            "scale = fit\r\nfilter = linear\r\n");
  EXPECT_EQ(state.progress.load(), 100);
}

TEST_F(Configuration, OptionsAndPatchWithoutTheMod) {
  state.enableCoop = false;
  state.enableAdultContent = true;
  patch("# preset\ntkr.ini[S]vfs_config_ini=x\r\nTKR.INI[Game]K=1\nData-VA/other.ini[S]K=1\n\n");
  install();
  // One main INI file whatever the case its lines name.
  std::size_t count = 0;
  for (const auto& e : std::filesystem::directory_iterator(gameDir())) {
    count += toLowerAscii(pathToUtf8(e.path().filename())) == "tkr.ini";
  }
  EXPECT_EQ(count, 1u);
  const std::string text = readTextFile(resolvePathNoCase(gameDir(), "tkr.ini"));
  EXPECT_EQ(text,
            "[Game]\r\nK = 1\r\n\r\n[Native]\r\ninput = pad,touch,mouse,keyboard\r\nadult_content = 1\r\n"
            "coop = 0\r\nscale = fit\r\nfilter = linear\r\n");
  EXPECT_FALSE(std::filesystem::exists(gameDir() / "Data-VA/other.ini"));
}

TEST_F(Configuration, WithTheModEveryLineApplies) {
  root.write("mod/Data-VA/x.rvk");
  state.modArchivePath = root.subStr("mod");
  patch("tkr.ini[S]vfs_config_ini=x\nData-VA/other.ini[S]K=1\n");
  install();
  EXPECT_EQ(readFileBytes(gameDir() / "Data-VA/other.ini"), "[S]\r\nK = 1\r\n");
  EXPECT_NE(readTextFile(resolvePathNoCase(gameDir(), "tkr.ini")).find("vfs_config_ini = x"),
            std::string::npos);
}

TEST_F(Configuration, ExistingMainIniInAnotherCaseIsTheOneWritten) {
  root.write("prefix/game/TKR.ini", "[Display]\r\nwidth = 800\r\n");
  install();
  EXPECT_EQ(readFileBytes(gameDir() / "TKR.ini").substr(0, 36), "[Display]\r\nwidth = 800\r\n\r\n[Native]\r\n");
}

TEST_F(Configuration, LanguageCodeReachesTheCompletionLine) {
  root.write("src/Data/Russian.rvk");
  addEngine("ru");
  install();
  EXPECT_TRUE(logged("Installation completed successfully (ru)!"));
}

}  // namespace
