#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, Table) {
  struct Case {
    const char* line;
    Args args;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"prog", {"prog"}},
      {"prog a b", {"prog", "a", "b"}},
      {"prog\ta\t\tb  ", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\7-Zip\\7z.exe\" x", {"C:\\Program Files\\7-Zip\\7z.exe", "x"}},
      {"prog \"\"", {"prog", ""}},
      {"prog \"\" \"\"", {"prog", "", ""}},
      {"prog a\"b c\"d", {"prog", "ab cd"}},
      {"prog \"-oC:\\out dir\"", {"prog", "-oC:\\out dir"}},
      {"prog -o\"C:\\out dir\"", {"prog", "-oC:\\out dir"}},
      {"prog C:\\dir\\", {"prog", "C:\\dir\\"}},
      {"prog a\\\\b", {"prog", "a\\\\b"}},
      {"prog \"C:\\dir\\\\\" next", {"prog", "C:\\dir\\", "next"}},
      {"prog a\\\"b", {"prog", "a\"b"}},
      {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
      {"prog \"a\\\"b c\"", {"prog", "a\"b c"}},
      {"prog \"a\"\"b\"", {"prog", "a\"b"}},
      {"prog \"unterminated arg", {"prog", "unterminated arg"}},
      {"\"C:\\with space\\prog.exe\"x y", {"C:\\with space\\prog.exe", "x", "y"}},
      {"C:\\dir\\prog\\ \"a\"", {"C:\\dir\\prog\\", "a"}},
      {"prog $HOME `id` a;b x|y *", {"prog", "$HOME", "`id`", "a;b", "x|y", "*"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(splitCommandLine(c.line), c.args) << "[" << c.line << "]";
  }
}

}  // namespace
