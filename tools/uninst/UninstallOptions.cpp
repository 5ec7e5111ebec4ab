#include "uninst/UninstallOptions.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"

#include <shellapi.h>

#include <cwctype>
#include <utility>

namespace uninst {
namespace {

bool Is(const std::wstring& arg, const wchar_t* name) {
  return CompareStringOrdinal(arg.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool IsOptionStart(const std::wstring& text, size_t i) {
  return i + 1 < text.size() && text[i] == L'-' && std::iswalpha(text[i + 1]) &&
         (i == 0 || std::iswspace(text[i - 1]));
}

std::wstring Unquote(std::wstring text) {
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
    return text.substr(1, text.size() - 2);
  return text;
}

std::vector<std::wstring> ReadOptionFile(const std::wstring& path) {
  std::vector<char> bytes;
  if (!tools::ReadFileBytes(path, bytes)) return {};
  std::wstring text = tools::FromUtf8(std::string_view(bytes.data(), bytes.size()));
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  return SplitArguments(text);
}

}  // namespace

HKEY Options::Root() const { return tools::ParseRoot(rootName); }

REGSAM Options::ViewFlag() const {
  return view == 32 ? KEY_WOW64_32KEY : view == 64 ? KEY_WOW64_64KEY : 0;
}

std::wstring Options::ArpCacheParent() const {
  if (!arpCacheKey.empty()) return arpCacheKey;
  // The record lives beside the Uninstall key: ...\CurrentVersion\App Management\ARPCache.
  return tools::JoinPath(tools::FolderOf(uninstallKey), L"App Management\\ARPCache");
}

std::wstring Options::ToArguments() const {
  using tools::QuoteArg;
  std::wstring args;
  const auto add = [&args](const std::wstring& text) {
    if (!args.empty()) args += L' ';
    args += text;
  };
  if (!key.empty()) add(L"/key " + QuoteArg(key));
  add(L"/root " + rootName);
  if (view) add(L"/view " + std::to_wstring(view));
  add(L"/uninstallkey " + QuoteArg(uninstallKey));
  if (!arpCacheKey.empty()) add(L"/arpcachekey " + QuoteArg(arpCacheKey));
  if (!dir.empty()) add(L"/dir " + QuoteArg(dir));
  if (!logFile.empty()) add(L"/log " + QuoteArg(logFile));
  if (!onlyFile.empty()) add(L"/only " + QuoteArg(onlyFile));
  if (leaveFiles) add(L"/leave-files");
  if (keepKey) add(L"/keep-key");
  if (cancel) add(L"/cancel");
  if (failSecondStep) add(L"/fail-second-step");
  if (hasExitCode) add(L"/exit " + std::to_wstring(exitCode));
  add(L"/delay " + std::to_wstring(delayMs));
  return args;
}

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  // CommandLineToArgvW treats its first token as a program name, so give it one.
  const std::wstring line = L"x " + text;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> args;
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

std::wstring GluedOptionPath(const std::wstring& commandLine, wchar_t letter) {
  for (size_t i = 0; i < commandLine.size(); ++i) {
    if (!IsOptionStart(commandLine, i) || std::towlower(commandLine[i + 1]) != letter) continue;
    size_t end = i + 2;
    while (end < commandLine.size() && !IsOptionStart(commandLine, end)) ++end;
    return Unquote(commandLine.substr(i + 2, end - i - 2));
  }
  return {};
}

void ApplyArguments(const std::vector<std::wstring>& args, Options& opts) {
  static constexpr std::pair<const wchar_t*, std::wstring Options::*> kTexts[] = {
      {L"/key", &Options::key},
      {L"/root", &Options::rootName},
      {L"/uninstallkey", &Options::uninstallKey},
      {L"/arpcachekey", &Options::arpCacheKey},
      {L"/dir", &Options::dir},
      {L"/log", &Options::logFile},
      {L"/only", &Options::onlyFile}};
  static constexpr std::pair<const wchar_t*, bool Options::*> kFlags[] = {
      {L"/leave-files", &Options::leaveFiles}, {L"/keep-key", &Options::keepKey},
      {L"/leave-key", &Options::cancel},       {L"/cancel", &Options::cancel},
      {L"/detach", &Options::detach},          {L"/fail-second-step", &Options::failSecondStep}};
  const auto number = [](const std::wstring& text) {
    return _wcstoui64(text.c_str(), nullptr, 10);
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    const size_t following = args.size() - i - 1;
    bool known = false;
    for (const auto& [name, member] : kTexts)
      if (Is(arg, name) && following >= 1) {
        opts.*member = args[++i];
        known = true;
        break;
      }
    for (const auto& [name, member] : kFlags)
      if (!known && Is(arg, name)) {
        opts.*member = true;
        known = true;
      }
    if (known) continue;
    if (Is(arg, L"/view") && following >= 1) {
      opts.view = static_cast<int>(number(args[++i]));
    } else if (Is(arg, L"/delay") && following >= 1) {
      opts.delayMs = static_cast<DWORD>(number(args[++i]));
    } else if (Is(arg, L"/exit") && following >= 1) {
      opts.hasExitCode = true;
      opts.exitCode = static_cast<DWORD>(number(args[++i]));
    } else if (Is(arg, L"/after") && following >= 2) {
      opts.afterPid = static_cast<DWORD>(number(args[++i]));
      opts.afterCreated = number(args[++i]);
    } else {
      opts.ignored.push_back(arg);
    }
  }
}

Options ReadOptions(const std::wstring& commandLine, const std::wstring& exePath) {
  std::vector<std::wstring> args = SplitArguments(commandLine);
  if (!args.empty()) args.erase(args.begin());  // the program name
  // Glued InstallShield options are read from the raw text; drop their split-up pieces.
  std::vector<std::wstring> plain;
  for (const std::wstring& arg : args)
    if (arg.size() < 2 || arg[0] != L'-' || !std::iswalpha(arg[1])) plain.push_back(arg);

  Options fromCommandLine;
  ApplyArguments(plain, fromCommandLine);

  std::wstring file = GluedOptionPath(commandLine, L'f');
  if (file.empty() && fromCommandLine.key.empty() && fromCommandLine.dir.empty()) {
    std::wstring stem = tools::FileNameOf(exePath);
    if (const size_t dot = stem.rfind(L'.'); dot != std::wstring::npos) stem.resize(dot);
    const std::wstring beside = tools::JoinPath(tools::FolderOf(exePath), stem + L".dat");
    if (tools::FileExists(beside)) file = beside;
  }
  if (file.empty()) return fromCommandLine;

  Options opts;
  ApplyArguments(ReadOptionFile(file), opts);
  ApplyArguments(plain, opts);
  opts.optionsFile = file;
  return opts;
}

}  // namespace uninst
