// Child programs on Linux: started directly (never through a shell), with
// the command line split by the Windows rules, as the process-creation
// call of the Windows build would start them.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/os.h"
#include "platform/stop.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Where the child's standard output and error go: a descriptor to hand it,
// or -1 for /dev/null.
struct ChildStreams {
  int output = -1;
  int errors = -1;
  bool ownGroup = false;  // the child leads a process group of its own
};

// Starts the command line with stdin on /dev/null; 0 when the program could
// not be found or started.
pid_t spawnCommandLine(const std::string& commandLine, const std::string& workingDirectory,
                       const ChildStreams& streams = {}) {
  std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return 0;
  // cmd.exe and PowerShell are the system's own on Windows; Linux has
  // none, and one of those names found beside the setup or on the search
  // path is never run in their place.
  if (systemProgramOf(commandLine) != SystemProgram::None) return 0;
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
  if (streams.output >= 0) {
    posix_spawn_file_actions_adddup2(&actions, streams.output, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  if (streams.errors >= 0) {
    posix_spawn_file_actions_adddup2(&actions, streams.errors, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  if (!workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (streams.ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : 0;
}

bool exitedWithZero(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// One pipe from the child: its read end is ours, non-blocking.
struct ChildPipe {
  int read = -1;
  int write = -1;
  BoundedText kept;

  bool open(std::size_t limit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read = fds[0];
    write = fds[1];
    ::fcntl(read, F_SETFL, ::fcntl(read, F_GETFL) | O_NONBLOCK);
    kept.limit = limit;
    return true;
  }
  // Reads what is there now; false once the pipe is closed or broken.
  bool drain() {
    if (read < 0) return false;
    char buffer[16 * 1024];
    for (;;) {
      const ssize_t n = ::read(read, buffer, sizeof buffer);
      if (n > 0) {
        kept.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) return true;
      closeRead();
      return false;
    }
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  void closeRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  ~ChildPipe() {
    closeWrite();
    closeRead();
  }
};

}  // namespace

bool runProcessAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  const pid_t pid = spawnCommandLine(commandLine, workingDirectory);
  if (pid <= 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return exitedWithZero(status);
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

ChildOutcome runProcessWatched(const std::string& commandLine, const std::string& workingDirectory,
                               const ChildWatch& watch) {
  ChildOutcome outcome;
  ChildPipe output, errors;
  if ((watch.keepOutput && !output.open(watch.outputLimit)) || (watch.keepErrors && !errors.open(watch.errorLimit))) {
    return outcome;
  }
  // A watched child leads a group of its own, so that ending it ends what
  // it started too.
  const pid_t pid = spawnCommandLine(commandLine, workingDirectory,
                                     {output.write, errors.write, static_cast<bool>(watch.keepGoing)});
  output.closeWrite();
  errors.closeWrite();
  if (pid <= 0) return outcome;
  outcome.started = true;
  // Readable once the child has ended.
  struct PidFd {
    int fd;
    ~PidFd() {
      if (fd >= 0) ::close(fd);
    }
  } ended{static_cast<int>(::syscall(SYS_pidfd_open, pid, 0))};

  using Clock = std::chrono::steady_clock;
  Clock::time_point nextAsk = Clock::now() + watch.askEvery;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) break;
    if (watch.keepGoing && Clock::now() >= nextAsk) {
      if (!watch.keepGoing()) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        outcome.ended = true;
        break;
      }
      nextAsk = Clock::now() + watch.askEvery;
    }
    // Wait for output, for the child's end (its pidfd) or for the next
    // question; a grandchild that keeps a pipe open never holds up the
    // wait for the child itself.
    pollfd fds[3];
    nfds_t count = 0;
    for (ChildPipe* p : {&output, &errors}) {
      if (p->read >= 0) fds[count++] = pollfd{p->read, POLLIN, 0};
    }
    if (ended.fd >= 0) fds[count++] = pollfd{ended.fd, POLLIN, 0};
    if (count == 0 && !watch.keepGoing) {
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    // Without a pidfd (an old kernel) the end is looked for every 10 ms.
    int timeout = ended.fd >= 0 ? -1 : 10;
    if (watch.keepGoing) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextAsk - Clock::now()).count();
      const int untilAsk = static_cast<int>(std::max<decltype(left)>(0, left));
      timeout = timeout < 0 ? untilAsk : std::min(timeout, untilAsk);
    }
    ::poll(fds, count, timeout);
    output.drain();
    errors.drain();
  }
  output.drain();
  errors.drain();
  outcome.output = output.kept.text();
  outcome.errors = errors.kept.text();
  outcome.succeeded = !outcome.ended && exitedWithZero(status);
  return outcome;
}

bool processRunning(std::uint32_t pid) {
  if (pid == 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) return false;
  // A zombie has ended; only its parent has not yet been told.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

namespace {

// The first stop signal asks the job to stop; a second one, while the job
// still winds down, ends the process as the signal would have.
void onStopSignal(int signal) {
  if (stopRequested()) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  requestStop();
}

}  // namespace

void catchStopSignals() {
  struct sigaction action{};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

// A Linux process is not ended behind its back once it handles the signal.
void markJobRunning(bool) {}

void limitLibrarySearch() {}
