// A stand-in program for the tests: it writes its argument vector and its
// working folder to the file named by TKR_CHILD_RECORD (one item a line,
// "cwd=" first), then exits with TKR_CHILD_EXIT (default 0), or aborts when
// TKR_CHILD_ABORT is set.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (const char* record = std::getenv("TKR_CHILD_RECORD")) {
    std::ofstream out(record, std::ios::binary | std::ios::app);
    std::error_code ec;
    const std::u8string cwd = std::filesystem::current_path(ec).u8string();
    out << "cwd=" << std::string(cwd.begin(), cwd.end()) << "\n";
    for (int i = 1; i < argc; ++i) out << argv[i] << "\n";
    out << "--\n";
  }
  if (std::getenv("TKR_CHILD_ABORT")) std::abort();
  const char* code = std::getenv("TKR_CHILD_EXIT");
  return code ? std::atoi(code) : 0;
}
