// TEntryValues: the text and number values of one program entry's key, as rows of names and values
// for editing, and the writing back of edited rows. Values of other types are never shown and
// never touched unless the user names one in a row of their own.
#pragma once

#include "inventory/Registry.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct TValueRow {
  std::wstring Name;
  std::wstring Value;
  bool operator==(const TValueRow&) const = default;
};

class TEntryValues {
public:
  // The text of a value that is not shown.
  static constexpr const wchar_t* kHidden = L"*#*#*";

  // Opens the key (never creating it) and lists its value names; false when it cannot be opened.
  bool Load(HKEY root, REGSAM view, const std::wstring& keyPath);
  // The value names as the registry listed them when the key was loaded.
  const std::vector<std::wstring>& LoadedNames() const noexcept { return loaded_; }

  // The text shown for a value: a string as stored (an expand string unexpanded), an integer in
  // signed decimal; kHidden for any other type and for a name that was not loaded.
  std::wstring ValueText(const std::wstring& name) const;
  // The rows to edit, in the order of the loaded names. There is always at least one row; an
  // empty default value gives its row to the next value shown.
  std::vector<TValueRow> Rows() const;

  // Writes one row under its name, keeping the stored type of a loaded integer or expand string.
  // An integer row that does not hold a number is left as stored. Throws the registry's error.
  void WriteValue(const TValueRow& row);
  // Writes every named row in order, then deletes the removed names (a failed deletion is
  // ignored). A refused write throws and ends the saving there.
  void Save(const std::vector<TValueRow>& rows, const std::vector<std::wstring>& deleted);

  // A whole 32-bit number in decimal (or hexadecimal after "0x" or "$"), signed or not; false
  // for anything else.
  static bool ParseInteger(const std::wstring& text, int& value);

private:
  // The stored type of a loaded name (letter case ignored); REG_NONE when it was not loaded.
  DWORD LoadedType(const std::wstring& name) const;

  std::optional<TRegistry> registry_;  // open on the entry's key once loaded
  std::vector<std::wstring> loaded_;
  std::vector<DWORD> types_;  // beside loaded_
};
