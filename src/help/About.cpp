#include "help/About.h"

#include "dialogs/AboutIds.h"
#include "inventory/Utils.h"
#include "win/Gdi.h"

#include "resource.h"

#include <shellapi.h>

#include <fstream>
#include <iterator>

TfAbout* fAbout = nullptr;

namespace {

const wchar_t kVersion[] = L"Version: ";
const wchar_t kBuild[] = L"Build:";
const wchar_t kCopyright[] = L"Copyright \u00A9 2026 Tarvenholt Purgalot! contributors";
const wchar_t kTrademark[] =
    L"Free software under the MIT licence: use, copy and share it as the licence says.";
const wchar_t kLicenseButton[] = L"View License Agreement";
const wchar_t kVersionFile[] = L"version.id";
const wchar_t kLicenseFile[] = L"license.txt";

constexpr int kIconSize = 48;

bool IsBlankOrControl(unsigned char c) { return c <= 0x20 || c == 0x7F; }

}  // namespace

std::wstring ReadVersionFile(const std::wstring& path) {
  if (!TUtils::FileExists(path)) return {};
  std::ifstream file(path.c_str(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  text = text.substr(0, text.find('\0'));
  size_t first = 0, last = text.size();
  while (first < last && IsBlankOrControl(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && IsBlankOrControl(static_cast<unsigned char>(text[last - 1]))) --last;
  text = text.substr(first, last - first);
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)),
                    L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

TfAbout::TfAbout(std::wstring folder)
    : win::TDialog(IDD_ABOUT), folder_(folder.empty() ? TUtils::ExeFolder() : std::move(folder)) {}

void TfAbout::OnInitDialog() {
  SetItemText(IDC_ABT_TOP, kProduct);
  banner_.Attach(Item(IDC_ABT_TOP), true, false);
  const int size = win::Scale(Handle(), kIconSize);
  icon_.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                            MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                            size, size, 0)));
  HWND picture = Item(IDC_ABT_ICON);
  SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
  SetWindowPos(picture, nullptr, 0, 0, size, size, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FormActivate();
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

INT_PTR TfAbout::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      // OK, not the licence button that comes first: Enter and Space close the window.
      SetFocus(Item(IDOK));
      return FALSE;
    case WM_DRAWITEM:
      return banner_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_ACTIVATE:
      // The build is read again each time the window comes to the front.
      if (LOWORD(wp) != WA_INACTIVE) FormActivate();
      return FALSE;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfAbout::FormActivate() {
  SetItemText(IDC_ABT_TOP, kProduct);
  SetItemText(IDC_ABT_VERSION, kVersion);
  SetItemText(IDC_ABT_VERSION_NUMBER, kVersionNumber);
  SetItemText(IDC_ABT_BUILD, kBuild);
  SetItemText(IDC_ABT_BUILD_NUMBER, ReadVersionFile(folder_ + kVersionFile));
  SetItemText(IDC_ABT_COPYRIGHT, kCopyright);
  SetItemText(IDC_ABT_TRADEMARK, kTrademark);
  SetItemText(IDC_ABT_LICENSE, kLicenseButton);
}

void TfAbout::OnCommand(int id, int) {
  switch (id) {
    case IDC_ABT_LICENSE: BTLicenseClick(); break;
    case IDOK:
    case IDCANCEL: End(IDOK); break;
  }
}

void TfAbout::BTLicenseClick() {
  std::wstring path = folder_ + kLicenseFile;
  if (!TUtils::FileExists(path)) return;
  ShellExecuteW(Handle(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
