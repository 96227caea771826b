// A stand-in for the outside programs in the tests (innoextract, the GOG
// installer, 7-Zip, the engine). Copied under the name it stands in for, it
// reads its orders from the environment, each variable first with the
// program's own stem appended ("TKR_CHILD_EXIT_innoextract"), then plain:
//   TKR_CHILD_RECORD  file to append "prog=<stem>", "cwd=<folder>", each
//                     argument on a line of its own, then "--"
//   TKR_CHILD_EXIT    exit code (default 0)
//   TKR_CHILD_ABORT   abort instead of exiting
//   TKR_CHILD_SLEEP_MS  wait this long before exiting, like a slow tool (not
//                     in an innoextract listing, which is quick)
//   TKR_CHILD_DATA    unpack like the real tool: make <out>/<value> as a file,
//                     where <out> follows "--output-dir", or is the text
//                     after "/DIR=" or "-o"; folders made as needed
//   TKR_CHILD_PAYLOAD a folder whose whole tree is copied into <out>
//   TKR_CHILD_TRICKLE "N:MS": after unpacking, write N more files of 1 KiB
//                     into <out>/trickle, one every MS milliseconds, like
//                     an installer that is slow but busy
//   TKR_CHILD_STDOUT  text to print on standard output (a listing)
//   TKR_CHILD_PID     file to write the process id into, at the start (not
//                     in a listing)

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string stem;

const char* order(const char* name) {
  const std::string own = std::string(name) + "_" + stem;
  if (const char* v = std::getenv(own.c_str())) return v;
  return std::getenv(name);
}

std::string u8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace

int main(int argc, char** argv) {
  stem = u8(fs::path(argv[0]).stem());
  if (const char* record = order("TKR_CHILD_RECORD")) {
    std::ofstream out(record, std::ios::binary | std::ios::app);
    std::error_code ec;
    out << "prog=" << stem << "\n";
    out << "cwd=" << u8(fs::current_path(ec)) << "\n";
    for (int i = 1; i < argc; ++i) out << argv[i] << "\n";
    out << "--\n";
  }
  // A listing ("--list") reads an installer's header only: it is quick.
  const bool listing = argc > 1 && std::string(argv[1]) == "--list";
  if (const char* pidFile = order("TKR_CHILD_PID"); pidFile && !listing) {
    std::ofstream(pidFile, std::ios::binary) << getpid() << "\n";
  }
  if (const char* text = order("TKR_CHILD_STDOUT")) {
    std::fputs(text, stdout);
    std::fflush(stdout);
  }
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--output-dir" && i + 1 < argc) dir = argv[i + 1];
    if (a.rfind("/DIR=", 0) == 0) dir = a.substr(5);
    if (a.rfind("-o", 0) == 0 && a.size() > 2) dir = a.substr(2);
  }
  if (const char* payload = order("TKR_CHILD_PAYLOAD"); payload && !dir.empty()) {
    // File by file: the library's recursive copy into an existing folder
    // fails on Windows.
    std::error_code ec;
    for (fs::recursive_directory_iterator it(payload, ec), end; !ec && it != end; it.increment(ec)) {
      const fs::path target = fs::path(dir) / fs::relative(it->path(), payload, ec);
      if (it->is_directory(ec)) {
        fs::create_directories(target, ec);
      } else {
        fs::create_directories(target.parent_path(), ec);
        fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
      }
    }
    if (ec) return 3;
  }
  if (const char* data = order("TKR_CHILD_DATA")) {
    if (!dir.empty()) {
      const fs::path file = fs::path(dir) / data;
      std::error_code ec;
      fs::create_directories(file.parent_path(), ec);
      std::ofstream(file, std::ios::binary) << "unpacked by " << stem << "\n";
    }
  }
  if (const char* trickle = order("TKR_CHILD_TRICKLE"); trickle && !dir.empty()) {
    const int files = std::atoi(trickle);
    const char* colon = std::strchr(trickle, ':');
    const int every = colon ? std::atoi(colon + 1) : 100;
    std::error_code ec;
    fs::create_directories(fs::path(dir) / "trickle", ec);
    for (int i = 0; i < files; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(every));
      std::ofstream(fs::path(dir) / "trickle" / std::to_string(i), std::ios::binary) << std::string(1024, 'x');
    }
  }
  if (const char* ms = order("TKR_CHILD_SLEEP_MS"); ms && !listing) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
  }
  if (order("TKR_CHILD_ABORT")) std::abort();
  const char* code = order("TKR_CHILD_EXIT");
  return code ? std::atoi(code) : 0;
}
