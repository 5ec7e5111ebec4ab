// The deletion row: one line of the assisted uninstall's confirmation list, in the one form in
// which the folder and registry trees and the wizard hand their selections to the deletion engine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Kinds (the row's caption); the engine compares them without regard to letter case.
inline constexpr const wchar_t* kKindFolder = L"Folder";
inline constexpr const wchar_t* kKindRegistry = L"Registry";
inline constexpr const wchar_t* kKindShortcut = L"Shortcut";
inline constexpr const wchar_t* kKindFile = L"File";
// One value of a key: only the value is deleted, never its key.
inline constexpr const wchar_t* kKindValue = L"Value";

inline constexpr const wchar_t* kStatusToDelete = L"To Delete";
inline constexpr const wchar_t* kStatusOK = L"OK";
inline constexpr const wchar_t* kStatusFailed = L"Failed";
inline constexpr const wchar_t* kStatusProtected = L"Protected";

// What the engine acts on.
struct TDeleteItem {
  // For "Registry" and "Value" rows the predefined root the key lies under; nullptr otherwise.
  HKEY RootKey = nullptr;
  // "Folder": full path without a trailing backslash; "Shortcut" and "File": the file's full
  // path; "Registry" and "Value": the key path from the root with a leading backslash
  // (\Software\Vendor\Tool).
  std::wstring Path;
  // For "Value" rows the value's name (empty for the key's default value).
  std::wstring ValueName;
};

struct TDeleteRow {
  std::wstring Kind;
  // [0] the path as shown; [1] the status; a status set by the engine is inserted in front of
  // "To Delete", which moves to [2] and is no longer shown.
  std::vector<std::wstring> SubItems;
  bool Checked = true;
  // A place the program never deletes: shown unchecked with the status "Protected", its box
  // cannot be ticked and the engine refuses it.
  bool Protected = false;
  TDeleteItem Item;

  const std::wstring& Path() const { return SubItems.at(0); }
  // The status shown in the "Status" column (empty when the row has none).
  std::wstring Status() const { return SubItems.size() > 1 ? SubItems[1] : std::wstring(); }
};

using TDeleteRows = std::vector<TDeleteRow>;

// A row as the trees and the wizard make it: checked with the status "To Delete", or, when it
// names a protected place, unchecked with the status "Protected".
TDeleteRow MakeDeleteRow(const std::wstring& kind, HKEY root, const std::wstring& path);
// The same for one value of a key, shown as `shown`.
TDeleteRow MakeValueRow(HKEY root, const std::wstring& path, const std::wstring& valueName,
                        const std::wstring& shown);
