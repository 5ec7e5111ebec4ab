// File, text and console helpers shared by the demo machine and the sample uninstaller. They keep
// the tools independent of the product's own code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tools {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

// Full path of the running executable and the folder it lives in (no trailing backslash).
std::wstring ModulePath();
std::wstring ModuleFolder();
std::wstring FolderOf(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
std::wstring TempFolder();
std::wstring ExpandEnvironment(const std::wstring& text);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::wstring& folder);
bool WriteFileBytes(const std::wstring& path, const void* data, size_t size);
bool WriteTextFile(const std::wstring& path, std::wstring_view text);  // UTF-8, no byte-order mark
bool ReadFileBytes(const std::wstring& path, std::vector<char>& bytes);
// Appends one line (UTF-8, CR LF); several processes may append to the same file.
void AppendLine(const std::wstring& path, std::wstring_view line);
// Copies a file, creating the target folder and replacing an existing target.
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
// Deletes a folder with everything in it, keeping what keep() accepts (given the full path of a
// file or folder; a kept folder keeps all it holds). True when nothing failed.
template <class Keep>
bool DeleteTree(const std::wstring& folder, Keep keep);
bool DeleteTree(const std::wstring& folder);

// Writes to the console as UTF-16, or as UTF-8 when the output is redirected.
void Print(std::wstring_view text);
void PrintError(std::wstring_view text);

// Quotes an argument for a command line when it holds blanks or quotes.
std::wstring QuoteArg(const std::wstring& arg);

}  // namespace tools

#include "common/ToolFilesTree.inl"
