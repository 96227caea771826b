// The Linux side of the operating system seam: each Windows call of the
// wizard mapped onto POSIX, keeping the rules that still make sense.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
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

std::string knownFolder(KnownFolder) { return {}; }

std::vector<GogGameRecord> gogGameRecords() { return {}; }

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

void setEnvValue(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

bool narrowTextIsUtf8() { return true; }

bool isDiskFullError(const std::error_code& error) {
  const bool errnoValue = error.category() == std::generic_category() || error.category() == std::system_category();
  return errnoValue && (error.value() == ENOSPC || error.value() == EDQUOT);
}

namespace {

FileResult failedWith(int error) {
  return error == ENOSPC || error == EDQUOT ? FileResult::DiskFull : FileResult::Failed;
}

// Moves all of in to out inside the kernel: copy_file_range, then sendfile
// where the filesystems cannot do the first, then plain reads and writes.
// Returns 0, or the errno of the failure.
int copyDescriptor(int in, int out, off_t size) {
  off_t done = 0;
  bool rangeWorks = true, sendfileWorks = true;
  while (done < size) {
    const std::size_t want = static_cast<std::size_t>(std::min<off_t>(size - done, off_t{1} << 30));
    ssize_t n = -1;
    if (rangeWorks) {
      n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) && done == 0) {
        rangeWorks = false;
        continue;
      }
    } else if (sendfileWorks) {
      n = ::sendfile(out, in, nullptr, want);
      if (n < 0 && (errno == EINVAL || errno == ENOSYS) && done == 0) {
        sendfileWorks = false;
        continue;
      }
    } else {
      char buffer[64 * 1024];
      n = ::read(in, buffer, std::min(want, sizeof buffer));
      for (ssize_t written = 0; n > 0 && written < n;) {
        const ssize_t w = ::write(out, buffer + written, static_cast<std::size_t>(n - written));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return w < 0 ? errno : EIO;
        written += w;
      }
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;  // the file got shorter while it was copied
    done += n;
  }
  return 0;
}

}  // namespace

bool isFileHeldError(const std::error_code& error) {
  const bool errnoValue = error.category() == std::generic_category() || error.category() == std::system_category();
  return errnoValue && error.value() == ETXTBSY;  // a running program's own file
}

FileResult copyFileReplacing(const fs::path& from, const fs::path& to, FileFailure* why, bool targetIsNew) {
  const auto failed = [why](int error, bool readingSource) {
    if (why) {
      why->error.assign(error, std::generic_category());
      why->readingSource = readingSource;
    }
    return failedWith(error);
  };
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return failed(errno, true);
  struct stat source {};
  if (::fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) {
    const int error = S_ISDIR(source.st_mode) ? EISDIR : errno ? errno : EINVAL;
    ::close(in);
    return failed(error, true);
  }
  if (targetIsNew) {
    // Into a folder that was empty: a file made here is ours and empty, so
    // it needs neither a look nor a truncation. One that is there after all
    // takes the way below.
    const int fresh = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 07777);
    if (fresh >= 0) {
      int error = copyDescriptor(in, fresh, source.st_size);
      if (::close(fresh) != 0 && error == 0) error = errno;
      ::close(in);
      if (error != 0) return failed(error, false);
      if (why) why->copiedBytes = static_cast<std::uint64_t>(source.st_size);
      return FileResult::Done;
    }
    if (errno != EEXIST) {
      const int error = errno;
      ::close(in);
      return failed(error, false);
    }
  }
  // Opened without truncating first: a target that is the source itself
  // (an install into the package folder) must not be emptied.
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, source.st_mode & 07777);
  int error = out < 0 ? errno : 0;
  bool madeWritable = false;
  if (out < 0 && error == EACCES) {
    // A read-only copy of ours (the source was read-only): made writable
    // for the copy, and given the source's mode again afterwards.
    struct stat old {};
    if (::lstat(to.c_str(), &old) == 0 && S_ISREG(old.st_mode) && old.st_uid == ::geteuid() &&
        ::chmod(to.c_str(), (old.st_mode & 07777) | S_IWUSR) == 0) {
      madeWritable = true;
      out = ::open(to.c_str(), O_WRONLY | O_CLOEXEC);
      error = out < 0 ? errno : 0;
    }
  }
  if (out < 0 && error == ETXTBSY) {
    // A program that is running (an engine a killed setup started) cannot
    // be written: a fresh file takes its place, and the running one keeps
    // its old bytes until it ends.
    NewFile fresh;
    if (fresh.open(to)) {
      error = copyDescriptor(in, static_cast<int>(fresh.handle), source.st_size);
      if (error == 0) (void)::fchmod(static_cast<int>(fresh.handle), source.st_mode & 07777);
      if (error != 0) {
        fresh.result = failedWith(error);
        fresh.error.assign(error, std::generic_category());
      }
      fresh.commit();
    }
    ::close(in);
    if (fresh.result == FileResult::Done) {
      if (why) why->copiedBytes = static_cast<std::uint64_t>(source.st_size);
      return FileResult::Done;
    }
    if (why) *why = {fresh.error, false};
    return fresh.result;
  }
  struct stat target {};
  bool ok = out >= 0 && ::fstat(out, &target) == 0 && S_ISREG(target.st_mode) &&
            !(target.st_dev == source.st_dev && target.st_ino == source.st_ino) && ::ftruncate(out, 0) == 0;
  if (out >= 0 && !ok) error = !S_ISREG(target.st_mode) ? EISDIR : errno ? errno : EINVAL;
  if (ok) {
    error = copyDescriptor(in, out, source.st_size);
    ok = error == 0;
  }
  if (ok && madeWritable) (void)::fchmod(out, source.st_mode & 07777);
  if (out >= 0 && ::close(out) != 0 && ok) {
    error = errno;
    ok = false;
  }
  ::close(in);
  if (ok && why) why->copiedBytes = static_cast<std::uint64_t>(source.st_size);
  return ok ? FileResult::Done : failed(error, false);
}

fs::path freeSpaceProbe(const fs::path&, const fs::path& gameDir) { return gameDir; }

std::string genericUtf8(const fs::path& path) { return path.native(); }

bool replaceFile(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool moveFolder(const fs::path& from, const fs::path& to) {
  // Never over anything, not even an empty folder.
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

bool listFolder(const fs::path& folder, std::vector<FolderEntry>& entries, std::error_code& error) {
  entries.clear();
  error.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    error.assign(errno, std::generic_category());
    return false;
  }
  struct Closer {
    DIR* d;
    ~Closer() { ::closedir(d); }
  } closer{dir};
  std::string full = folder.native();
  if (full.empty() || full.back() != '/') full += '/';
  const std::size_t base = full.size();
  while (true) {
    errno = 0;
    const dirent* d = ::readdir(dir);
    if (!d) {
      if (errno == 0) return true;
      error.assign(errno, std::generic_category());
      return false;
    }
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    FolderEntry e;
    e.name = name;
    e.utf8 = e.name;
    unsigned char type = d->d_type;
    struct stat st {};
    if (type == DT_UNKNOWN || type == DT_LNK) {
      full.resize(base);
      full += name;
      if (type == DT_UNKNOWN) {
        if (::lstat(full.c_str(), &st) != 0) continue;  // gone since it was listed
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
      if (type == DT_LNK) {
        e.isLink = true;
        e.isFile = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
      }
    }
    e.isFolder = type == DT_DIR;
    if (type == DT_REG) e.isFile = true;
    entries.push_back(std::move(e));
  }
}

bool sameVolume(const fs::path& a, const fs::path& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

bool NewFile::open(const fs::path& wanted) {
  if (!settleTarget(wanted)) return false;
  struct stat old {};
  keepMode = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  keptMode = keepMode ? static_cast<std::uint32_t>(old.st_mode & 07777) : 0;
  // A fresh name made exclusively: it can never be a file of the user's.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target;
    temp += ".~tkr" + std::to_string(counter++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      handle = fd;
      if (keepMode) {
        (void)::fchmod(fd, keptMode);
        if (::geteuid() == 0) (void)::fchown(fd, old.st_uid, old.st_gid);
      }
      return true;
    }
    if (errno != EEXIST) {
      error.assign(errno, std::generic_category());
      result = failedWith(errno);
      break;
    }
  }
  if (result == FileResult::Done) {
    result = FileResult::Failed;
    error = std::make_error_code(std::errc::file_exists);
  }
  temp.clear();
  return false;
}

void NewFile::write(const void* data, std::size_t size) {
  if (handle < 0 || result != FileResult::Done) return;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(handle), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int code = n < 0 ? errno : EIO;
      error.assign(code, std::generic_category());
      result = failedWith(code);
      return;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

FileResult NewFile::commit() {
  if (handle < 0) {
    if (result == FileResult::Done) {
      result = FileResult::Failed;
      error = std::make_error_code(std::errc::bad_file_descriptor);
    }
    return result;
  }
  const int fd = static_cast<int>(handle);
  handle = -1;
  const auto failed = [this](int code) {
    error.assign(code, std::generic_category());
    result = failedWith(code);
  };
  if (::close(fd) != 0 && result == FileResult::Done) failed(errno);
  if (result == FileResult::Done && ::rename(temp.c_str(), target.c_str()) != 0) failed(errno);
  if (result != FileResult::Done) ::unlink(temp.c_str());
  temp.clear();
  return result;
}

void NewFile::discard() {
  if (handle >= 0) {
    ::close(static_cast<int>(handle));
    handle = -1;
  }
  if (!temp.empty()) ::unlink(temp.c_str());
  temp.clear();
}

bool makePrivateFolder(const fs::path& folder, std::error_code& error) {
  error.clear();
  if (::mkdir(folder.c_str(), 0700) == 0) return true;
  error.assign(errno, std::generic_category());
  return false;
}

bool isOwnFolder(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

bool InstallLock::acquire(const fs::path& prefixDir) {
  release();
  // The installation folder itself is locked: nothing is added to it, and
  // the kernel drops the lock with the last descriptor, however the
  // process ends.
  const int fd = ::open(prefixDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return !heldElsewhere;
  }
  handle = fd;
  return true;
}

void InstallLock::release() {
  if (handle < 0) return;
  ::close(static_cast<int>(handle));  // closing the descriptor drops the lock
  handle = -1;
}

std::optional<std::size_t> installPathLimit() { return std::nullopt; }

void ignoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }
