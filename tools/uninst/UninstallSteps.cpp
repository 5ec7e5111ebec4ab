#include "uninst/UninstallSteps.h"

#include "common/ToolFiles.h"
#include "common/ToolRegistry.h"
#include "win/UniqueHandle.h"

#include <windows.h>

#include <algorithm>

namespace uninst {
namespace {

uint64_t ToUint64(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return ToUint64(created);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH * 2) return path;
  std::wstring full(buffer, n);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  if (path.size() <= folder.size() || path[folder.size()] != L'\\') return false;
  return CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// A mistyped /dir must not wipe a drive, a top-level folder such as Program Files, or Windows.
bool IsSafeToDelete(const std::wstring& dir) {
  const size_t separators = static_cast<size_t>(std::count(dir.begin(), dir.end(), L'\\'));
  if (dir.size() < 3 || dir[1] != L':' || separators < 2) return false;
  wchar_t windows[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring system(windows, n);
  return n == 0 || (CompareStringOrdinal(dir.c_str(), -1, system.c_str(), -1, TRUE) != CSTR_EQUAL &&
                    !StartsWithFolder(dir, system));
}

// A name in %TEMP% nobody else uses.
std::wstring TempExeName() {
  return tools::JoinPath(tools::TempFolder(), L"~sampleuninst-" +
                                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                  std::to_wstring(GetTickCount()) + L".exe");
}

}  // namespace

Steps::Steps(const Options& opts)
    : opts_(opts),
      exe_(tools::ModulePath()),
      dir_(opts.dir.empty() ? std::wstring() : FullPath(tools::ExpandEnvironment(opts.dir))) {}

void Steps::Log(const std::wstring& line) const {
  if (opts_.logFile.empty()) return;
  tools::AppendLine(tools::ExpandEnvironment(opts_.logFile),
                    L"sampleuninst[" + std::to_wstring(GetCurrentProcessId()) + L"]: " + line);
}

void Steps::RemoveKeys() const {
  if (opts_.key.empty()) return;
  const HKEY root = opts_.Root();
  if (!root) {
    Log(L"unknown root " + opts_.rootName);
    return;
  }
  const bool existed =
      tools::KeyExists(root, tools::JoinPath(opts_.uninstallKey, opts_.key), opts_.ViewFlag());
  const bool removed = tools::DeleteKeyTree(root, opts_.uninstallKey, opts_.key, opts_.ViewFlag());
  Log((removed ? existed ? L"removed key " : L"key not found " : L"could not remove key ") +
      opts_.key);
  if (tools::DeleteKeyTree(root, opts_.ArpCacheParent(), opts_.key, opts_.ViewFlag()))
    Log(L"no usage record left for " + opts_.key);
}

bool Steps::ExeIsInsideDir() const { return StartsWithFolder(FullPath(exe_), dir_); }

void Steps::RemoveFiles() const {
  if (dir_.empty()) return;
  if (!tools::FolderExists(dir_)) {
    Log(L"folder not found " + dir_);
    return;
  }
  if (!IsSafeToDelete(dir_)) {
    Log(L"refusing to delete " + dir_);
    return;
  }
  if (!opts_.onlyFile.empty()) {
    const std::wstring file = tools::JoinPath(dir_, opts_.onlyFile);
    Log((DeleteFileW(file.c_str()) ? L"removed only " : L"could not remove ") + file);
    return;
  }
  if (ExeIsInsideDir()) {
    // A running executable cannot be deleted, but it can be moved within its volume.
    const std::wstring moved = TempExeName();
    if (MoveFileExW(exe_.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      MoveFileExW(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
      Log(L"moved own executable to " + moved);
    } else {
      Options helper;
      helper.dir = opts_.dir;
      helper.logFile = opts_.logFile;
      helper.leaveFiles = opts_.leaveFiles;
      helper.delayMs = 0;
      if (StartHelper(helper)) Log(L"own executable is in use: a helper deletes the folder");
    }
  }
  const auto keep = [this](const std::wstring& path) {
    return opts_.leaveFiles &&
           CompareStringOrdinal(path.c_str(), -1, tools::JoinPath(dir_, L"Settings").c_str(), -1,
                                TRUE) == CSTR_EQUAL;
  };
  const bool complete = tools::DeleteTree(dir_, keep);
  if (opts_.leaveFiles) {
    tools::AppendLine(
        tools::JoinPath(dir_, L"uninstall.log"),
        L"Uninstalled " + (opts_.key.empty() ? dir_ : opts_.key) + L". User settings were kept.");
    Log(L"left files in " + dir_);
  } else {
    Log((complete ? L"removed folder " : L"could not remove all of ") + dir_);
  }
}

DWORD Steps::StartSecondStep() const {
  const std::wstring folder = dir_.empty() ? tools::FolderOf(exe_) : dir_;
  const std::wstring helper = tools::JoinPath(folder, L"uninst-step2.exe");
  std::wstring commandLine = tools::QuoteArg(helper) + L" /continue";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &si, &pi)) {
    // Someone put a program there; this run still stands for the failure.
    win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
    Log(L"second step " + helper + L" exists; failing anyway");
    return ERROR_INSTALL_FAILURE;
  }
  const DWORD error = GetLastError();
  Log(L"second step " + helper + L" could not start: error " + std::to_wstring(error));
  return error ? error : ERROR_INSTALL_FAILURE;
}

bool Steps::StartHelper(const Options& helperOpts) const {
  const std::wstring copy = TempExeName();
  if (!CopyFileW(exe_.c_str(), copy.c_str(), FALSE)) {
    Log(L"could not copy myself to " + copy);
    return false;
  }
  std::wstring commandLine = tools::QuoteArg(copy) + L" " + helperOpts.ToArguments() + L" /after " +
                             std::to_wstring(GetCurrentProcessId()) + L" " +
                             std::to_wstring(CreationTime(GetCurrentProcess()));
  // No standard handles: a caller reading our output must not wait for the helper too.
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION pi{};
  // Leave any job the caller put us in, so the helper survives when the job is closed.
  BOOL started = CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &si, &pi);
  if (!started)
    started = CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi);
  if (!started) {
    Log(L"could not start helper: error " + std::to_wstring(GetLastError()));
    DeleteFileW(copy.c_str());
    return false;
  }
  win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
  Log(L"started helper " + std::to_wstring(pi.dwProcessId));
  return true;
}

void Steps::WaitForParent() const {
  if (opts_.afterPid == 0) return;
  win::UniqueHandleObj parent(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, opts_.afterPid));
  // A different creation time means the id was reused and the parent is already gone.
  if (parent && CreationTime(parent.Get()) == opts_.afterCreated)
    WaitForSingleObject(parent.Get(), 60 * 1000);
  if (opts_.delayMs) Sleep(opts_.delayMs);
}

void Steps::ScheduleSelfDelete() const {
  MoveFileExW(exe_.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace uninst
