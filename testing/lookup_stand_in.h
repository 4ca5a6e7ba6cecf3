// Helpers for the picture tests under Wine: the lookup-service stand-in as a child process,
// a private folder that holds a cache, and a window that takes WM_PROFILE_READY the way
// the page does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "picture/model_profile.h"
#include "testing/text.h"

// The stand-in (tools/lookup_service) on a free loopback port, for the life of the object.
class LookupStandIn {
 public:
  LookupStandIn();
  ~LookupStandIn();
  LookupStandIn(const LookupStandIn&) = delete;
  LookupStandIn& operator=(const LookupStandIn&) = delete;

  bool Running() const { return port_ != 0; }
  std::u16string Base() const;  // http://127.0.0.1:PORT
  // GET of a path on the stand-in; the body, or "" on failure.
  std::string Get(const std::string& pathAndQuery) const;
  void Reset() const { Get("/__control?reset=1"); }
  // mode as the stand-in names it; `match` picks the paths it applies to.
  void Misbehave(const std::string& mode, const std::string& match, const std::string& extra = "") const;
  int Total() const;
  // Names in UTF-8.
  int ProfileRequests(const std::string& model) const;
  int PictureRequests(const std::string& file) const;

 private:
  int port_ = 0;
};

// A folder of the test's own beside the test program, removed with everything in it.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;
  const std::u16string& Root() const { return root_; }
  // Root + "\MobileImage", created.
  const std::u16string& Cache() const { return cache_; }
  std::u16string InCache(std::u16string_view name) const;
  // Names directly in a folder, sorted, without "." and "..".
  static std::vector<std::u16string> List(const std::u16string& folder);

 private:
  std::u16string root_;
  std::u16string cache_;
};

bool FileExists(const std::u16string& path);
std::string ReadAll(const std::u16string& path);
bool WriteAll(const std::u16string& path, const std::string& bytes);
std::string SourceFile(const char* relativePath);
// A file of the source tree, read through Wine's drive for the Unix root.
std::string ReadSource(const char* relativePath);
// The Unix path of a Windows path (Wine maps every drive to a Unix folder).
std::string UnixPath(const std::u16string& windowsPath);

// A window that takes WM_PROFILE_READY like the page: only through a CProfileClaim.
class ProfileReceiver {
 public:
  ProfileReceiver();
  ~ProfileReceiver();
  ProfileReceiver(const ProfileReceiver&) = delete;
  ProfileReceiver& operator=(const ProfileReceiver&) = delete;
  HWND Hwnd() const { return hwnd_; }
  void Destroy();
  const std::vector<ModelProfile>& Accepted() const { return accepted_; }
  const std::vector<WPARAM>& AcceptedAddresses() const { return addresses_; }
  int Rejected() const { return rejected_; }
  // Runs inside the handling of an accepted record, while its claim is held.
  std::function<void(HWND, WPARAM)> onAccepted;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  std::vector<ModelProfile> accepted_;
  std::vector<WPARAM> addresses_;
  int rejected_ = 0;
};

// Dispatches messages (so that workers' sends are handled) until no worker runs; false when
// `timeoutMs` passed first.
bool WaitForWorkers(DWORD timeoutMs = 30000);
