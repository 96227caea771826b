// The copy every install step uses: replaces the target whole, keeps the
// source when both are one file, and fails cleanly on what is no file.

#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "platform/os.h"
#include "tests/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(CopyFileReplacing, NewLongerShorterAndEmptyFiles) {
  TempDir t;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  const fs::path bigFile = t.write("big.rvk", big);
  ASSERT_TRUE(copyFileReplacing(bigFile, t.sub("copy.rvk")) == FileResult::Done);
  EXPECT_EQ(readTextFile(t.sub("copy.rvk")), big);
  // A shorter source over a longer target leaves no tail of the old bytes.
  ASSERT_TRUE(copyFileReplacing(t.write("short.rvk", "short"), t.sub("copy.rvk")) == FileResult::Done);
  EXPECT_EQ(readTextFile(t.sub("copy.rvk")), "short");
  ASSERT_TRUE(copyFileReplacing(t.write("empty.rvk", ""), t.sub("copy.rvk")) == FileResult::Done);
  EXPECT_EQ(fs::file_size(t.sub("copy.rvk")), 0u);
}

TEST(CopyFileReplacing, WhatCannotBeCopiedIsLeftAlone) {
  TempDir t;
  const fs::path source = t.write("a.rvk", "the only copy");
  EXPECT_FALSE(copyFileReplacing(source, source) == FileResult::Done);  // one file: never emptied
  EXPECT_EQ(readTextFile(source), "the only copy");
  t.write("folder/inside.txt", "kept");
  EXPECT_FALSE(copyFileReplacing(source, t.sub("folder")) == FileResult::Done);
  EXPECT_EQ(readTextFile(t.sub("folder/inside.txt")), "kept");
  EXPECT_FALSE(copyFileReplacing(t.sub("missing.rvk"), t.sub("b.rvk")) == FileResult::Done);
  EXPECT_FALSE(fs::exists(t.sub("b.rvk")));
  EXPECT_FALSE(copyFileReplacing(t.sub("folder"), t.sub("c.rvk")) == FileResult::Done);
  EXPECT_FALSE(copyFileReplacing(source, t.sub("no/such/folder/d.rvk")) == FileResult::Done);
}

}  // namespace
