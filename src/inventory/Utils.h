// TUtils: small operating-system services shared by the whole program. No state of its own except
// the platform family, which is read once and can be set by tests.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

enum class TPlatformFamily { Detect, NT, Win9x };

struct TDateTimeText {
  std::wstring Date;  // day/month/year, no leading zeros
  std::wstring Time;  // hour:minute:second, no leading zeros
};

// What ReadShortcut learns about a .lnk file. The caller sets FileName.
struct TShortcutInfo {
  std::wstring FileName;
  std::wstring Target;
  std::wstring Arguments;
  std::wstring WorkingDirectory;
  std::wstring Description;
  std::wstring IconLocation;
  int IconIndex = 0;
  WORD HotKey = 0;
  int ShowCommand = 0;
  WIN32_FIND_DATAW FindData{};
};

class TUtils {
public:
  TUtils() = delete;

  static bool IsNTPlatform();
  // Detect asks the platform again; NT and Win9x fix the answer (tests of the 9x behaviour).
  static void SetPlatformFamily(TPlatformFamily family);

  // The file's small icon in the system image lists, or -1 when the shell knows none. An icon file
  // that does not hold together has none: the shell is not asked about it.
  static int GetSmallIconIndex(const std::wstring& path);
  // The shell's system image list; not owned by the caller.
  static HIMAGELIST GetSystemImageList(bool small);

  static TDateTimeText GetDateTimeText();
  static TDateTimeText FormatDateTimeText(const SYSTEMTIME& time);

  // Starts the command line and waits for it to end, dispatching only paint messages meanwhile.
  // Returns the exit code, or -1 when the process cannot be started.
  static int RunAndWait(const std::wstring& commandLine, int showState);
  // Starts the command line in a console of its own when it needs one, without waiting; the
  // process, or no handle when it cannot be started.
  static win::UniqueHandleObj StartProcess(const std::wstring& commandLine, int showState);

  static std::wstring GetSpecialFolder(int csidl);
  static std::wstring GetProgramFilesDir();
  // Fills info from the shortcut named in info.FileName; fields stay empty when it cannot be
  // loaded. Throws when the shell's shortcut object is unavailable.
  static void ReadShortcut(TShortcutInfo& info);

  // Folder of the running executable, with a trailing backslash.
  static std::wstring ExeFolder();
  static std::wstring ExePath();
  // True for an existing file (not a folder, not a device such as CON or C:\COM1.exe).
  static bool FileExists(const std::wstring& path);
  // True for a path on another machine: a UNC path (\\server\share\..., also in its long form
  // \\?\UNC\server\...) or a path on a drive mapped to a network share. Decided without touching
  // the network.
  static bool IsNetworkPath(const std::wstring& path);
};
