// Files beside the running program: where the builds put the module and its helpers, and
// where a run keeps folders of its own.
#pragma once

#include <string>

// The folder of the running program, without the trailing backslash.
std::wstring ProgramFolder();
// A file beside the running program.
std::wstring BesideProgram(const wchar_t* name);
// Removes a folder with everything in it; false when the folder itself stays.
bool RemoveFolderTree(const std::wstring& folder);
