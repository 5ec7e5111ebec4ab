// Registry editor files (.reg, "Windows Registry Editor Version 5.00"): a key with everything below
// it written out before the program deletes it, and read back to restore it. The format is the one
// the platform's registry editor writes and reads, so a backup can also be restored by hand.
// Reading and writing the registry are two steps: a file is read and checked whole before any of
// it is written.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One value line: "name"=data, or "name"=-, which deletes the value.
struct TRegFileValue {
  std::wstring Name;  // empty for the key's default value
  bool Delete = false;
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
  bool operator==(const TRegFileValue&) const = default;
};

// One section: [key] with the values written into it, or [-key], which deletes the key with
// everything below it.
struct TRegSection {
  // The key as the file names it (without the "-"): a root key's name, then the path.
  std::wstring Name;
  HKEY Root = nullptr;
  std::wstring Path;  // below the root, without leading or trailing backslashes
  bool Delete = false;
  std::vector<TRegFileValue> Values;
  std::size_t Line = 0;  // where the section begins in its file

  // Whether the section makes the key a registry link (its SymbolicLinkValue names the target).
  bool IsLink() const;
};

// A registry file read and checked line by line; nothing of it written yet.
struct TRegFile {
  std::wstring Source;  // the file's name, for messages
  std::vector<TRegSection> Sections;

  // "Line <n> of <source>: " + what, the form every message about a line takes.
  std::wstring LineMessage(std::size_t line, const std::wstring& what) const;
};

// Whether a key, opened itself with REG_OPTION_OPEN_LINK, is a registry link.
bool IsRegistryLink(HKEY key);

// Splits a key's name as the registry editor writes it ("HKEY_CURRENT_USER\Software\Vendor", or
// with a short root name such as "HKCU") into its root key and the path below it. False when the
// name begins with no root key the format knows.
bool ResolveRegistryName(const std::wstring& name, HKEY& root, std::wstring& path);

// The text of a .reg file holding the key `path` under `root` in registry view `view` (0,
// KEY_WOW64_32KEY or KEY_WOW64_64KEY) with all its values and subkeys. Every value keeps its exact
// type and bytes. A registry link is written as a link, never followed. Throws win::TError when
// the key cannot be read, or holds a name the format cannot hold (a key's name with a line break,
// a name with a NUL character).
std::wstring RegFileText(HKEY root, REGSAM view, const std::wstring& path);

// Writes RegFileText to `file` as UTF-16 with a byte-order mark, the registry editor's encoding,
// then reads the file back from the disk and parses it: it must hold exactly the keys and values
// that were read. Returns the file's bytes as they are on the disk. Throws win::TError when the
// key cannot be read or the file cannot be written completely or does not read back to the same
// tree; no file is left then.
std::string ExportRegistryKey(HKEY root, REGSAM view, const std::wstring& path,
                              const std::wstring& file);

// The same for one value of the key: a file with the key's section holding that value alone.
// Throws win::TError also when the value is missing or the key is a registry link.
std::string ExportRegistryValue(HKEY root, REGSAM view, const std::wstring& path,
                                const std::wstring& name, const std::wstring& file);

// The whole content of a file. Throws win::TError naming the file when it cannot be read.
std::string ReadFileBytes(const std::wstring& file);

// Parses a .reg file's bytes (version 5.00 in UTF-16, or REGEDIT4) without writing anything.
// Throws win::TError naming the line of `source` that is not understood, or that holds what the
// file cannot have come from a registry editor with (a value cut off, a name with a NUL).
TRegFile ParseRegFile(std::string_view bytes, const std::wstring& source);
TRegFile ParseRegText(const std::wstring& text, const std::wstring& source);

// Writes the file's sections in order: creates the keys, writes each value with its exact type,
// honours "[-key]" and "name"=- deletions, and recreates links (a link already there as a link
// gets its target written again, so writing twice is the same as writing once). Throws
// win::TError naming the line whose key or value cannot be written; the sections before it stay
// written.
void WriteRegFile(const TRegFile& file);

// Parses, then writes: the text of a .reg file, or the file itself.
void ImportRegText(const std::wstring& text);
void ImportRegFile(const std::wstring& file);
