#include "testing/program_files.h"

#include <windows.h>

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program(path, length < MAX_PATH ? length : 0);
  const size_t slash = program.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
}

std::wstring BesideProgram(const wchar_t* name) {
  const std::wstring folder = ProgramFolder();
  return folder.empty() ? std::wstring(name) : folder + L"\\" + name;
}

bool RemoveFolderTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) != FALSE;
}
