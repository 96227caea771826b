// Linux runs no Windows installer: there is nothing to record or undo.

#include "platform/os.h"

void InstallerTraces::record() {}

void InstallerTraces::undo(const std::filesystem::path&) {}
