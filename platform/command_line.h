#pragma once
// Splitting a Windows command line into its arguments, by the rules of
// CommandLineToArgvW. The program name ends at the first blank, or, when it
// starts with a double quote, at the next one; backslashes are plain there.
// For the other arguments: blanks (space, tab) separate; double quotes
// group; 2n backslashes before a quote give n backslashes and the quote
// toggles grouping, 2n+1 give n backslashes and a literal quote; other
// backslashes are literal; a run of quotes counts in threes (the third
// gives a literal quote), so "" inside a group gives a quote and ends it.

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The programs of the system that the wizard starts by their bare names
// (Finish's "cmd.exe /C ...", the shortcut's "powershell ..."): they are
// always taken from the system's own folder, never looked for beside the
// setup or in its working folder, where a program of the same name may
// lie (a Downloads folder holds whatever a web page sent).
enum class SystemProgram { None, Cmd, PowerShell };
// Which one a command line's program is: its bare name, in any letter
// case, with or without ".exe"; None for a path or any other name.
SystemProgram systemProgramOf(std::string_view commandLine);
