#include "help/HtmlHelpAPI.h"

std::unique_ptr<THhCtrlEngine> THhCtrlEngine::Load(const wchar_t* library) {
  win::UniqueHModule module(LoadLibraryW(library));
  if (!module) return nullptr;
  auto entry = reinterpret_cast<THtmlHelpW>(
      reinterpret_cast<void*>(GetProcAddress(module.Get(), "HtmlHelpW")));
  if (!entry) return nullptr;
  return std::unique_ptr<THhCtrlEngine>(new THhCtrlEngine(std::move(module), entry));
}

void THhCtrlEngine::HtmlHelp(HWND owner, const std::wstring& file, UINT command,
                             DWORD_PTR data) {
  entry_(owner, file.empty() ? nullptr : file.c_str(), command, data);
}
