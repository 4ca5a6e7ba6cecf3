// Files beside the running program: where the builds put the module and its helpers, and
// where a run keeps folders of its own.
#pragma once

#include <string>

// The folder of the running program, without the trailing backslash.
std::wstring ProgramFolder();
// A file beside the running program.
std::wstring BesideProgram(const wchar_t* name);
// Starts a Unix program under Wine ("Z:\\bin\\NAME ARGS"). It runs detached, and no handle of
// it comes back: a caller awaits its effect.
bool StartUnixProgram(std::wstring commandLine);
// Removes a folder with everything in it, links the tests planted included, without following
// a link; false when the folder itself stays.
bool RemoveFolderTree(const std::wstring& folder);
