// The page module as a host sees it: a DLL found by path and its four exports by name.
#pragma once

#include <windows.h>

#include <string>

#include "module/page_exports.h"

class CPageModule {
 public:
  CPageModule() = default;
  ~CPageModule();
  CPageModule(const CPageModule&) = delete;
  CPageModule& operator=(const CPageModule&) = delete;

  // False, with a reason, when the file does not load or an export is missing.
  bool Load(const std::wstring& path, std::string& error);
  // Frees the module; the host calls UnInitPage before.
  void Unload();

  IsSupportedProc IsSupported = nullptr;
  InitPageProc InitPage = nullptr;
  CreatePageProc CreatePage = nullptr;
  UnInitPageProc UnInitPage = nullptr;

 private:
  HMODULE module_ = nullptr;
};
