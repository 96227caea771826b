#pragma once
// The operating system seam. Everything the wizard asks of Windows goes
// through these free functions; os_windows.cpp makes the Win32 calls and
// os_posix.cpp maps each one onto Linux. No other folder knows which system
// it runs on.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The value of an environment variable as UTF-8, or nothing when unset.
std::optional<std::string> envValue(const char* name);

// The separator that joinPath puts between a folder and a name.
char pathSeparator();

// A UTF-8 text as a native path; nothing when the text is not valid for the
// platform (invalid UTF-8 on Windows).
std::optional<std::filesystem::path> pathFromUtf8(std::string_view text);
// A native path as UTF-8 text.
std::string pathToUtf8(const std::filesystem::path& path);
// A path as UTF-8 text in generic form, with "/" between its parts.
std::string genericUtf8(const std::filesystem::path& path);

// Home folder when USERPROFILE is unset or empty.
std::string homeFallback();
// Folder that holds TKR-Native-Port when LOCALAPPDATA is unset, for the
// given home folder.
std::string prefixBaseFallback(const std::string& home);
// The fixed absolute "C:\..." candidates exist only on Windows.
bool hasFixedWindowsLocations();

// A folder the system keeps for the user, wherever the user moved it
// (OneDrive moves the desktop, users move Downloads to another drive).
// CommonPrograms (every user's Start Menu) and ProgramData (the common
// application data folder) are the machine's own.
enum class KnownFolder { Desktop, Downloads, Programs, CommonPrograms, ProgramData };
// Its path as UTF-8, whether or not it exists; empty when the system names
// none (always on Linux, which has no such folders).
std::string knownFolder(KnownFolder which);

// One game that GOG's installer recorded for this machine.
struct GogGameRecord {
  std::string name;  // its value gameName
  std::string path;  // its value path: the installed game folder
};
// The records under the GOG.com\Games key of the machine, in the 64-bit
// and then the 32-bit view of the registry; none on Linux.
std::vector<GogGameRecord> gogGameRecords();

// Full file name of the running executable; empty when it cannot be had
// (on Windows also when the name fills the whole 260-byte buffer).
std::string executableFileName();
// The temporary folder, with or without a trailing separator; empty when
// the system gives none.
std::string tempDirectory();
std::uint32_t currentProcessId();
// Free bytes for the current user on the volume that holds path.
std::optional<std::uint64_t> freeDiskBytes(const std::string& path);
// Drive roots, in the order the system lists them.
std::vector<std::string> logicalDrives();

// Finds a program the way the system searches for executables: the setup
// executable's folder first, then the search path. Empty when not found.
std::string searchProgram(const std::string& name);

// From here on, libraries the process loads by name at run time come from
// the system's own folder only (Windows; nothing on Linux). Called first.
void limitLibrarySearch();

// Runs one command line hidden, waits for it, true on exit code 0. A
// command line whose program is cmd.exe or PowerShell by its bare name
// starts the system's own (Windows) or nothing (Linux).
bool runProcessAndWait(const std::string& commandLine, const std::string& workingDirectory);
// Starts one command line hidden and does not wait for it.
void startProcessDetached(const std::string& commandLine, const std::string& workingDirectory);

// Sets (or, with nothing, removes) an environment variable of this process.
void setEnvValue(const char* name, const std::optional<std::string>& value);

// Whether the narrow texts the system hands over (environment, command
// lines, module name) are UTF-8: always on Linux, on Windows when the
// manifest's UTF-8 code page is honoured.
bool narrowTextIsUtf8();

// What became of one file written into the installation: done, failed for
// a reason of its own (ignored by the job), or stopped by a full volume.
enum class FileResult { Done, Failed, DiskFull };

// Whether an error says that the volume (its space or its file table) is full.
bool isDiskFullError(const std::error_code& error);

// Why one file could not be placed: the system's error, and whether it was
// the source that could not be read (else the target could not be written).
// After a copy that succeeded, copiedBytes says how many bytes it wrote.
struct FileFailure {
  std::error_code error;
  bool readingSource = false;
  std::uint64_t copiedBytes = 0;
};

// Whether an error says that another program holds the file open (the
// running game, on Windows).
bool isFileHeldError(const std::error_code& error);

// Copies one file over another (replacing it). A target that is read-only
// (a game copied from a disc keeps that) is replaced all the same, as a
// setup program replaces its own files; one held open by another program
// is tried again for about two seconds. why, when given, is set on failure.
// targetIsNew says that to is most likely not there yet (a folder that was
// empty): it is then made without a look at what is there first.
FileResult copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                             FileFailure* why = nullptr, bool targetIsNew = false);

// The path whose volume the free-space check measures: the prefix's root on
// Windows, the (already created) game folder on Linux.
std::filesystem::path freeSpaceProbe(const std::filesystem::path& prefixDir,
                                     const std::filesystem::path& gameDir);

// Moves from over to, replacing to in one step (a read-only to too); false
// when it failed.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Moves the folder from (with all it holds) to to, on one volume, where
// nothing is at to yet; false when it failed, and then nothing moved.
bool moveFolder(const std::filesystem::path& from, const std::filesystem::path& to);

// One entry of a folder listing.
struct FolderEntry {
  std::filesystem::path::string_type name;  // as the system has it
  std::string utf8;                         // the same name as UTF-8
  bool isFolder = false;                    // a folder itself, not a link to one
  bool isFile = false;                      // a regular file, a link followed to decide
  bool isLink = false;
};

// The entries of one folder, in the order the system lists them ("." and
// ".." left out). False, with error set, when the folder cannot be opened
// or its listing breaks off. Nothing here stops the process: a failed
// allocation is thrown as std::bad_alloc.
bool listFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::error_code& error);

// Whether two existing paths lie on one volume, so that a rename moves a
// file from one to the other without copying it.
bool sameVolume(const std::filesystem::path& a, const std::filesystem::path& b);

// A file's new content, written under a fresh name beside it and moved over
// it only once whole, so that a full disk or a crash never leaves it cut
// short. A target that is a symbolic link gets the content at the link's
// final target; an existing file keeps its mode (on Windows its attributes).
struct NewFile {
  std::filesystem::path target;  // the file that is replaced
  std::filesystem::path temp;    // the fresh file beside it
  std::intptr_t handle = -1;
  FileResult result = FileResult::Done;
  std::error_code error;         // why result is not Done
  std::uint32_t keptMode = 0;    // the old file's mode or attributes
  bool keepMode = false;

  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() { discard(); }

  // Creates the fresh file; false (and result set) when it cannot be made.
  bool open(const std::filesystem::path& target);
  void write(const void* data, std::size_t size);
  // Closes the fresh file and moves it over the target; on any failure the
  // fresh file is removed and the target stays as it was.
  FileResult commit();
  // Closes and removes the fresh file, if any is open.
  void discard();

  // Starts afresh for wanted: target becomes the file that is replaced (a
  // link's final target; the link stays). False when a link leads nowhere.
  bool settleTarget(const std::filesystem::path& wanted) {
    discard();
    result = FileResult::Done;
    error.clear();
    target = wanted;
    std::error_code ec;
    if (!std::filesystem::is_symlink(wanted, ec)) return true;
    target = std::filesystem::canonical(wanted, ec);
    if (ec) {
      result = FileResult::Failed;
      error = ec;
    }
    return !ec;
  }
};

// The whole of bytes as the new content of target, through a NewFile; why
// tells a failure's cause.
inline FileResult writeFileWhole(const std::filesystem::path& target, std::string_view bytes,
                                 FileFailure* why = nullptr) {
  NewFile file;
  if (file.open(target)) {
    file.write(bytes.data(), bytes.size());
    file.commit();
  }
  if (why) why->error = file.error;
  return file.result;
}

// Creates exactly this folder, private to the current user (mode 0700 on
// Linux); false when it cannot be made or anything exists at that name
// (a link is never followed).
bool makePrivateFolder(const std::filesystem::path& folder, std::error_code& error);

// Whether path is a folder itself (not a link or junction to one) that the
// current user owns.
bool isOwnFolder(const std::filesystem::path& path);

// What a GOG installer run silently adds to the machine outside its own
// folder, as if the user had installed the game there: its uninstall entry
// (machine and user, both registry views), GOG's record of the game, its
// Start Menu entries (the user's and the common ones) and GOG's folder in
// the common application data folder. Windows only: on Linux nothing is
// recorded or undone.
struct InstallerTraces {
  struct Snapshot;
  std::shared_ptr<Snapshot> before;  // empty until record()

  // Notes the state before the installer runs.
  void record();
  // Takes away what came since record() and puts back what was changed.
  // An uninstall entry that is new and leads into installDir is first
  // handed to the uninstaller the installer left there (unins000.exe, run
  // silently and waited for); an entry that existed before (the player's
  // own installation) gets its old values back and no uninstaller runs.
  void undo(const std::filesystem::path& installDir);
};

// Keeps a second setup out of one installation while held. The system drops
// it when the process ends in any way, and it leaves no file behind.
struct InstallLock {
  std::intptr_t handle = -1;

  InstallLock() = default;
  InstallLock(const InstallLock&) = delete;
  InstallLock& operator=(const InstallLock&) = delete;
  ~InstallLock() { release(); }

  // False only when another process holds the lock of this installation
  // folder (which exists); a lock that cannot be made at all is not held
  // and not a refusal.
  bool acquire(const std::filesystem::path& prefixDir);
  void release();
};

// The longest path, in the system's own characters, that the installed
// game can be started with; nothing when the system sets no such limit.
std::optional<std::size_t> installPathLimit();

// Printing to a closed pipe must not end the process.
void ignoreBrokenPipe();
