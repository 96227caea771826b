#pragma once
// The one record that the wizard's pages and the install worker share.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ui/file_browser.h"

// The page shown; any integer may be stored (TKR_SETUP_STEP), only 0 to 4 have content.
namespace WizardPage {
enum : int { Welcome = 0, GameFiles = 1, Options = 2, Installing = 3, Complete = 4 };
}

struct Language {
  const char* label;
  const char* code;
};
inline constexpr int kLanguageCount = 6;
inline constexpr Language kLanguages[kLanguageCount] = {
    {"Auto", "auto"},         {"English", "en"}, {"Deutsch", "de"},
    {"Francais", "fr"},       {"Polski", "pl"},  {"Russkiy", "ru"},
};

inline constexpr std::size_t kLogLinesKept = 12;

struct WizardState {
  std::atomic<int> page{WizardPage::Welcome};
  std::string gamePath;
  bool gamePathIsInstaller = false;
  std::string modArchivePath;
  bool enableCoop = true;
  bool createShortcuts = true;
  bool enableAdultContent = false;
  bool launchAfterFinish = true;
  int languageIndex = 0;
  std::atomic<int> progress{0};
  std::atomic<bool> running{false};
  std::atomic<bool> succeeded{false};
  std::mutex logMutex;   // the kept lines and the status; the frame loop takes it
  std::mutex printMutex;  // the order of the printed lines; held while printing
  std::vector<std::string> logLines;
  std::string statusText = "Ready to install.";
  FileBrowser browser;

  // Set by the Install hand-off before the worker thread starts, cleared by
  // the worker as its very last touch of the state; the process waits for
  // it before the state goes away.
  std::atomic<bool> workerActive{false};

  // Records one progress line, keeps the last 12, and echoes it to stdout.
  void logLine(const std::string& line);
  // Fills gamePath, gamePathIsInstaller and modArchivePath where it can.
  void autoDetectSources();
  // The installation job, on the worker thread or, unattended, the main thread.
  void runInstallation();
};

// The worker thread's entry point.
void installWorker(WizardState* state);

// Starts the detached worker for the Install hand-off.
void startInstallWorker(WizardState& state);

// Blocks until no worker can touch the state any more.
void waitForInstallWorker(WizardState& state);
