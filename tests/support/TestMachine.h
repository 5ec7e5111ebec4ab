// Test helpers: a private registry subtree and a private temporary folder per test, both removed
// again when the test ends, so tests never see each other's data and can run in parallel.
#pragma once

#include "inventory/NormalUninstall.h"
#include "inventory/Registry.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A unique key under HKEY_CURRENT_USER\Software\PurgalotTests, deleted with everything below it.
class TTestKey {
public:
  TTestKey();
  ~TTestKey();
  TTestKey(const TTestKey&) = delete;
  TTestKey& operator=(const TTestKey&) = delete;

  HKEY Root() const noexcept { return HKEY_CURRENT_USER; }
  // Path from the root, without a leading backslash.
  const std::wstring& Path() const noexcept { return path_; }
  // An Uninstall key and a usage-record key of this tree, as the scanner reads them.
  TUninstallSource Source() const;

  // Writes values into path_\sub (created as needed).
  void SetString(const std::wstring& sub, const std::wstring& name, const std::wstring& value,
                 DWORD type = REG_SZ);
  void SetDword(const std::wstring& sub, const std::wstring& name, DWORD value);
  void SetBinary(const std::wstring& sub, const std::wstring& name, const std::vector<BYTE>& data,
                 DWORD type = REG_BINARY);
  // Writes raw bytes with any registry type (for values without a terminating NUL and the like).
  void SetRaw(const std::wstring& sub, const std::wstring& name, DWORD type, const void* data,
              DWORD size);
  bool Exists(const std::wstring& sub) const;
  // Makes path_\sub a registry link to path_\target (target empty: to path_ itself).
  void AddLink(const std::wstring& sub, const std::wstring& target);

  // One Uninstall entry of this tree.
  void AddProgram(const std::wstring& subkey, const std::wstring& displayName,
                  const std::wstring& command, const std::wstring& icon = L"");

private:
  std::wstring path_;
};

// One Uninstall tree in each place Windows keeps installed programs, each with its usage-record
// key: under HKEY_LOCAL_MACHINE\Software in the native view and in the 32-bit view (two separate
// keys, as on a 64-bit machine), and under HKEY_CURRENT_USER. All three are unique to the test
// and deleted with it.
class TSourceTrees {
public:
  enum TPlace : size_t { Machine = 0, Machine32 = 1, User = 2 };

  TSourceTrees();
  ~TSourceTrees();
  TSourceTrees(const TSourceTrees&) = delete;
  TSourceTrees& operator=(const TSourceTrees&) = delete;

  const TUninstallSource& Source(TPlace place) const { return sources_[place]; }
  // The three, in the order the program scans its own.
  const std::vector<TUninstallSource>& Sources() const noexcept { return sources_; }

  void AddProgram(TPlace place, const std::wstring& subkey, const std::wstring& displayName,
                  const std::wstring& command);
  // Writes a value into the Uninstall subkey (or, with cache set, the usage-record subkey).
  void SetRaw(TPlace place, const std::wstring& subkey, const std::wstring& name, DWORD type,
              const void* data, DWORD size, bool cache = false);
  bool Exists(TPlace place, const std::wstring& subkey) const;

private:
  std::wstring machinePath_;  // below HKEY_LOCAL_MACHINE, the same in both views
  TTestKey user_;
  std::vector<TUninstallSource> sources_;
};

// A unique folder under %TEMP%, removed with its contents.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // Full path with a trailing backslash.
  const std::wstring& Path() const noexcept { return path_; }
  // Creates a file (and its folders) below the folder; returns its full path.
  std::wstring MakeFile(const std::wstring& relative, const std::string& content = "x");
  std::wstring MakeFolder(const std::wstring& relative);

private:
  std::wstring path_;
};

// A usage record as Windows stores it.
std::vector<BYTE> UsageRecord(int64_t size, FILETIME lastUsed, int32_t count,
                              const std::wstring& path, size_t length = 552);
FILETIME FileTimeOf(int year, int month, int day, int hour = 12, int minute = 0);
// A date as the platform writes it in the user's short format.
std::wstring UserDate(int year, int month, int day);

// A copy of a file that gives a distinct icon (a real executable of the system).
std::wstring SystemExe(const wchar_t* name);

// The folder of the test executable, with a trailing backslash.
std::wstring TestBinFolder();

}  // namespace testing_support

namespace testing_support {
// Writes a valid 16x16 icon file of one colour, so the shell shows it as its own icon.
void WriteIconFile(const std::wstring& path, COLORREF colour);
// An icon file's bytes: a directory that claims `count` images and holds one entry, for an image
// of `side` pixels and `imageSize` bytes placed right after it, then the image bytes given.
std::string IconFileBytes(BYTE side, DWORD imageSize, const std::string& image, WORD count = 1);
}  // namespace testing_support
