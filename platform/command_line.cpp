#include "platform/command_line.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i < n && isBlank(line[i])) ++i;
  if (i >= n) return args;

  // The program name.
  std::string program;
  if (line[i] == '"') {
    ++i;
    while (i < n && line[i] != '"') program += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !isBlank(line[i])) program += line[i++];
  }
  args.push_back(std::move(program));

  while (true) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    int quotes = 0;  // 1 inside a group
    while (i < n && (quotes > 0 || !isBlank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t count = 0;
        while (i < n && line[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (line[i] == '"') {
        ++quotes;
        ++i;
        while (i < n && line[i] == '"') {
          if (++quotes == 3) {
            arg += '"';
            quotes = 0;
          }
          ++i;
        }
        if (quotes == 2) quotes = 0;
      } else {
        arg += line[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

SystemProgram systemProgramOf(std::string_view commandLine) {
  const std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty()) return SystemProgram::None;
  std::string name;
  for (char c : args[0]) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (name == "cmd" || name == "cmd.exe") return SystemProgram::Cmd;
  if (name == "powershell" || name == "powershell.exe") return SystemProgram::PowerShell;
  return SystemProgram::None;
}
