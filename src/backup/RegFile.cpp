#include "backup/RegFile.h"

#include "inventory/UninstallItem.h"
#include "win/Error.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

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

// Writes the key's section; whether it is a link (whose target is not written).
bool AppendValues(std::wstring& out, HKEY key, const std::wstring& fullName) {
  out += L"[" + fullName + L"]\r\n";
  bool isLink = false;
  std::wstring name;
  std::vector<BYTE> data;
  for (DWORD i = 0;;) {
    DWORD maxName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &maxName, &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
      throw win::TError(L"The registry key " + fullName + L" cannot be read" + ErrorSuffix(rc));
    name.assign(maxName + 1, L'\0');
    data.assign(maxData, 0);
    DWORD nameLength = maxName + 1, size = maxData, type = 0;
    rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                       data.empty() ? nullptr : data.data(), &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) continue;  // the value grew meanwhile: ask its size again
    if (rc != ERROR_SUCCESS)
      throw win::TError(L"A value of the registry key " + fullName + L" cannot be read" +
                        ErrorSuffix(rc));
    name.resize(nameLength);
    data.resize(size);
    if (type == REG_LINK && SameText(name, kLinkValue)) isLink = true;
    AppendValue(out, name, type, data);
    ++i;
  }
  out += L"\r\n";
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

void AppendKey(std::wstring& out, HKEY key, const std::wstring& fullName, REGSAM view) {
  if (AppendValues(out, key, fullName)) return;
  for (const std::wstring& name : SubkeyNames(key, fullName)) {
    std::wstring childName = fullName + L"\\" + name;
    win::UniqueHKey child = OpenForExport(key, name, view);
    if (!child)
      throw win::TError(L"The registry key " + childName + L" cannot be read" +
                        ErrorSuffix(static_cast<LONG>(GetLastError())));
    AppendKey(out, child.Get(), childName, view);
  }
}

// ---- Reading ----------------------------------------------------------------------------------

class TReader {
public:
  explicit TReader(const std::wstring& source) : source_(source) {}
  void Import(const std::wstring& text);

private:
  struct TValue {
    std::wstring Name;
    bool Delete = false;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
  };

  [[noreturn]] void Fail(const std::wstring& what) const {
    throw win::TError(L"Line " + std::to_wstring(line_) + L" of " + source_ + L": " + what);
  }
  bool NextLine(std::wstring& line);
  void BeginKey(const std::wstring& line);
  void FlushKey();
  TValue ParseValue(std::wstring line);
  static std::wstring Unescaped(const std::wstring& text, std::size_t& pos, bool& closed);
  std::vector<BYTE> ParseHex(std::wstring text);
  void Resolve(const std::wstring& name, HKEY& root, std::wstring& path) const;

  std::wstring source_;
  std::vector<std::wstring> lines_;
  std::size_t next_ = 0;
  std::size_t line_ = 0;
  bool haveKey_ = false;
  std::size_t keyLine_ = 0;
  HKEY keyRoot_ = nullptr;
  std::wstring keyPath_;
  std::vector<TValue> values_;
};

bool TReader::NextLine(std::wstring& line) {
  if (next_ >= lines_.size()) return false;
  line = lines_[next_++];
  line_ = next_;
  return true;
}

void TReader::Resolve(const std::wstring& name, HKEY& root, std::wstring& path) const {
  std::size_t slash = name.find(L'\\');
  std::wstring rootName = name.substr(0, slash);
  for (const TRootName& known : kRoots)
    if (SameText(rootName, known.Name) || SameText(rootName, known.Short)) {
      root = known.Root;
      path = slash == std::wstring::npos ? std::wstring() : TrimBackslashes(name.substr(slash + 1));
      return;
    }
  Fail(L"\"" + rootName + L"\" is not a registry root key.");
}

void TReader::BeginKey(const std::wstring& line) {
  FlushKey();
  std::size_t close = line.rfind(L']');
  if (close == std::wstring::npos || close < 1) Fail(L"the key name has no closing bracket.");
  std::wstring name = line.substr(1, close - 1);
  bool remove = !name.empty() && name[0] == L'-';
  if (remove) name.erase(0, 1);
  HKEY root = nullptr;
  std::wstring path;
  Resolve(name, root, path);
  if (remove) {
    if (path.empty()) Fail(L"a root key cannot be deleted.");
    win::DeleteRegistryTree(root, path, KEY_WOW64_64KEY);
    return;
  }
  haveKey_ = true;
  keyLine_ = line_;
  keyRoot_ = root;
  keyPath_ = path;
}

void TReader::FlushKey() {
  if (!haveKey_) return;
  haveKey_ = false;
  std::size_t here = line_;
  line_ = keyLine_;
  bool link = false;
  for (const TValue& value : values_)
    if (!value.Delete && value.Type == REG_LINK && SameText(value.Name, kLinkValue)) link = true;
  HKEY created = nullptr;
  LONG rc;
  if (link) {
    // A link comes back as a link: its one value names where it points.
    if (keyPath_.empty()) Fail(L"a root key cannot be a link.");
    rc = RegCreateKeyExW(keyRoot_, keyPath_.c_str(), 0, nullptr,
                         REG_OPTION_NON_VOLATILE | REG_OPTION_CREATE_LINK,
                         KEY_ALL_ACCESS | KEY_CREATE_LINK | KEY_WOW64_64KEY, nullptr, &created,
                         nullptr);
  } else {
    rc = RegCreateKeyExW(keyRoot_, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &created, nullptr);
  }
  if (rc != ERROR_SUCCESS) Fail(L"the key cannot be created" + ErrorSuffix(rc));
  win::UniqueHKey key(created);
  for (const TValue& value : values_) {
    rc = value.Delete ? RegDeleteValueW(key.Get(), value.Name.c_str())
                      : RegSetValueExW(key.Get(), value.Name.c_str(), 0, value.Type,
                                       value.Data.empty() ? nullptr : value.Data.data(),
                                       static_cast<DWORD>(value.Data.size()));
    if (rc != ERROR_SUCCESS && !(value.Delete && rc == ERROR_FILE_NOT_FOUND))
      Fail(L"the value \"" + value.Name + L"\" cannot be written" + ErrorSuffix(rc));
  }
  values_.clear();
  line_ = here;
}

// Reads a quoted text from just after its opening quote; pos ends after the closing quote.
std::wstring TReader::Unescaped(const std::wstring& text, std::size_t& pos, bool& closed) {
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

std::vector<BYTE> TReader::ParseHex(std::wstring text) {
  // Continuation lines: a line ending in a backslash goes on in the next one.
  for (;;) {
    std::size_t end = text.find_last_not_of(L" \t");
    if (end == std::wstring::npos || text[end] != L'\\') break;
    text.erase(end);
    std::wstring more;
    if (!NextLine(more)) Fail(L"the file ends inside a value.");
    text += more;
  }
  std::vector<BYTE> bytes;
  int digits = 0, value = 0;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\t') continue;
    if (c == L',') {
      if (digits == 0) Fail(L"a byte is missing in the hexadecimal data.");
      bytes.push_back(static_cast<BYTE>(value));
      digits = value = 0;
      continue;
    }
    if (!std::iswxdigit(c) || ++digits > 2) Fail(L"the hexadecimal data is not valid.");
    value = value * 16 + (c <= L'9' ? c - L'0' : (std::towlower(c) - L'a' + 10));
  }
  if (digits > 0) bytes.push_back(static_cast<BYTE>(value));
  return bytes;
}

TReader::TValue TReader::ParseValue(std::wstring line) {
  TValue value;
  std::size_t pos = 0;
  if (line[0] == L'@') {
    pos = 1;
  } else {
    pos = 1;
    bool closed = false;
    value.Name = Unescaped(line, pos, closed);
    if (!closed) Fail(L"the value name has no closing quote.");
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

void TReader::Import(const std::wstring& text) {
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
      BeginKey(line);
    } else if (line[0] == L'@' || line[0] == L'"') {
      if (!haveKey_) Fail(L"a value stands before any key.");
      values_.push_back(ParseValue(line));
    } else {
      Fail(L"the line is not understood.");
    }
  }
  if (!header) throw win::TError(source_ + L" is not a registry file.");
  FlushKey();
}

}  // namespace

std::wstring RegFileText(HKEY root, REGSAM view, const std::wstring& path) {
  std::wstring fullName = RegistryLocationText(root, view, path);
  std::wstring relative = TrimBackslashes(path);
  HKEY opened = root;
  win::UniqueHKey key;
  if (!relative.empty()) {
    key = OpenForExport(root, relative, view);
    if (!key)
      throw win::TError(L"The registry key " + fullName + L" cannot be read" +
                        ErrorSuffix(static_cast<LONG>(GetLastError())));
    opened = key.Get();
  }
  std::wstring out = std::wstring(kHeader5) + L"\r\n\r\n";
  AppendKey(out, opened, fullName, view);
  return out;
}

void ExportRegistryKey(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& file) {
  std::wstring text = RegFileText(root, view, path);
  std::vector<BYTE> bytes = {0xFF, 0xFE};
  const BYTE* raw = reinterpret_cast<const BYTE*>(text.data());
  bytes.insert(bytes.end(), raw, raw + text.size() * sizeof(wchar_t));
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
    std::wstring reason = win::SystemErrorText(error);
    throw win::TError(L"The backup file " + file + L" cannot be written" +
                      (reason.empty() ? L"." : L": " + reason + L"."));
  }
}

void ImportRegText(const std::wstring& text) { TReader(L"the registry file").Import(text); }

void ImportRegFile(const std::wstring& file) {
  win::UniqueFile in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in)
    throw win::TError(L"The registry file " + file + L" cannot be opened: " +
                      win::SystemErrorText(GetLastError()) + L".");
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(in.Get(), &size) || size.QuadPart > (256LL << 20))
    throw win::TError(L"The registry file " + file + L" cannot be read.");
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    throw win::TError(L"The registry file " + file + L" cannot be read.");
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE) {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  } else {
    std::string_view body(bytes);
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    if (!win::TryFromUtf8(body, text)) {
      int length = MultiByteToWideChar(CP_ACP, 0, body.data(), static_cast<int>(body.size()),
                                       nullptr, 0);
      text.assign(static_cast<std::size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, 0, body.data(), static_cast<int>(body.size()), text.data(), length);
    }
  }
  TReader(file).Import(text);
}
