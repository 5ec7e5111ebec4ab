#include "help/SPHTMLHelp.h"

#include "inventory/Utils.h"
#include "help/Splash.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <string_view>

namespace {

const wchar_t kNotAHelpFile[] =
    L"The help file \"%FILE%\" cannot be shown: it is not a compiled help file, or it is "
    L"damaged. Install the program again to restore it.";

}  // namespace

bool IsCompiledHelpFile(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
  char start[4]{};
  DWORD read = 0;
  return file.Get() != INVALID_HANDLE_VALUE &&
         ReadFile(file.Get(), start, sizeof start, &read, nullptr) && read == sizeof start &&
         std::string_view(start, sizeof start) == "ITSF";
}

THtmlHelpModule* HtmlHelpModule = nullptr;

std::vector<std::wstring> TSPHelpViewer::GetHelpStrings(const std::wstring& keyword) const {
  return {GetViewerName() + L": " + keyword};
}

std::wstring TSPHelpViewer::ResolveHelpFile(const std::wstring& name) const {
  std::wstring file = name.empty() ? helpFile_ : name;
  return !file.empty() && TUtils::FileExists(file) ? file : std::wstring();
}

std::wstring TSPHelpViewer::ShowableHelpFile(HWND owner) const {
  std::wstring file = ResolveHelpFile();
  if (file.empty() || IsCompiledHelpFile(file)) return file;
  // The engine would open an empty window, or nothing at all, without a word.
  std::wstring text = kNotAHelpFile;
  text.replace(text.find(L"%FILE%"), 6, file);
  MessageBoxW(owner, text.c_str(), win::kApplicationTitle, MB_OK | MB_ICONERROR);
  return {};
}

void TSPHelpViewer::ShowTableOfContents(HWND owner) {
  std::wstring file = ShowableHelpFile(owner);
  if (!file.empty()) engine_.HtmlHelp(owner, file, HH_DISPLAY_TOC, 0);
}

void TSPHelpViewer::ShowHelp(HWND owner, const std::wstring& keyword) {
  std::wstring file = ShowableHelpFile(owner);
  if (!file.empty())
    engine_.HtmlHelp(owner, file, HH_DISPLAY_INDEX, reinterpret_cast<DWORD_PTR>(keyword.c_str()));
}

void TSPHelpViewer::ShowTopic(HWND owner, const std::wstring& topic) {
  std::wstring file = ShowableHelpFile(owner);
  if (!file.empty()) engine_.HtmlHelp(owner, file + L" ::/" + topic, HH_DISPLAY_TOPIC, 0);
}

void TSPHelpViewer::ShowContextHelp(HWND owner, int context, const std::wstring& fileName) {
  if (ResolveHelpFile(fileName).empty()) return;
  std::wstring file = ShowableHelpFile(owner);
  if (!file.empty())
    engine_.HtmlHelp(owner, file, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(context));
}

void TSPHelpViewer::SoftShutDown() { engine_.HtmlHelp(nullptr, {}, HH_CLOSE_ALL, 0); }

std::unique_ptr<THelpEngine> THtmlHelpModule::DefaultLoader() { return THhCtrlEngine::Load(); }

THtmlHelpModule::THtmlHelpModule(const TLoader& load, bool quiet) {
  try {
    engine_ = load();
  } catch (...) {
    engine_.reset();  // a failed set-up is a missing engine
  }
  if (engine_) {
    viewer_ = std::make_unique<TSPHelpViewer>(*engine_);
    return;
  }
  if (!quiet) MessageBoxW(nullptr, kWarningText, kWarningCaption, MB_OK | MB_ICONEXCLAMATION);
}

THtmlHelpModule::~THtmlHelpModule() {
  if (HtmlHelpModule == this) HtmlHelpModule = nullptr;
  if (!viewer_) return;
  viewer_->SoftShutDown();
  viewer_.reset();
  // The engine's windows finish closing before its code goes away.
  WaitWithMessages(100);
  engine_.reset();
}

void SetApplicationHelpFile(const std::wstring& path) {
  if (HtmlHelpModule && HtmlHelpModule->Viewer()) HtmlHelpModule->Viewer()->SetHelpFile(path);
}

void ShowHelpContents(HWND owner) {
  if (HtmlHelpModule && HtmlHelpModule->Viewer())
    HtmlHelpModule->Viewer()->ShowTableOfContents(owner);
}

void ShowHelpKeyword(HWND owner, const std::wstring& keyword) {
  if (HtmlHelpModule && HtmlHelpModule->Viewer()) HtmlHelpModule->Viewer()->ShowHelp(owner, keyword);
}
