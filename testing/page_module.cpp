#include "testing/page_module.h"

#include "testing/program_files.h"

namespace {

template <typename Proc>
Proc ExportOf(HMODULE module, const char* name) {
  // Through a plain function pointer type, which GCC accepts from FARPROC without a warning.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

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
  IsSupported = ExportOf<IsSupportedProc>(module_, kIsSupportedExport);
  InitPage = ExportOf<InitPageProc>(module_, kInitPageExport);
  CreatePage = ExportOf<CreatePageProc>(module_, kCreatePageExport);
  UnInitPage = ExportOf<UnInitPageProc>(module_, kUnInitPageExport);
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
