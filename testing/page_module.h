// The page module as a host sees it: a DLL loaded by path and its four exports found by name,
// for the tests, the harness, the stress program and the benchmark.
#pragma once

#include <windows.h>

#include <string>

#include "module/page_exports.h"

class PageModule {
 public:
  PageModule() = default;
  explicit PageModule(const std::wstring& path) { Load(path); }
  // A page the host left behind goes first, then this reference.
  ~PageModule();
  PageModule(const PageModule&) = delete;
  PageModule& operator=(const PageModule&) = delete;

  // False when the file does not load or an export is missing, with the reason in `error`.
  bool Load(const std::wstring& path, std::string* error = nullptr);
  // Drops this reference only, without UnInitPage: the exports are unusable afterwards, while
  // a worker may keep the module mapped a while longer.
  void Unload();
  bool Loaded() const { return module_ != nullptr; }
  HMODULE Handle() const { return module_; }
  // Whether the module at `path` is in the process, through anybody's reference.
  static bool Mapped(const std::wstring& path);

  IsSupportedProc IsSupported = nullptr;
  InitPageProc InitPage = nullptr;
  CreatePageProc CreatePage = nullptr;
  UnInitPageProc UnInitPage = nullptr;

 private:
  HMODULE module_ = nullptr;
};

// MobileInfoPage.dll beside the running program.
std::wstring ModuleBesideProgram();
