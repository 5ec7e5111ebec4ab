#include "backup/RegFile.h"

#include "inventory/UninstallItem.h"
#include "win/Error.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <vector>

namespace {

const wchar_t kHeader5[] = L"Windows Registry Editor Version 5.00";
const wchar_t kHeader4[] = L"REGEDIT4";
const wchar_t kLinkValue[] = L"SymbolicLinkValue";

struct TRootName {
  HKEY Root;
  const wchar_t* Name;
  const wchar_t* Short;
};
const TRootName kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"HKCR"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"HKCU"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"HKLM"},
    {HKEY_USERS, L"HKEY_USERS", L"HKU"},
    {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG", L"HKCC"},
};

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring TrimBackslashes(const std::wstring& path) {
  std::size_t first = path.find_first_not_of(L'\\');
  if (first == std::wstring::npos) return {};
  std::size_t last = path.find_last_not_of(L'\\');
  return path.substr(first, last - first + 1);
}

std::wstring ErrorSuffix(LONG rc) {
  std::wstring text = win::SystemErrorText(static_cast<DWORD>(rc));
  return text.empty() ? L"." : L": " + text + L".";
}

// ---- Writing ----------------------------------------------------------------------------------

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'"': out += L"\\\""; break;
      // Only names can hold these here (string data with control characters is written as hex).
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      default: out += c;
    }
  }
  return out;
}

// A string the quoted form gives back byte for byte: one terminating NUL, no other, no control
// characters.
bool IsPlainString(const std::vector<BYTE>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  std::size_t count = data.size() / 2;
  const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
  if (text[count - 1] != L'\0') return false;
  for (std::size_t i = 0; i + 1 < count; ++i)
    if (text[i] < 0x20) return false;
  return true;
}

void AppendHex(std::wstring& out, std::size_t lineLength, const std::vector<BYTE>& data) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0xF];
    lineLength += 2;
    if (i + 1 == data.size()) break;
    out += L',';
    ++lineLength;
    // The editor's own wrapping: lines of at most 80 characters, continued after a backslash.
    if (lineLength >= 76) {
      out += L"\\\r\n  ";
      lineLength = 2;
    }
  }
}

std::wstring TypeInHex(DWORD type) {
  wchar_t buffer[16];
  swprintf(buffer, 16, L"%lx", static_cast<unsigned long>(type));
  return buffer;
}

void AppendValue(std::wstring& out, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& data) {
  std::wstring line = name.empty() ? L"@=" : L"\"" + Escaped(name) + L"\"=";
  if (type == REG_SZ && IsPlainString(data)) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2 - 1);
    out += line + L"\"" + Escaped(text) + L"\"\r\n";
    return;
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD value;
    memcpy(&value, data.data(), 4);
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%08lx", static_cast<unsigned long>(value));
    out += line + L"dword:" + buffer + L"\r\n";
    return;
  }
  line += type == REG_BINARY ? std::wstring(L"hex:") : L"hex(" + TypeInHex(type) + L"):";
  out += line;
  AppendHex(out, line.size(), data);
  out += L"\r\n";
}

win::UniqueHKey OpenForExport(HKEY parent, const std::wstring& name, REGSAM view) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | view, &key);
  if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
  return win::UniqueHKey(rc == ERROR_SUCCESS ? key : nullptr);
}

// A key's name that no line of the file could give back: a line break would end the section's
// line (and what follows would be read as sections and values of its own), and no registry call
// can write a name with a NUL in it.
void RefuseUnwritableKeyName(const std::wstring& fullName) {
  if (fullName.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring::npos)
    throw win::TError(L"The registry key " + win::SingleLine(fullName) +
                      L" cannot be backed up: its name holds a line break or a NUL character, "
                      L"which a registry file cannot hold.");
}

// Reads the key's values into its section; whether it is a link (whose target is not read).
bool ReadValues(TRegSection& section, HKEY key) {
  bool isLink = false;
  std::wstring name;
  std::vector<BYTE> data;
  for (DWORD i = 0;;) {
    DWORD maxName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &maxName, &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
      throw win::TError(L"The registry key " + section.Name + L" cannot be read" + ErrorSuffix(rc));
    name.assign(maxName + 1, L'\0');
    data.assign(maxData, 0);
    DWORD nameLength = maxName + 1, size = maxData, type = 0;
    rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                       data.empty() ? nullptr : data.data(), &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) continue;  // the value grew meanwhile: ask its size again
    if (rc != ERROR_SUCCESS)
      throw win::TError(L"A value of the registry key " + section.Name + L" cannot be read" +
                        ErrorSuffix(rc));
    name.resize(nameLength);
    data.resize(size);
    if (name.find(L'\0') != std::wstring::npos)
      throw win::TError(L"A value of the registry key " + section.Name +
                        L" cannot be backed up: its name holds a NUL character, which a registry "
                        L"file cannot hold.");
    if (type == REG_LINK && SameText(name, kLinkValue)) isLink = true;
    section.Values.push_back({name, false, type, data});
    ++i;
  }
  return isLink;
}

std::vector<std::wstring> SubkeyNames(HKEY key, const std::wstring& fullName) {
  std::vector<std::wstring> names;
  std::wstring buffer(256, L'\0');
  for (DWORD i = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc = RegEnumKeyExW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS)
      throw win::TError(L"The subkeys of " + fullName + L" cannot be read" + ErrorSuffix(rc));
    names.emplace_back(buffer.data(), length);
    ++i;
  }
  return names;
}

// The key and everything below it, a section per key, each key before its subkeys. A link's
// section holds the link alone.
void ReadKey(std::vector<TRegSection>& sections, HKEY key, const std::wstring& fullName,
             REGSAM view) {
  RefuseUnwritableKeyName(fullName);
  sections.push_back({});
  sections.back().Name = fullName;
  if (ReadValues(sections.back(), key)) return;
  for (const std::wstring& name : SubkeyNames(key, fullName)) {
    std::wstring childName = fullName + L"\\" + name;
    win::UniqueHKey child = OpenForExport(key, name, view);
    if (!child)
      throw win::TError(L"The registry key " + win::SingleLine(childName) + L" cannot be read" +
                        ErrorSuffix(static_cast<LONG>(GetLastError())));
    ReadKey(sections, child.Get(), childName, view);
  }
}

std::vector<TRegSection> ReadKeySections(HKEY root, REGSAM view, const std::wstring& path) {
  std::wstring fullName = RegistryLocationText(root, view, path);
  std::wstring relative = TrimBackslashes(path);
  HKEY opened = root;
  win::UniqueHKey key;
  if (!relative.empty()) {
    key = OpenForExport(root, relative, view);
    if (!key)
      throw win::TError(L"The registry key " + win::SingleLine(fullName) + L" cannot be read" +
                        ErrorSuffix(static_cast<LONG>(GetLastError())));
    opened = key.Get();
  }
  std::vector<TRegSection> sections;
  ReadKey(sections, opened, fullName, view);
  return sections;
}

std::wstring FileText(const std::vector<TRegSection>& sections) {
  std::wstring out = std::wstring(kHeader5) + L"\r\n\r\n";
  for (const TRegSection& section : sections) {
    out += L"[" + section.Name + L"]\r\n";
    for (const TRegFileValue& value : section.Values)
      AppendValue(out, value.Name, value.Type, value.Data);
    out += L"\r\n";
  }
  return out;
}

// Whether a file read back holds exactly the sections that were written into it.
bool SameSections(const std::vector<TRegSection>& written, const std::vector<TRegSection>& read) {
  return std::equal(written.begin(), written.end(), read.begin(), read.end(),
                    [](const TRegSection& a, const TRegSection& b) {
                      return a.Name == b.Name && a.Delete == b.Delete && a.Values == b.Values;
                    });
}

void WriteBytes(const std::wstring& file, const std::string& bytes) {
  win::UniqueFile out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  bool ok = out && WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                             nullptr) &&
            written == bytes.size();
  if (ok) ok = FlushFileBuffers(out.Get()) != FALSE;
  DWORD error = GetLastError();
  if (!ok) {
    out.Reset();
    DeleteFileW(file.c_str());
    throw win::TError(L"The backup file " + file + L" cannot be written" +
                      ErrorSuffix(static_cast<LONG>(error)));
  }
}

// ---- Reading ----------------------------------------------------------------------------------

class TParser {
public:
  explicit TParser(TRegFile& file) : file_(file) {}
  void Parse(const std::wstring& text);

private:
  [[noreturn]] void Fail(const std::wstring& what) const {
    throw win::TError(file_.LineMessage(line_, what));
  }
  bool NextLine(std::wstring& line);
  void BeginSection(std::wstring line);
  TRegFileValue ParseValue(const std::wstring& line);
  static std::wstring Unescaped(const std::wstring& text, std::size_t& pos, bool& closed);
  std::vector<BYTE> ParseHex(std::wstring text);
  void RefuseNul(const std::wstring& name) const {
    if (name.find(L'\0') != std::wstring::npos) Fail(L"a name holds a NUL character.");
  }

  TRegFile& file_;
  std::vector<std::wstring> lines_;
  std::size_t next_ = 0;
  std::size_t line_ = 0;
};

bool TParser::NextLine(std::wstring& line) {
  if (next_ >= lines_.size()) return false;
  line = lines_[next_++];
  line_ = next_;
  return true;
}

void TParser::BeginSection(std::wstring line) {
  while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.pop_back();
  if (line.size() < 2 || line.back() != L']') Fail(L"the key name has no closing bracket.");
  TRegSection section;
  section.Line = line_;
  section.Name = line.substr(1, line.size() - 2);
  section.Delete = !section.Name.empty() && section.Name[0] == L'-';
  if (section.Delete) section.Name.erase(0, 1);
  RefuseNul(section.Name);
  if (!ResolveRegistryName(section.Name, section.Root, section.Path))
    Fail(L"\"" + section.Name.substr(0, section.Name.find(L'\\')) +
         L"\" is not a registry root key.");
  if (section.Delete && section.Path.empty()) Fail(L"a root key cannot be deleted.");
  file_.Sections.push_back(std::move(section));
}

// Reads a quoted text from just after its opening quote; pos ends after the closing quote.
std::wstring TParser::Unescaped(const std::wstring& text, std::size_t& pos, bool& closed) {
  std::wstring out;
  closed = false;
  while (pos < text.size()) {
    wchar_t c = text[pos++];
    if (c == L'"') {
      closed = true;
      break;
    }
    if (c == L'\\' && pos < text.size()) {
      wchar_t e = text[pos++];
      switch (e) {
        case L'n': out += L'\n'; break;
        case L'r': out += L'\r'; break;
        case L'0': out += L'\0'; break;
        default: out += e;  // \\ and \" and anything else stand for themselves
      }
      continue;
    }
    out += c;
  }
  return out;
}

std::vector<BYTE> TParser::ParseHex(std::wstring text) {
  // Continuation lines: a line ending in a backslash goes on in the next one, which the editor
  // never leaves blank. A file cut off after such a line is refused, not read as a shorter value.
  for (;;) {
    std::size_t end = text.find_last_not_of(L" \t");
    if (end == std::wstring::npos || text[end] != L'\\') break;
    text.erase(end);
    std::wstring more;
    if (!NextLine(more)) Fail(L"the file ends inside a value.");
    if (more.find_first_not_of(L" \t") == std::wstring::npos)
      Fail(L"the value breaks off at a blank line.");
    text += more;
  }
  std::vector<BYTE> bytes;
  int digits = 0, value = 0;
  bool afterComma = false;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\t') continue;
    if (c == L',') {
      if (digits == 0) Fail(L"a byte is missing in the hexadecimal data.");
      bytes.push_back(static_cast<BYTE>(value));
      digits = value = 0;
      afterComma = true;
      continue;
    }
    if (!std::iswxdigit(c) || ++digits > 2) Fail(L"the hexadecimal data is not valid.");
    value = value * 16 + (c <= L'9' ? c - L'0' : (std::towlower(c) - L'a' + 10));
    afterComma = false;
  }
  if (afterComma) Fail(L"the hexadecimal data ends in a comma: the value is cut off.");
  if (digits > 0) bytes.push_back(static_cast<BYTE>(value));
  return bytes;
}

TRegFileValue TParser::ParseValue(const std::wstring& line) {
  TRegFileValue value;
  std::size_t pos = 1;
  if (line[0] != L'@') {
    bool closed = false;
    value.Name = Unescaped(line, pos, closed);
    if (!closed) Fail(L"the value name has no closing quote.");
    RefuseNul(value.Name);
  }
  while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
  if (pos >= line.size() || line[pos] != L'=') Fail(L"\"=\" is missing after the value name.");
  ++pos;
  while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
  std::wstring data = line.substr(pos);
  if (data == L"-") {
    value.Delete = true;
    return value;
  }
  if (!data.empty() && data[0] == L'"') {
    std::size_t at = 1;
    bool closed = false;
    std::wstring text = Unescaped(data, at, closed);
    if (!closed) Fail(L"the text has no closing quote.");
    value.Type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    value.Data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    return value;
  }
  if (data.compare(0, 6, L"dword:") == 0) {
    std::wstring digits = data.substr(6);
    while (!digits.empty() && (digits.back() == L' ' || digits.back() == L'\t')) digits.pop_back();
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
      Fail(L"the number is not valid.");
    DWORD number = static_cast<DWORD>(std::wcstoul(digits.c_str(), nullptr, 16));
    value.Type = REG_DWORD;
    value.Data.resize(4);
    memcpy(value.Data.data(), &number, 4);
    return value;
  }
  if (data.compare(0, 4, L"hex:") == 0) {
    value.Type = REG_BINARY;
    value.Data = ParseHex(data.substr(4));
    return value;
  }
  if (data.compare(0, 4, L"hex(") == 0) {
    std::size_t close = data.find(L"):", 4);
    std::wstring type = close == std::wstring::npos ? std::wstring() : data.substr(4, close - 4);
    if (type.empty() || type.size() > 8 ||
        type.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
      Fail(L"the value type is not valid.");
    value.Type = static_cast<DWORD>(std::wcstoul(type.c_str(), nullptr, 16));
    value.Data = ParseHex(data.substr(close + 2));
    return value;
  }
  Fail(L"the value's data is not understood.");
}

void TParser::Parse(const std::wstring& text) {
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines_.push_back(std::move(line));
    start = end + 1;
  }
  std::wstring line;
  bool header = false;
  while (NextLine(line)) {
    std::size_t first = line.find_first_not_of(L" \t");
    if (first == std::wstring::npos) continue;
    line.erase(0, first);
    if (!header) {
      while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.pop_back();
      if (line != kHeader5 && line != kHeader4) Fail(L"this is not a registry file.");
      header = true;
      continue;
    }
    if (line[0] == L';') continue;
    if (line[0] == L'[') {
      BeginSection(line);
    } else if (line[0] == L'@' || line[0] == L'"') {
      if (file_.Sections.empty() || file_.Sections.back().Delete)
        Fail(L"a value stands outside a key.");
      file_.Sections.back().Values.push_back(ParseValue(line));
    } else {
      Fail(L"the line is not understood.");
    }
  }
  if (!header) throw win::TError(file_.Source + L" is not a registry file.");
}

// ---- Writing into the registry ----------------------------------------------------------------

// The key a section writes into, created when missing. A link comes back as a link; one that is
// there already (written by an earlier restore) is opened itself, never followed.
win::UniqueHKey CreateSectionKey(const TRegFile& file, const TRegSection& section) {
  auto fail = [&](const std::wstring& what) {
    throw win::TError(file.LineMessage(section.Line, what));
  };
  HKEY created = nullptr;
  LONG rc;
  if (section.IsLink()) {
    if (section.Path.empty()) fail(L"a root key cannot be a link.");
    rc = RegOpenKeyExW(section.Root, section.Path.c_str(), REG_OPTION_OPEN_LINK,
                       KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &created);
    if (rc == ERROR_SUCCESS) {
      win::UniqueHKey key(created);
      if (!IsRegistryLink(key.Get()))
        fail(L"a key that is not a link stands where the link belongs.");
      return key;
    }
    rc = RegCreateKeyExW(section.Root, section.Path.c_str(), 0, nullptr,
                         REG_OPTION_NON_VOLATILE | REG_OPTION_CREATE_LINK,
                         KEY_ALL_ACCESS | KEY_CREATE_LINK | KEY_WOW64_64KEY, nullptr, &created,
                         nullptr);
  } else {
    rc = RegCreateKeyExW(section.Root, section.Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &created, nullptr);
  }
  if (rc != ERROR_SUCCESS) fail(L"the key cannot be created" + ErrorSuffix(rc));
  return win::UniqueHKey(created);
}

std::string ExportSections(const std::vector<TRegSection>& sections, const std::wstring& file) {
  std::wstring text = FileText(sections);
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  WriteBytes(file, bytes);
  // What a restore will read is what is on the disk: it must give back the very tree just read.
  std::string stored;
  bool same = false;
  try {
    stored = ReadFileBytes(file);
    same = stored == bytes && SameSections(sections, ParseRegFile(stored, file).Sections);
  } catch (const win::TError&) {
  }
  if (!same) {
    DeleteFileW(file.c_str());
    throw win::TError(L"The backup file " + file + L" does not read back to the registry key " +
                      win::SingleLine(sections.front().Name) + L".");
  }
  return stored;
}

}  // namespace

bool TRegSection::IsLink() const {
  if (Delete) return false;
  for (const TRegFileValue& value : Values)
    if (!value.Delete && value.Type == REG_LINK && SameText(value.Name, kLinkValue)) return true;
  return false;
}

bool IsRegistryLink(HKEY key) {
  DWORD type = 0;
  return RegQueryValueExW(key, kLinkValue, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}

std::wstring TRegFile::LineMessage(std::size_t line, const std::wstring& what) const {
  return L"Line " + std::to_wstring(line) + L" of " + Source + L": " + what;
}

bool ResolveRegistryName(const std::wstring& name, HKEY& root, std::wstring& path) {
  std::size_t slash = name.find(L'\\');
  std::wstring rootName = name.substr(0, slash);
  for (const TRootName& known : kRoots)
    if (SameText(rootName, known.Name) || SameText(rootName, known.Short)) {
      root = known.Root;
      path = slash == std::wstring::npos ? std::wstring() : TrimBackslashes(name.substr(slash + 1));
      return true;
    }
  return false;
}

std::wstring RegFileText(HKEY root, REGSAM view, const std::wstring& path) {
  return FileText(ReadKeySections(root, view, path));
}

std::string ExportRegistryKey(HKEY root, REGSAM view, const std::wstring& path,
                              const std::wstring& file) {
  return ExportSections(ReadKeySections(root, view, path), file);
}

std::string ExportRegistryValue(HKEY root, REGSAM view, const std::wstring& path,
                                const std::wstring& name, const std::wstring& file) {
  std::vector<TRegSection> sections(1);
  sections[0].Name = RegistryLocationText(root, view, path);
  const std::wstring shown =
      win::SingleLine(sections[0].Name) + L" \"" + win::SingleLine(name) + L"\"";
  RefuseUnwritableKeyName(sections[0].Name);
  win::UniqueHKey key = OpenForExport(root, TrimBackslashes(path), view);
  LONG rc = key ? ERROR_SUCCESS : static_cast<LONG>(GetLastError());
  if (key && IsRegistryLink(key.Get()))
    throw win::TError(L"The registry value " + shown + L" cannot be backed up: its key is a "
                      L"registry link.");
  DWORD type = 0, size = 0;
  std::vector<BYTE> data;
  if (rc == ERROR_SUCCESS)
    rc = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    // A value that grows between the two questions fails with ERROR_MORE_DATA and stays.
    data.assign(size, 0);
    rc = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                          data.empty() ? nullptr : data.data(), &size);
    data.resize(size);
  }
  if (rc != ERROR_SUCCESS)
    throw win::TError(L"The registry value " + shown + L" cannot be read" + ErrorSuffix(rc));
  sections[0].Values.push_back({name, false, type, data});
  return ExportSections(sections, file);
}

std::string ReadFileBytes(const std::wstring& file) {
  win::UniqueFile in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!in || !GetFileSizeEx(in.Get(), &size))
    throw win::TError(L"The file " + file + L" cannot be read" +
                      ErrorSuffix(static_cast<LONG>(GetLastError())));
  if (size.QuadPart > (256LL << 20))
    throw win::TError(L"The file " + file + L" cannot be read: it is too large.");
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    throw win::TError(L"The file " + file + L" cannot be read" +
                      ErrorSuffix(static_cast<LONG>(GetLastError())));
  return bytes;
}

TRegFile ParseRegFile(std::string_view bytes, const std::wstring& source) {
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE) {
    text.assign((bytes.size() - 2) / 2, L'\0');
    memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
  } else {
    std::string_view body(bytes);
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    if (!win::TryFromUtf8(body, text)) text = win::FromAnsi(body);
  }
  return ParseRegText(text, source);
}

TRegFile ParseRegText(const std::wstring& text, const std::wstring& source) {
  TRegFile file;
  file.Source = source;
  TParser(file).Parse(text);
  return file;
}

void WriteRegFile(const TRegFile& file) {
  for (const TRegSection& section : file.Sections) {
    if (section.Delete) {
      win::DeleteRegistryTree(section.Root, section.Path, KEY_WOW64_64KEY);
      continue;
    }
    win::UniqueHKey key = CreateSectionKey(file, section);
    for (const TRegFileValue& value : section.Values) {
      LONG rc = value.Delete ? RegDeleteValueW(key.Get(), value.Name.c_str())
                             : RegSetValueExW(key.Get(), value.Name.c_str(), 0, value.Type,
                                              value.Data.empty() ? nullptr : value.Data.data(),
                                              static_cast<DWORD>(value.Data.size()));
      if (rc != ERROR_SUCCESS && !(value.Delete && rc == ERROR_FILE_NOT_FOUND))
        throw win::TError(file.LineMessage(section.Line, L"the value \"" + value.Name +
                                                             L"\" cannot be written" +
                                                             ErrorSuffix(rc)));
    }
  }
}

void ImportRegText(const std::wstring& text) {
  WriteRegFile(ParseRegText(text, L"the registry file"));
}

void ImportRegFile(const std::wstring& file) {
  WriteRegFile(ParseRegFile(ReadFileBytes(file), file));
}
