#pragma once
// Finding a 7-Zip command-line program for the mod archive.

#include <string>

// The full path of 7-Zip, or empty when none is found. Every call searches
// afresh: the usual install folders (Windows), one beside the setup
// executable, then 7z.exe and 7zz.exe on the search path.
std::string findSevenZip();
