// TRegistry: a root key, at most one open (current) key, and the value operations every part of the
// program uses to read and write the registry.
#pragma once

#include "win/Error.h"
#include "win/UniqueHandle.h"

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Raised by TRegistry; carries the message the user sees.
class ERegistryException : public win::TError {
public:
  using win::TError::TError;
};

// Value data types as reported by GetDataType.
enum class TRegDataType { Unknown = 0, String = 1, ExpandString = 2, Integer = 3, Binary = 4 };

struct TRegKeyInfo {
  DWORD NumSubKeys = 0;
  DWORD MaxSubKeyLen = 0;
  DWORD NumValues = 0;
  DWORD MaxValueLen = 0;
  DWORD MaxDataLen = 0;
  FILETIME FileTime{};
};

// A value read in one call: its registry type and raw bytes.
struct TRegValue {
  DWORD RawType = REG_NONE;
  std::vector<BYTE> Data;

  TRegDataType DataType() const noexcept;
  bool IsText() const noexcept { return RawType == REG_SZ || RawType == REG_EXPAND_SZ; }
  // The text of a string value, cut at its first NUL; tolerates a missing terminator and an odd
  // byte count.
  std::wstring Text() const;
};

struct TNamedValue {
  std::wstring Name;
  TRegValue Value;
};

class TRegistry {
public:
  // view: 0 for the process's own registry view, or KEY_WOW64_32KEY / KEY_WOW64_64KEY.
  explicit TRegistry(REGSAM view = 0) noexcept;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  ~TRegistry() = default;

  HKEY RootKey() const noexcept { return root_; }
  void SetRootKey(HKEY root) noexcept;
  REGSAM View() const noexcept { return view_; }
  HKEY CurrentKey() const noexcept { return current_.Get(); }
  const std::wstring& CurrentPath() const noexcept { return currentPath_; }

  bool OpenKey(const std::wstring& path, bool canCreate);
  bool OpenKeyReadOnly(const std::wstring& path);
  // Opens a subkey of another registry object's current key for reading; it becomes this
  // object's current key (the parent stays open).
  bool OpenSubKeyReadOnly(const TRegistry& parent, const std::wstring& name);
  void CloseKey() noexcept;
  bool CreateKey(const std::wstring& path);
  bool KeyExists(const std::wstring& path) const;
  bool DeleteKey(const std::wstring& path);

  std::vector<std::wstring> GetKeyNames() const;
  std::vector<std::wstring> GetValueNames() const;
  bool GetKeyInfo(TRegKeyInfo& info) const;

  bool ValueExists(const std::wstring& name) const;
  TRegDataType GetDataType(const std::wstring& name) const;
  int GetDataSize(const std::wstring& name) const;
  // Type and data of a value in a single registry call; nothing when the value is missing.
  std::optional<TRegValue> ReadValue(const std::wstring& name) const;
  // Several values at once, in the order of the names; each missing one is nothing. A key with no
  // more values than are asked for is read in one walk over its values: every registry call is a
  // round trip to Wine's server, and most keys hold fewer values than a reader asks about.
  std::vector<std::optional<TRegValue>> ReadValues(const std::vector<const wchar_t*>& names) const;
  // Every value of the key with its name, in the key's order, in one walk over them.
  std::vector<TNamedValue> ReadAllValues() const;

  std::wstring ReadString(const std::wstring& name) const;
  int ReadInteger(const std::wstring& name) const;
  bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
  int ReadBinaryData(const std::wstring& name, void* buffer, int bufferSize) const;

  void WriteString(const std::wstring& name, const std::wstring& text);
  void WriteExpandString(const std::wstring& name, const std::wstring& text);
  void WriteInteger(const std::wstring& name, int value);
  void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }
  void WriteBinaryData(const std::wstring& name, const void* data, int size);
  bool DeleteValue(const std::wstring& name);

private:
  bool Open(const std::wstring& path, REGSAM access, bool canCreate);
  // The key a path is taken from, and the path relative to it.
  HKEY BaseFor(const std::wstring& path, std::wstring& relative) const;
  void WriteData(const std::wstring& name, DWORD type, const void* data, DWORD size);

  HKEY root_ = HKEY_CURRENT_USER;
  REGSAM view_ = 0;
  win::UniqueHKey current_;
  std::wstring currentPath_;
};
