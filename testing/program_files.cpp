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

namespace {

// Links that tests make with a Unix program are beyond Windows calls under Wine: deleting a
// file link deletes what it leads to, and a link whose target is gone is not listed. A Unix
// rm takes what stays.
bool RemoveWithUnixProgram(const std::wstring& folder) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return false;
  char* unix = convert(folder.c_str());
  if (unix == nullptr) return false;
  wchar_t unixPath[MAX_PATH * 4] = {};
  const int converted = MultiByteToWideChar(CP_UTF8, 0, unix, -1, unixPath, MAX_PATH * 4);
  HeapFree(GetProcessHeap(), 0, unix);
  if (converted == 0) return false;
  if (!StartUnixProgram(L"Z:\\bin\\rm -rf \"" + std::wstring(unixPath) + L"\"")) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

bool StartUnixProgram(std::wstring commandLine) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  return true;
}

bool RemoveFolderTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      // A link to a folder is not gone into: what it leads to is not this tree's.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  if (RemoveDirectoryW(folder.c_str())) return true;
  return GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES && RemoveWithUnixProgram(folder);
}
