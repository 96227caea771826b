// The Linux side of the operating system seam: each Windows call of the
// wizard mapped onto POSIX, keeping the rules that still make sense.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "discovery/text_path.h"
#include "platform/command_line.h"
#include "platform/os.h"

extern char** environ;

namespace fs = std::filesystem;

std::optional<std::string> envValue(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

char pathSeparator() { return '/'; }

std::optional<fs::path> pathFromUtf8(std::string_view text) { return fs::path(std::string(text)); }

std::string pathToUtf8(const fs::path& path) { return path.native(); }

namespace {

std::string nonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool isExecutableFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string findInSearchOrder(const std::string& name) {
  std::vector<std::string> folders;
  const std::string exe = executableFileName();
  if (!exe.empty()) folders.push_back(fs::path(exe).parent_path().native());
  const std::string path = nonEmptyEnv("PATH");
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    // An empty PATH element means the current folder, as the shell has it.
    folders.push_back(end > start ? path.substr(start, end - start) : std::string("."));
    start = end + 1;
    if (end == path.size()) break;
  }
  for (const std::string& folder : folders) {
    std::string candidate = folder;
    if (candidate.empty() || candidate.back() != '/') candidate += '/';
    candidate += name;
    if (isExecutableFile(candidate)) return candidate;
  }
  return {};
}

// Starts the command line with stdin, stdout and stderr on /dev/null; 0 when
// the program could not be found or started.
pid_t spawnCommandLine(const std::string& commandLine, const std::string& workingDirectory) {
  std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return 0;
  std::string program = args[0];
  if (program.find('/') == std::string::npos) {
    program = searchProgram(program);
    if (program.empty()) return 0;
  } else if (program[0] != '/') {
    // A relative program is found from the setup's own current folder, as
    // the process-creation call does, not from the child's.
    std::error_code ec;
    fs::path absolute = fs::absolute(program, ec);
    if (ec) return 0;
    program = absolute.native();
  }
  if (!isExecutableFile(program)) return 0;
  if (!workingDirectory.empty()) {
    struct stat st{};
    if (::stat(workingDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
  }

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (!workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  }
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : 0;
}

}  // namespace

std::string homeFallback() {
  const std::string home = nonEmptyEnv("HOME");
  return home.empty() ? std::string("/") : home;
}

std::string prefixBaseFallback(const std::string& home) {
  const std::string xdg = nonEmptyEnv("XDG_DATA_HOME");
  if (!xdg.empty()) return xdg;
  std::string base = home;
  if (base.empty() || base.back() != '/') base += '/';
  return base + ".local/share";
}

bool hasFixedWindowsLocations() { return false; }

std::string executableFileName() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.native();
}

std::string tempDirectory() {
  const std::string tmp = nonEmptyEnv("TMPDIR");
  return tmp.empty() ? std::string("/tmp") : tmp;
}

std::uint32_t currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::optional<std::uint64_t> freeDiskBytes(const std::string& path) {
  struct statvfs st{};
  if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

std::vector<std::string> logicalDrives() { return {"/"}; }

std::string searchProgram(const std::string& name) {
  if (name.empty()) return {};
  std::string found = findInSearchOrder(name);
  if (found.empty() && endsWithNoCase(name, ".exe") && name.size() > 4) {
    found = findInSearchOrder(name.substr(0, name.size() - 4));
  }
  return found;
}

bool runProcessAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  const pid_t pid = spawnCommandLine(commandLine, workingDirectory);
  if (pid <= 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void startProcessDetached(const std::string& commandLine, const std::string& workingDirectory) {
  const pid_t pid = spawnCommandLine(commandLine, workingDirectory);
  if (pid <= 0) return;
  // Nobody waits for the game; a detached reaper keeps it from lingering as
  // a zombie while the wizard is still up.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

void setEnvValue(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

bool narrowTextIsUtf8() { return true; }

bool copyFileReplacing(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

fs::path freeSpaceProbe(const fs::path&, const fs::path& gameDir) { return gameDir; }

std::string genericUtf8(const fs::path& path) { return path.native(); }

bool replaceFile(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}
