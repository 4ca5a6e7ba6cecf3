#include "testing/page_module.h"

#include "testing/program_files.h"
#include "util/proc_address.h"

PageModule::~PageModule() {
  if (module_ != nullptr) UnInitPage();
  Unload();
}

bool PageModule::Load(const std::wstring& path, std::string* error) {
  Unload();
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) {
    if (error != nullptr) *error = "cannot load the page module (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  IsSupported = ProcOf<IsSupportedProc>(module_, kIsSupportedExport);
  InitPage = ProcOf<InitPageProc>(module_, kInitPageExport);
  CreatePage = ProcOf<CreatePageProc>(module_, kCreatePageExport);
  UnInitPage = ProcOf<UnInitPageProc>(module_, kUnInitPageExport);
  const char* missing = IsSupported == nullptr  ? kIsSupportedExport
                        : InitPage == nullptr   ? kInitPageExport
                        : CreatePage == nullptr ? kCreatePageExport
                        : UnInitPage == nullptr ? kUnInitPageExport
                                                : nullptr;
  if (missing != nullptr) {
    if (error != nullptr) *error = std::string("the page module does not export ") + missing;
    Unload();
    return false;
  }
  return true;
}

void PageModule::Unload() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  IsSupported = nullptr;
  InitPage = nullptr;
  CreatePage = nullptr;
  UnInitPage = nullptr;
}

bool PageModule::Mapped(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

std::wstring ModuleBesideProgram() { return BesideProgram(kPageModuleFile); }
