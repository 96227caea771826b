#include "app/wizard_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WizardState, StartsWithTheDocumentedChoices) {
  WizardState s;
  EXPECT_EQ(s.page.load(), WizardPage::Welcome);
  EXPECT_TRUE(s.gamePath.empty());
  EXPECT_FALSE(s.gamePathIsInstaller);
  EXPECT_TRUE(s.modArchivePath.empty());
  EXPECT_TRUE(s.enableCoop);
  EXPECT_TRUE(s.createShortcuts);
  EXPECT_FALSE(s.enableAdultContent);
  EXPECT_TRUE(s.launchAfterFinish);
  EXPECT_STREQ(kLanguages[s.languageIndex].label, "Auto");
  EXPECT_EQ(s.progress.load(), 0);
  EXPECT_FALSE(s.running.load());
  EXPECT_FALSE(s.succeeded.load());
  EXPECT_EQ(s.statusText, "Ready to install.");
  EXPECT_TRUE(s.logLines.empty());
  EXPECT_FALSE(s.browser.isOpen);
}

TEST(WizardState, LanguageTable) {
  const char* labels[] = {"Auto", "English", "Deutsch", "Francais", "Polski", "Russkiy"};
  const char* codes[] = {"auto", "en", "de", "fr", "pl", "ru"};
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_STREQ(kLanguages[i].label, labels[i]);
    EXPECT_STREQ(kLanguages[i].code, codes[i]);
  }
}

TEST(LogLine, KeepsTheLastTwelveAndEchoesEveryLine) {
  WizardState s;
  testing::internal::CaptureStdout();
  for (int i = 1; i <= 13; ++i) s.logLine("line " + std::to_string(i));
  s.logLine("");
  const std::string out = testing::internal::GetCapturedStdout();

  ASSERT_EQ(s.logLines.size(), 12u);
  EXPECT_EQ(s.logLines.front(), "line 3");
  EXPECT_EQ(s.logLines[10], "line 13");
  EXPECT_EQ(s.logLines.back(), "");
  EXPECT_EQ(s.statusText, "");
  std::string expected;
  for (int i = 1; i <= 13; ++i) expected += "[TKR-Setup] line " + std::to_string(i) + "\n";
  expected += "[TKR-Setup] \n";
  EXPECT_EQ(out, expected);
}

TEST(LogLine, ThirteenCallsKeepLinesTwoToThirteen) {
  WizardState s;
  testing::internal::CaptureStdout();
  for (int i = 1; i <= 13; ++i) s.logLine(std::to_string(i));
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(s.logLines.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s.logLines[i], std::to_string(i + 2));
  EXPECT_EQ(s.statusText, "13");
}

}  // namespace
