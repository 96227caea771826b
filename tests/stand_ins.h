#pragma once
// Outside programs for the install tests: copies of the recording child
// under the names of the tools they stand in for, in a folder of their own.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/os.h"

// The recording child, built beside the tests.
inline std::filesystem::path testChildProgram() {
  return *pathFromUtf8(searchProgram("tkr_test_child.exe"));
}

// Copies the child to folder/name (executable) and returns the copy's path.
inline std::filesystem::path installStandIn(const std::filesystem::path& folder, const std::string& name) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path target = folder / name;
  std::filesystem::copy_file(testChildProgram(), target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  return target;
}

// One recorded start of a stand-in.
struct RecordedRun {
  std::string program;
  std::string cwd;
  std::vector<std::string> args;
};

inline std::vector<RecordedRun> readRecordedRuns(const std::filesystem::path& file) {
  std::vector<RecordedRun> runs;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  RecordedRun current;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "--") {
      runs.push_back(current);
      current = {};
    } else if (line.rfind("prog=", 0) == 0 && current.program.empty()) {
      current.program = line.substr(5);
    } else if (line.rfind("cwd=", 0) == 0 && current.cwd.empty()) {
      current.cwd = line.substr(4);
    } else {
      current.args.push_back(line);
    }
  }
  return runs;
}
