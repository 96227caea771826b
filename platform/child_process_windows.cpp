// Child programs on Windows: one command line to CreateProcessA, hidden.
// A watched child runs in a job object of its own, so that ending it ends
// every program it started (a GOG installer hands its work to a second
// process), and its pipes are read without blocking.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <chrono>

#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/os.h"
#include "platform/stop.h"

namespace {

// The program CreateProcess is given for a command line: the system's own
// cmd.exe or powershell.exe where the command line names one by its bare
// name (the command line itself stays as it is), else none, and the
// command line's own program is found as the system finds it.
std::string programFor(const std::string& commandLine) {
  const SystemProgram which = systemProgramOf(commandLine);
  if (which == SystemProgram::None) return {};
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  // Without the system's folder nothing of that name is started: a path
  // that does not exist is given, and the start fails.
  if (length == 0 || length >= MAX_PATH) return "\\\\?\\no system folder\\";
  return std::string(folder, length) +
         (which == SystemProgram::Cmd ? "\\cmd.exe" : "\\WindowsPowerShell\\v1.0\\powershell.exe");
}

const char* orNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

bool runProcessAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  std::string buffer = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  const std::string program = programFor(commandLine);
  if (!CreateProcessA(orNull(program), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                      &info)) {
    return false;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return exitCode == 0;
}

void startProcessDetached(const std::string& commandLine, const std::string& workingDirectory) {
  std::string buffer = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const std::string program = programFor(commandLine);
  if (CreateProcessA(orNull(program), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                     workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                     &info)) {
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
}

namespace {

struct Handle {
  HANDLE h = nullptr;
  Handle() = default;
  explicit Handle(HANDLE value) : h(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  void reset(HANDLE value = nullptr) {
    if (h) CloseHandle(h);
    h = value == INVALID_HANDLE_VALUE ? nullptr : value;
  }
};

// One pipe from the child: the read end is ours, the write end the child's.
struct ChildPipe {
  Handle read, write;
  BoundedText kept;

  bool open(std::size_t limit) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 1024 * 1024)) return false;
    read.reset(r);
    write.reset(w);
    SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    kept.limit = limit;
    return true;
  }
  // Reads what is there now, never waiting for more; true when it read any.
  bool drain() {
    bool any = false;
    char buffer[16 * 1024];
    DWORD available = 0;
    while (read.h && PeekNamedPipe(read.h, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      DWORD got = 0;
      if (!ReadFile(read.h, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr) ||
          got == 0) {
        break;
      }
      kept.append(buffer, got);
      any = true;
    }
    return any;
  }
};

}  // namespace

ChildOutcome runProcessWatched(const std::string& commandLine, const std::string& workingDirectory,
                               const ChildWatch& watch) {
  ChildOutcome outcome;
  ChildPipe output, errors;
  if ((watch.keepOutput && !output.open(watch.outputLimit)) || (watch.keepErrors && !errors.open(watch.errorLimit))) {
    return outcome;
  }
  const bool piped = watch.keepOutput || watch.keepErrors;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle nul(piped ? CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr)
                   : nullptr);

  // Every program the child starts belongs to its job; the job ends them
  // all when it is closed, also when this process ends in any way.
  Handle job(CreateJobObjectA(nullptr, nullptr));
  if (job.h) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }

  std::string buffer = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  if (piped) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = nul.h;
    startup.hStdOutput = watch.keepOutput ? output.write.h : nul.h;
    startup.hStdError = watch.keepErrors ? errors.write.h : nul.h;
  }
  PROCESS_INFORMATION info{};
  const std::string program = programFor(commandLine);
  if (!CreateProcessA(orNull(program), buffer.data(), nullptr, nullptr, piped ? TRUE : FALSE,
                      CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
    return outcome;
  }
  Handle process(info.hProcess), thread(info.hThread);
  if (job.h && !AssignProcessToJobObject(job.h, process.h)) job.reset();
  ResumeThread(thread.h);
  output.write.reset();
  errors.write.reset();
  nul.reset();
  outcome.started = true;

  using Clock = std::chrono::steady_clock;
  Clock::time_point nextAsk = Clock::now() + watch.askEvery;
  for (;;) {
    const bool read = output.drain() | errors.drain();
    const DWORD wait = WaitForSingleObject(process.h, read ? 0 : (piped || watch.keepGoing ? 100 : INFINITE));
    if (wait != WAIT_TIMEOUT) break;
    if (watch.keepGoing && Clock::now() >= nextAsk) {
      if (!watch.keepGoing()) {
        if (job.h) TerminateJobObject(job.h, 1);
        TerminateProcess(process.h, 1);
        WaitForSingleObject(process.h, INFINITE);
        outcome.ended = true;
        break;
      }
      nextAsk = Clock::now() + watch.askEvery;
    }
  }
  output.drain();
  errors.drain();
  DWORD exitCode = 1;
  GetExitCodeProcess(process.h, &exitCode);
  outcome.output = output.kept.text();
  outcome.errors = errors.kept.text();
  outcome.succeeded = !outcome.ended && exitCode == 0;
  return outcome;
}

bool processRunning(std::uint32_t pid) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.h) return false;
  DWORD exitCode = 0;
  return GetExitCodeProcess(process.h, &exitCode) && exitCode == STILL_ACTIVE;
}

namespace {

std::atomic<bool> gJobRunning{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
  requestStop();
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;  // the process goes on and stops the job
  // The console closes, the user logs off or the machine shuts down: the
  // process ends once this returns, so the job gets its moment first.
  for (int i = 0; i < 400 && gJobRunning.load(); ++i) Sleep(10);
  return TRUE;
}

}  // namespace

void catchStopSignals() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

void markJobRunning(bool running) { gJobRunning.store(running); }

// Libraries loaded at run time by name (SDL loads several) come from the
// system's folder only, never from the setup's folder or the working
// folder, where a library of the same name may lie.
void limitLibrarySearch() { SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }
