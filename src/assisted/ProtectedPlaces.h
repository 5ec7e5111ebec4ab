// The places the program never deletes, whatever the user ticked: the one decision every
// deletion row passes through. Folders are decided in ProtectedPlaces.cpp, keys in
// ProtectedKeys.cpp.
#pragma once

#include <windows.h>

#include <string>

// Whether a folder or file path names a protected place of the file system.
bool IsProtectedPath(const std::wstring& path);
// Whether a folder is one of the shell's known folders (of any profile or of all users) or holds
// one: the folder tree shows these even where Windows hides them (AppData, ProgramData).
bool IsKnownFolderOrAncestor(const std::wstring& path);
// Whether a key path (from `root`, with a leading backslash, empty for the root itself) names a
// protected key.
bool IsProtectedKey(HKEY root, const std::wstring& path);
// Whether the values of a key are protected: those of a protected key are, except in the keys
// that list one value per program (Run, RunOnce, an extension's OpenWithProgids), where a single
// value may go while the key always stays.
bool AreValuesProtected(HKEY root, const std::wstring& path);
