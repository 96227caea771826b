#pragma once
// The one way the install job starts an outside program: one command line,
// run hidden, waited for without a time limit; a stop the player asks for
// ends it, with every program it started.

#include <string>

// True when the child started and ended by itself with exit code 0. The command line
// is passed on exactly as given; callers quote every path they insert. An
// empty workingDirectory keeps the setup's own current folder.
bool runCommand(const std::string& commandLine, const std::string& workingDirectory);
