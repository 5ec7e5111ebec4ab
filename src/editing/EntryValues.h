// TEntryValues: the text and number values of one program entry's key, as rows of names and values
// for editing, and the writing back of the rows the user changed. Values of other types are never
// shown and never touched unless the user names one in a row of their own; a value whose text
// would not write back the same bytes is shown read-only.
#pragma once

#include "inventory/Registry.h"

#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct TValueRow {
  std::wstring Name;
  std::wstring Value;
  // The text does not stand for the stored bytes exactly (an integer not four bytes long, a
  // string with text after a NUL, without its terminator or of odd length): never written.
  bool ReadOnly = false;
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

  // The text shown for a value: a string as stored up to its first NUL (an expand string
  // unexpanded), an integer in decimal (signed at four and eight bytes); kHidden for any other
  // type and for a name that was not loaded.
  std::wstring ValueText(const std::wstring& name) const;
  // The rows to edit, as the values were when loaded, in the order of the loaded names. There is
  // always at least one row; an empty default value gives its row to the next value shown.
  std::vector<TValueRow> Rows() const;

  // Writes one row under its name, keeping the stored type of a loaded integer or expand string.
  // An integer row that does not hold a number is left as stored. Throws the registry's error.
  void WriteValue(const TValueRow& row);
  // Writes in order the named rows that are not as loaded (added or edited; read-only rows never),
  // then deletes the removed names (a failed deletion is ignored). A refused write throws and ends
  // the saving there.
  void Save(const std::vector<TValueRow>& rows, const std::vector<std::wstring>& deleted);

  // A whole 32-bit number in decimal (or hexadecimal after "0x" or "$"), signed or not; false
  // for anything else.
  static bool ParseInteger(const std::wstring& text, int& value);

private:
  // Where a name stands in loaded_ (letter case ignored); none when it was not loaded.
  std::optional<size_t> LoadedIndex(const std::wstring& name) const;
  // The stored type of a loaded name; REG_NONE when it was not loaded.
  DWORD LoadedType(const std::wstring& name) const;

  // Whether the row holds a loaded value as it was loaded.
  bool Unchanged(const TValueRow& row) const;

  std::optional<TRegistry> registry_;  // open on the entry's key once loaded
  std::vector<std::wstring> loaded_;
  std::vector<DWORD> types_;      // beside loaded_
  std::vector<TValueRow> shown_;  // beside loaded_: each value as loaded, kHidden when not shown
  // Each loaded name's place in loaded_, by the name with its letter case folded: searching every
  // name for each row made OK on a key of 10,000 values take seconds.
  std::unordered_map<std::wstring, size_t> byName_;
};
