#pragma once
// A stop the player asks for while Setup runs: the window closed, or the
// system's stop signals (on Linux SIGINT, SIGTERM and SIGHUP; on Windows
// Ctrl+C, Ctrl+Break, and the console window closing, the user logging
// off or the machine shutting down). The flag is the process's own: the
// job sees it between files and steps, and every child program it waits
// for is ended once it is set.

// Sets the flag; safe inside a signal handler.
void requestStop();
bool stopRequested();
// Clears it again (for tests, which run many jobs in one process).
void clearStopRequest();

// From here on, the system's stop signals set the flag instead of ending
// the process at once. On Windows a closing console ends the process as
// soon as its handler returns: the handler waits (up to about four
// seconds of the five Windows gives) while a job marked running below
// takes its work back.
void catchStopSignals();
void markJobRunning(bool running);
