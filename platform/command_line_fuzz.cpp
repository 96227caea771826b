// Fuzz target for the Windows command-line splitter: any bytes split
// without a crash, and arguments quoted back the way the callers quote
// paths split into the same arguments again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/command_line.h"

namespace {

// Quotes one argument so that the splitter gives it back unchanged.
std::string quote(const std::string& arg) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> args = splitCommandLine(line);
  for (const std::string& a : args) {
    if (a.size() > line.size()) std::abort();
  }
  // Round trip of the arguments after the program name, which callers quote.
  if (args.size() < 2) return 0;
  std::string rebuilt = "prog";
  for (std::size_t i = 1; i < args.size(); ++i) rebuilt += " " + quote(args[i]);
  std::vector<std::string> again = splitCommandLine(rebuilt);
  again.erase(again.begin());
  if (std::vector<std::string>(args.begin() + 1, args.end()) != again) std::abort();
  return 0;
}
