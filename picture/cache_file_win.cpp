#include "picture/cache_file.h"

#include <shlwapi.h>

#include <vector>

#include "util/wide_path.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
constexpr DWORD kFinalPathChars = 1024;

std::u16string FinalPath(HANDLE handle) {
  wchar_t path[kFinalPathChars];
  const DWORD length = GetFinalPathNameByHandleW(handle, path, kFinalPathChars, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= kFinalPathChars) return {};
  std::u16string text(reinterpret_cast<const char16_t*>(path), length);
  if (!text.empty() && text.back() == u'\\') text.pop_back();
  return text;
}

// The folder the cache trusts may itself be reached through links: where the host put the module.
std::u16string FolderFinalPath(std::u16string folder) {
  if (!folder.empty() && folder.back() == u':') folder += u'\\';
  HANDLE handle = CreateFileW(WidePath(folder), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::u16string path = FinalPath(handle);
  CloseHandle(handle);
  return path;
}

// Where `path`'s last `realParts` parts begin, at a separator; npos if there are not so many.
size_t RealPartsStart(const std::u16string& path, int realParts) {
  size_t start = path.size();
  for (int i = 0; i < realParts; ++i) {
    if (start == 0) return std::u16string::npos;
    start = path.rfind(u'\\', start - 1);
    if (start == std::u16string::npos || start == 0) return std::u16string::npos;
  }
  return start;
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
  return !a.empty() && CompareStringOrdinal(WidePath(a), static_cast<int>(a.size()), WidePath(b),
                                            static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The rename call takes a native path.
std::u16string NativePath(const std::u16string& path) {
  if (path.compare(0, 4, u"\\\\?\\") == 0) return u"\\??\\" + path.substr(4);
  if (path.compare(0, 2, u"\\\\") == 0) return u"\\??\\UNC\\" + path.substr(2);
  return u"\\??\\" + path;
}

}  // namespace

// Under Wine 8 a Unix symbolic link is no reparse point: it is listed and opened as the file
// it leads to, FILE_FLAG_OPEN_REPARSE_POINT or not (attributes, link count 1 and file index
// are the target's), and deleting or renaming through that handle deletes or renames the
// target. Its final path is the target's, though, so a file counts as ours only if its final
// path is the trusted folder's followed by exactly the parts we asked for. On Windows the flag
// opens the link itself, which shows as a reparse point; a junction above the file changes
// the final path. A hard link shows by its count of names.
bool CCacheFile::Open(const std::u16string& path, DWORD access, int realParts) {
  Close();
  const size_t start = RealPartsStart(path, realParts);
  if (start == std::u16string::npos) return false;
  HANDLE handle = CreateFileW(WidePath(path), access | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool plain = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & kNotPlain) == 0 &&
                     info.nNumberOfLinks == 1 && GetFileType(handle) == FILE_TYPE_DISK;
  if (!plain || !SamePath(FinalPath(handle), FolderFinalPath(path.substr(0, start)) + path.substr(start))) {
    CloseHandle(handle);
    return false;
  }
  handle_ = handle;
  lastWrite_ = static_cast<ULONGLONG>(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool CCacheFile::OpenFolder(const std::u16string& folder) {
  Close();
  const size_t start = RealPartsStart(folder, 1);
  if (start == std::u16string::npos) return false;
  HANDLE handle = CreateFileW(WidePath(folder), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool folderOnly = GetFileInformationByHandle(handle, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
  if (!folderOnly || !SamePath(FinalPath(handle), FolderFinalPath(folder.substr(0, start)) + folder.substr(start))) {
    CloseHandle(handle);
    return false;
  }
  handle_ = handle;
  return true;
}

void CCacheFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool CCacheFile::Delete() {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return handle_ != INVALID_HANDLE_VALUE &&
         SetFileInformationByHandle(handle_, FileDispositionInfo, &disposition, sizeof disposition);
}

bool CCacheFile::MoveTo(const std::u16string& path) {
  if (handle_ == INVALID_HANDLE_VALUE) return false;
  const std::u16string name = NativePath(path);
  const size_t nameBytes = name.size() * sizeof(char16_t);
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes, 0);
  FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  CopyMemory(rename->FileName, name.data(), nameBytes);
  return SetFileInformationByHandle(handle_, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool DeleteOrDefer(const wchar_t* path) {
  if (path == nullptr) return true;
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return true;
  // Only plain files of the cache are cleared; a folder, or a link to someone else's file, is
  // not ours to delete or move.
  CCacheFile file;
  if (!file.Open(reinterpret_cast<const char16_t*>(path), DELETE, kInCacheFolder)) return false;
  if (file.Delete()) return true;

  // The cache folder's parent gets "MobileImage~name".
  const wchar_t* name = PathFindFileNameW(path);
  size_t folderLength = static_cast<size_t>(name - path);
  if (folderLength > 0 && path[folderLength - 1] == L'\\') --folderLength;
  wchar_t aside[MAX_PATH + 1] = {};
  size_t length = 0;
  for (size_t i = 0; i < folderLength && length < MAX_PATH; ++i) aside[length++] = path[i];
  if (length < MAX_PATH) aside[length++] = L'~';
  for (const wchar_t* c = name; *c != L'\0' && length < MAX_PATH; ++c) aside[length++] = *c;
  aside[length] = L'\0';
  // Copied element by element: read as char16_t through a cast, the wchar_t stores just made
  // may be assumed not to alias and dropped (clang does).
  const std::u16string asidePath(aside, aside + length);

  {
    CCacheFile older;
    if (older.Open(asidePath, DELETE, kBesideCacheFolder)) older.Delete();
  }
  if (!file.MoveTo(asidePath)) return false;
  file.Close();
  return MoveFileExW(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}
