#include "inventory/InstallerKind.h"

#include "inventory/Registry.h"
#include "inventory/UninstallItem.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <string_view>
#include <vector>

namespace {

bool IsOne(const std::optional<TRegValue>& value) {
  if (!value) return false;
  if (value->IsText()) return win::Trim(value->Text()) == L"1";
  DWORD number = 0;
  if (value->RawType != REG_DWORD || value->Data.size() != sizeof number) return false;
  memcpy(&number, value->Data.data(), sizeof number);
  return number == 1;
}

std::wstring TextOf(const std::optional<TRegValue>& value) {
  return value && value->IsText() ? value->Text() : std::wstring();
}

// The uninstaller's file: the quoted part, else up to ".exe", else the whole command.
std::wstring UninstallerFile(const std::wstring& command) {
  std::wstring file = LeadingQuotedSection(win::Trim(command));
  if (file.empty()) {
    std::wstring lower = win::ToLower(command);
    size_t exe = lower.find(L".exe");
    file = exe == std::wstring::npos ? win::Trim(command) : win::Trim(command.substr(0, exe + 4));
  }
  return win::ExpandEnvironment(file);
}

std::wstring FileName(const std::wstring& path) {
  return path.substr(path.find_last_of(L"\\/") + 1);
}

// unins000.exe, unins001.exe, ...: Inno Setup's uninstaller.
bool IsInnoUninstaller(const std::wstring& name) {
  std::wstring lower = win::ToLower(name);
  if (lower.size() != 12 || !lower.starts_with(L"unins") || !lower.ends_with(L".exe")) return false;
  for (size_t i = 5; i < 8; ++i)
    if (!iswdigit(lower[i])) return false;
  return true;
}

// NSIS names itself in its uninstaller's manifest ("Nullsoft.NSIS.exehead"): the file is mapped
// as data, not run, and only that one resource is read.
bool HasNsisMark(const std::wstring& file) {
  win::UniqueHModule module(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return false;
  HRSRC resource = FindResourceW(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  HGLOBAL loaded = resource ? LoadResource(module.Get(), resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  std::string_view text(static_cast<const char*>(bytes), SizeofResource(module.Get(), resource));
  return text.find("Nullsoft") != std::string_view::npos;
}

}  // namespace

const wchar_t* InstallerKindText(TInstallerKind kind) {
  switch (kind) {
    case TInstallerKind::WindowsInstaller: return L"Windows Installer";
    case TInstallerKind::InnoSetup: return L"Inno Setup";
    case TInstallerKind::Nsis: return L"NSIS";
    case TInstallerKind::Other: break;
  }
  return L"Other";
}

bool IsProductCode(const std::wstring& text) {
  static const size_t kDashes[] = {9, 14, 19, 24};
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = std::find(std::begin(kDashes), std::end(kDashes), i) != std::end(kDashes);
    if (dash ? text[i] != L'-' : !iswxdigit(text[i])) return false;
  }
  return true;
}

TInstallerFacts ReadInstallerFacts(HKEY root, REGSAM view, const std::wstring& keyPath) {
  TInstallerFacts facts;
  TRegistry reg(view);
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(L"\\" + keyPath)) return facts;

  const std::wstring keyName = keyPath.substr(keyPath.find_last_of(L'\\') + 1);
  const std::wstring uninstaller = UninstallerFile(TextOf(reg.ReadValue(L"UninstallString")));
  if (IsOne(reg.ReadValue(L"WindowsInstaller"))) {
    facts.Kind = TInstallerKind::WindowsInstaller;
    if (IsProductCode(keyName)) facts.ProductCode = keyName;
  } else {
    bool inno = IsInnoUninstaller(FileName(uninstaller));
    for (const std::wstring& name : reg.GetValueNames())
      inno = inno || win::StartsWithNoCase(name, L"Inno Setup:");
    if (inno)
      facts.Kind = TInstallerKind::InnoSetup;
    else if (!uninstaller.empty() && HasNsisMark(uninstaller))
      facts.Kind = TInstallerKind::Nsis;
  }

  if (!IsOne(reg.ReadValue(L"NoModify"))) {
    facts.ModifyCommand = win::Trim(TextOf(reg.ReadValue(L"ModifyPath")));
    if (facts.ModifyCommand.empty() && !facts.ProductCode.empty())
      facts.ModifyCommand = L"MsiExec.exe /I" + facts.ProductCode;
  }
  if (!facts.ProductCode.empty() && !IsOne(reg.ReadValue(L"NoRepair")))
    facts.RepairCommand = L"MsiExec.exe /f" + facts.ProductCode;
  return facts;
}
