#include "discovery/seven_zip.h"

#include "discovery/text_path.h"
#include "platform/os.h"

std::string findSevenZip() {
  if (hasFixedWindowsLocations()) {
    for (const char* installed :
         {"C:\\Program Files\\7-Zip\\7z.exe", "C:\\Program Files (x86)\\7-Zip\\7z.exe"}) {
      if (pathIsFile(installed)) return installed;
    }
  }
  const std::string beside = joinPath(executableDir(), "7z.exe");
  if (pathIsFile(beside)) return beside;
  for (const char* name : {"7z.exe", "7zz.exe"}) {
    std::string found = searchProgram(name);
    if (!found.empty()) return found;
  }
  return {};
}
