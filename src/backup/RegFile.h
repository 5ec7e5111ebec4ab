// Registry editor files (.reg, "Windows Registry Editor Version 5.00"): a key with everything below
// it written out before the program deletes it, and read back to restore it. The format is the one
// the platform's registry editor writes and reads, so a backup can also be restored by hand.
#pragma once

#include <windows.h>

#include <string>

// The text of a .reg file holding the key `path` under `root` in registry view `view` (0,
// KEY_WOW64_32KEY or KEY_WOW64_64KEY) with all its values and subkeys. Every value keeps its exact
// type and bytes. A registry link is written as a link, never followed. Throws win::TError when
// the key cannot be opened.
std::wstring RegFileText(HKEY root, REGSAM view, const std::wstring& path);

// Writes RegFileText to `file` as UTF-16 with a byte-order mark, the registry editor's encoding.
// Throws win::TError when the key cannot be read or the file cannot be written completely.
void ExportRegistryKey(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& file);

// Imports a .reg file (version 5.00 in UTF-16, or REGEDIT4): creates the keys, writes each value
// with its exact type, honours "[-key]" and "name"=- deletions, and recreates links. Throws
// win::TError naming the line when the file cannot be read, is not a registry file, or a key or
// value cannot be written; what came before that line stays written.
void ImportRegFile(const std::wstring& file);
void ImportRegText(const std::wstring& text);
