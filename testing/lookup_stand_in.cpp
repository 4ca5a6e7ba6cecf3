#include "testing/lookup_stand_in.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/download_thread.h"
#include "picture/picture_cache.h"
#include "testing/program_files.h"
#include "testing/test_support.h"

namespace {

const wchar_t kReceiverClass[] = L"PictureTestReceiver";
// Started through Wine's bridge to Unix programs: no handle comes back, so the stand-in is
// stopped over HTTP, and stops by itself when left idle.
const wchar_t kPython[] = L"Z:\\usr\\bin\\python3";
const int kIdleExitSeconds = 120;

std::u16string FromWide(const wchar_t* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

std::u16string ProgramFolder16() { return FromWide(ProgramFolder().c_str()); }

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::string SourceFile(const char* relativePath) { return std::string(PAGE_SOURCE_DIR) + "/" + relativePath; }

std::string ReadSource(const char* relativePath) {
  const std::string path = "Z:" + SourceFile(relativePath);
  return ReadAll(std::u16string(path.begin(), path.end()));
}

std::string UnixPath(const std::u16string& windowsPath) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert != nullptr) {
    if (char* unix = convert(WidePath(windowsPath))) {
      std::string path(unix);
      HeapFree(GetProcessHeap(), 0, unix);
      return path;
    }
  }
  // Drive Z is the Unix root in a default prefix.
  std::string path = Utf8(windowsPath.substr(2));
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

LookupStandIn::LookupStandIn() {
  wchar_t portFile[MAX_PATH];
  swprintf(portFile, MAX_PATH, L"%ls\\lookup_port_%lu_%lu.txt", ProgramFolder().c_str(), GetCurrentProcessId(),
           GetTickCount());
  DeleteFileW(portFile);

  const std::string script = SourceFile("tools/lookup_service/lookup_service.py");
  const std::string commandLine = "\"" + Utf8(FromWide(kPython)) + "\" \"" + script + "\" --port 0 --port-file \"" +
                                  UnixPath(FromWide(portFile)) + "\" --idle-exit " + std::to_string(kIdleExitSeconds);
  std::wstring command = Wide(commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return;
  }
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);

  for (int attempt = 0; attempt < 200 && port_ == 0; ++attempt) {
    Sleep(50);
    FILE* file = _wfopen(portFile, L"r");
    if (file == nullptr) continue;
    int port = 0;
    if (fscanf(file, "%d", &port) == 1 && port > 0) port_ = port;
    fclose(file);
  }
  DeleteFileW(portFile);
}

LookupStandIn::~LookupStandIn() {
  if (port_ != 0) Get("/__control?shutdown=1");
}

std::u16string LookupStandIn::Base() const {
  const std::string base = "http://127.0.0.1:" + std::to_string(port_);
  return std::u16string(base.begin(), base.end());
}

std::string LookupStandIn::Get(const std::string& pathAndQuery) const {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started || port_ == 0) return {};
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return {};
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port_));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[4096];
    for (;;) {
      const int got = recv(s, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      response.append(buffer, static_cast<size_t>(got));
    }
  }
  closesocket(s);
  const size_t body = response.find("\r\n\r\n");
  return body == std::string::npos ? std::string() : response.substr(body + 4);
}

void LookupStandIn::Misbehave(const std::string& mode, const std::string& match, const std::string& extra) const {
  Get("/__control?mode=" + mode + "&match=" + QueryEscapeBytes(match) + extra);
}

int LookupStandIn::Total() const { return std::atoi(Get("/__stats?total=1").c_str()); }

int LookupStandIn::ProfileRequests(const std::string& model) const {
  return std::atoi(Get("/__stats?profile=" + QueryEscapeBytes(model)).c_str());
}

int LookupStandIn::PictureRequests(const std::string& file) const {
  return std::atoi(Get("/__stats?picture=" + QueryEscapeBytes(file)).c_str());
}

Sandbox::Sandbox() {
  static LONG counter = 0;
  wchar_t name[64];
  swprintf(name, 64, L"\\picture_sandbox\\%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
  const std::u16string parent = ProgramFolder16() + u"\\picture_sandbox";
  CreateDirectoryW(WidePath(parent), nullptr);
  root_ = ProgramFolder16() + FromWide(name);
  RemoveFolderTree(WidePath(root_));
  CreateDirectoryW(WidePath(root_), nullptr);
  cache_ = root_ + u"\\MobileImage";
  CreateDirectoryW(WidePath(cache_), nullptr);
}

Sandbox::~Sandbox() { RemoveFolderTree(WidePath(root_)); }

std::u16string Sandbox::InCache(std::u16string_view name) const {
  std::u16string path = cache_ + u"\\";
  path += name;
  return path;
}

std::vector<std::u16string> Sandbox::List(const std::u16string& folder) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WidePath(folder + u"\\*"), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::u16string name = FromWide(found.cFileName);
    if (name != u"." && name != u"..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAll(const std::u16string& path) {
  std::string bytes;
  FILE* file = _wfopen(WidePath(path), L"rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

bool WriteAll(const std::u16string& path, const std::string& bytes) {
  FILE* file = _wfopen(WidePath(path), L"wb");
  if (file == nullptr) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

ProfileReceiver::ProfileReceiver() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ProfileReceiver::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kReceiverClass;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
  hwnd_ = CreateWindowExW(0, kReceiverClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                          this);
}

ProfileReceiver::~ProfileReceiver() { Destroy(); }

void ProfileReceiver::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

LRESULT CALLBACK ProfileReceiver::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ProfileReceiver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_PROFILE_READY && self != nullptr) {
    CProfileClaim claim(hwnd, wParam);
    if (claim.Get() != nullptr && lParam == kDownloadJobProfileAndPicture) {
      ModelProfile copy;
      CopyProfile(copy, *claim.Get());
      self->accepted_.push_back(std::move(copy));
      self->addresses_.push_back(wParam);
      if (self->onAccepted) self->onAccepted(hwnd, wParam);
    } else {
      ++self->rejected_;
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool WaitForWorkers(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (CDownloadThread::RunningWorkers() > 0) {
    if (GetTickCount() - start >= timeoutMs) return false;
    PumpFor(10);
  }
  return true;
}
