#include "inventory/Utils.h"

#include "inventory/IconFile.h"
#include "inventory/Registry.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cwctype>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

TPlatformFamily g_family = TPlatformFamily::Detect;
int g_detected = -1;  // -1 not asked yet, else 0/1

bool DetectNT() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Longest command line CreateProcessW accepts, including its terminating NUL.
constexpr size_t kMaxCommandLine = 32767;

// The type of a drive by its letter, asked of the system at most once in a few seconds: under Wine
// the question costs as much as a hundred file lookups, and a scan asks it for nearly every entry.
UINT DriveType(wchar_t letter) {
  letter = static_cast<wchar_t>(towupper(letter));
  if (letter < L'A' || letter > L'Z') return DRIVE_NO_ROOT_DIR;
  constexpr ULONGLONG kFreshFor = 2000;  // milliseconds
  struct TAnswer {
    ULONGLONG AskedAt = 0;
    UINT Type = DRIVE_UNKNOWN;
  };
  static std::mutex mutex;
  static TAnswer answers[26];
  std::lock_guard lock(mutex);
  TAnswer& answer = answers[letter - L'A'];
  ULONGLONG now = GetTickCount64();
  if (answer.AskedAt == 0 || now - answer.AskedAt > kFreshFor) {
    wchar_t root[] = {letter, L':', L'\\', L'\0'};
    answer.Type = GetDriveTypeW(root);
    answer.AskedAt = now ? now : 1;
  }
  return answer.Type;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Whether a path names a device rather than a file: anything in the device namespace (\\.\), or
// a reserved device name as the last part, in any folder and with any extension ("C:\COM1.exe",
// "nul.txt", "CON:"), as the system reads such paths. A literal path (\\?\) has no device names.
bool IsDevicePath(const std::wstring& path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && IsSeparator(path[3]) &&
      (path[2] == L'.' || path[2] == L'?'))
    return !path.starts_with(L"\\\\?\\");
  size_t start = path.find_last_of(L"\\/");
  if (start != std::wstring::npos)
    ++start;
  else
    start = path.size() >= 2 && path[1] == L':' ? 2 : 0;  // "C:NUL"
  std::wstring_view name(path);
  name = name.substr(start);
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
  auto is = [&name](std::wstring_view device) {
    return name.size() >= device.size() &&
           CompareStringOrdinal(name.data(), static_cast<int>(device.size()), device.data(),
                                static_cast<int>(device.size()), TRUE) == CSTR_EQUAL;
  };
  if (name.size() == 3) return is(L"CON") || is(L"PRN") || is(L"AUX") || is(L"NUL");
  if (name.size() == 4 && (is(L"COM") || is(L"LPT"))) {
    wchar_t n = name[3];
    return (n >= L'1' && n <= L'9') || n == L'\u00B9' || n == L'\u00B2' || n == L'\u00B3';
  }
  return false;
}

}  // namespace

bool TUtils::IsNTPlatform() {
  switch (g_family) {
    case TPlatformFamily::NT: return true;
    case TPlatformFamily::Win9x: return false;
    case TPlatformFamily::Detect: break;
  }
  if (g_detected < 0) g_detected = DetectNT() ? 1 : 0;
  return g_detected == 1;
}

void TUtils::SetPlatformFamily(TPlatformFamily family) {
  g_family = family;
  g_detected = -1;
}

int TUtils::GetSmallIconIndex(const std::wstring& path) {
  const bool iconFile =
      path.size() >= 4 && win::EqualsNoCase(std::wstring_view(path).substr(path.size() - 4), L".ico");
  if (iconFile && !IsSoundIconFile(path)) return -1;
  SHFILEINFOW info{};
  if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return info.iIcon;
  return -1;
}

HIMAGELIST TUtils::GetSystemImageList(bool small) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : 0);
  // Asked of the Windows folder, not of the current one: a process started in a folder the
  // system cannot reach (Wine does that for a Unix folder no drive maps) would get no list, and
  // the program list would show no icons at all.
  wchar_t windows[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH + 1);
  const wchar_t* path = n > 0 && n <= MAX_PATH ? windows : L"";
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(path, 0, &info, sizeof info, flags));
}

TDateTimeText TUtils::GetDateTimeText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return FormatDateTimeText(now);
}

TDateTimeText TUtils::FormatDateTimeText(const SYSTEMTIME& t) {
  return {std::to_wstring(t.wDay) + L"/" + std::to_wstring(t.wMonth) + L"/" +
              std::to_wstring(t.wYear),
          std::to_wstring(t.wHour) + L":" + std::to_wstring(t.wMinute) + L":" +
              std::to_wstring(t.wSecond)};
}

win::UniqueHandleObj TUtils::StartProcess(const std::wstring& commandLine, int showState) {
  // CreateProcessW may write into the buffer, so it gets a private copy of the whole line. A line
  // longer than the platform accepts cannot be started at all.
  if (commandLine.size() >= kMaxCommandLine) return {};
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &pi))
    return {};
  win::UniqueHandleObj thread(pi.hThread);
  return win::UniqueHandleObj(pi.hProcess);
}

int TUtils::RunAndWait(const std::wstring& commandLine, int showState) {
  win::UniqueHandleObj process = StartProcess(commandLine, showState);
  if (!process) return -1;

  // Only paint and sent messages wake the wait; input stays queued until the process has ended.
  for (;;) {
    HANDLE handles[] = {process.Get()};
    DWORD rc = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_PAINT | QS_SENDMESSAGE);
    if (rc == WAIT_OBJECT_0 || rc == WAIT_FAILED) break;
    if (rc == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return static_cast<int>(code);
}

std::wstring TUtils::GetSpecialFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
  return buffer;
}

std::wstring TUtils::GetProgramFilesDir() {
  std::wstring folder = L"C:\\Program Files";
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (reg.OpenKeyReadOnly(L"\\Software\\Microsoft\\Windows\\CurrentVersion")) {
    std::wstring value = reg.ReadString(L"ProgramFilesDir");
    if (!value.empty()) folder = value;
  }
  return win::WithTrailingBackslash(folder);
}

void TUtils::ReadShortcut(TShortcutInfo& info) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
    throw std::runtime_error("The shell's shortcut object is not available");

  if (FAILED(file->Load(info.FileName.c_str(), STGM_READ))) return;
  wchar_t buffer[MAX_PATH + 1];
  auto take = [&buffer](HRESULT hr) { return SUCCEEDED(hr) ? std::wstring(buffer) : std::wstring(); };
  buffer[0] = L'\0';
  info.Target = take(link->GetPath(buffer, MAX_PATH + 1, &info.FindData, SLGP_UNCPRIORITY));
  // Some shells keep the stored path only in the ANSI code page; the item ID list holds the target
  // in full, so a name in any script survives.
  PIDLIST_ABSOLUTE items = nullptr;
  HRESULT listed = link->GetIDList(&items);
  win::UniqueCoTaskMemory itemsMemory(items);
  if (SUCCEEDED(listed) && items) {
    buffer[0] = L'\0';
    if (SHGetPathFromIDListW(items, buffer) && buffer[0]) info.Target = buffer;
  }
  buffer[0] = L'\0';
  info.Description = take(link->GetDescription(buffer, MAX_PATH + 1));
  buffer[0] = L'\0';
  info.Arguments = take(link->GetArguments(buffer, MAX_PATH + 1));
  buffer[0] = L'\0';
  info.WorkingDirectory = take(link->GetWorkingDirectory(buffer, MAX_PATH + 1));
  buffer[0] = L'\0';
  info.IconLocation = take(link->GetIconLocation(buffer, MAX_PATH + 1, &info.IconIndex));
  link->GetHotkey(&info.HotKey);
  link->GetShowCmd(&info.ShowCommand);
}

std::wstring TUtils::ExePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring TUtils::ExeFolder() {
  std::wstring path = ExePath();
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool TUtils::FileExists(const std::wstring& path) {
  // The system answers for a device name as if it were a file, but nothing can be run from it.
  if (IsDevicePath(path)) return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TUtils::IsNetworkPath(const std::wstring& path) {
  // \\?\ and \\.\, also written with slashes, name local paths and devices, except under UNC\.
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == L'.' || path[2] == L'?') && IsSeparator(path[3]))
    return path.size() > 8 && win::StartsWithNoCase(path.substr(4, 3), L"UNC") &&
           IsSeparator(path[7]);
  if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]))
    return true;
  if (path.size() >= 2 && path[1] == L':') return DriveType(path[0]) == DRIVE_REMOTE;
  return false;
}
