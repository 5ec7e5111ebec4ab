// Registry backups: a key written out as a registry editor file and read back must come back
// value by value and type by type, through our own reader and through the platform's editor.
#include "backup/RegFile.h"

#include "../uninstall/UninstallTestSupport.h"
#include "inventory/Utils.h"
#include "win/Error.h"
#include "win/RegistryTree.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

using namespace testing_support;

namespace {

// Every key below a key, by relative path, with every value's type and bytes.
using TValues = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
using TSnapshot = std::map<std::wstring, TValues>;

void Snap(HKEY key, const std::wstring& relative, REGSAM view, TSnapshot& out) {
  TValues& values = out[relative];
  for (DWORD i = 0;; ++i) {
    wchar_t name[1024];
    BYTE data[16384];
    DWORD nameLength = 1024, size = sizeof data, type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    values[std::wstring(name, nameLength)] = {type, std::vector<BYTE>(data, data + size)};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY child = nullptr;
    ASSERT_EQ(RegOpenKeyExW(key, name, REG_OPTION_OPEN_LINK, KEY_READ | view, &child), ERROR_SUCCESS);
    win::UniqueHKey owned(child);
    Snap(child, relative + L"\\" + name, view, out);
  }
}

TSnapshot Snapshot(HKEY root, const std::wstring& path, REGSAM view = 0) {
  TSnapshot out;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return out;
  win::UniqueHKey owned(key);
  Snap(key, L"", view, out);
  return out;
}

// The keys and values in which two snapshots differ, for a readable failure.
std::wstring Differences(const TSnapshot& expected, const TSnapshot& actual) {
  std::wstring out;
  for (const auto& [key, values] : expected) {
    auto found = actual.find(key);
    if (found == actual.end()) {
      out += L"missing key " + key + L"; ";
      continue;
    }
    for (const auto& [name, value] : values) {
      auto other = found->second.find(name);
      if (other == found->second.end())
        out += L"missing " + key + L":" + name + L"; ";
      else if (other->second != value)
        out += L"changed " + key + L":" + name + L" (type " + std::to_wstring(value.first) +
               L" -> " + std::to_wstring(other->second.first) + L", " +
               std::to_wstring(value.second.size()) + L" -> " +
               std::to_wstring(other->second.second.size()) + L" bytes); ";
    }
    for (const auto& [name, value] : found->second)
      if (!values.count(name)) out += L"extra " + key + L":" + name + L"; ";
  }
  for (const auto& [key, values] : actual)
    if (!expected.count(key)) out += L"extra key " + key + L"; ";
  return out;
}

void Set(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
         const void* data, DWORD size, REGSAM view = 0) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  win::UniqueHKey owned(key);
  ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
}

void SetText(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
             const std::wstring& text, bool terminated = true) {
  Set(root, path, name, type, text.c_str(),
      static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t)));
}

// A tree holding every kind of value the registry editor distinguishes, and the names and data
// that are hard to write out.
void FillEveryKind(HKEY root, const std::wstring& path) {
  SetText(root, path, L"", REG_SZ, L"default");
  SetText(root, path, L"Quote \"and\" back\\slash = \\\\", REG_SZ, L"C:\\Program Files\\\"x\"\\");
  SetText(root, path, L"Имя 名前 😀", REG_SZ, L"Значение 値 😀");
  SetText(root, path, L"Lines", REG_SZ, L"one\r\ntwo\tthree");
  SetText(root, path, L"Unterminated", REG_SZ, L"abc", false);
  SetText(root, path, L"Empty", REG_SZ, L"");
  Set(root, path, L"Odd", REG_SZ, "abc", 3);
  SetText(root, path, L"Expand", REG_EXPAND_SZ, L"%ProgramFiles%\\Вендор");
  std::wstring multi(L"one\0two\0третий\0\0", 17);
  Set(root, path, L"Multi", REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size() * 2));
  std::vector<BYTE> blob(700);
  for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<BYTE>(i * 7);
  Set(root, path, L"Long binary", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
  Set(root, path, L"Empty binary", REG_BINARY, nullptr, 0);
  DWORD number = 0xDEADBEEF;
  Set(root, path, L"Dword", REG_DWORD, &number, 4);
  Set(root, path, L"Short dword", REG_DWORD, &number, 3);
  DWORD bigEndian = 0x01020304;
  Set(root, path, L"Big endian", REG_DWORD_BIG_ENDIAN, &bigEndian, 4);
  ULONGLONG quad = 0x0123456789ABCDEFull;
  Set(root, path, L"Qword", REG_QWORD, &quad, 8);
  Set(root, path, L"None", REG_NONE, "\x01\x02", 2);
  Set(root, path, L"Own type", 0x12345, "xyz", 3);
  std::wstring deep = path;
  for (int level = 0; level < 24; ++level) {
    deep += L"\\Level " + std::to_wstring(level) + (level % 3 == 0 ? L" ключ" : L"");
    SetText(root, deep, L"depth", REG_SZ, std::to_wstring(level));
  }
  SetText(root, path + L"\\Empty key\\Leaf", L"", REG_SZ, L"");
}

int RunRegedit(const std::wstring& arguments) {
  return TUtils::RunAndWait(L"regedit.exe " + arguments, SW_HIDE);
}

TEST(RegFile, EveryValueComesBackExactlyThroughOurReaderAndThePlatformEditor) {
  TTestKey key;
  TTempDir dir;
  const std::wstring path = key.Path() + L"\\Vendor Ünïcödé";
  FillEveryKind(HKEY_CURRENT_USER, path);
  TSnapshot before = Snapshot(HKEY_CURRENT_USER, path);
  ASSERT_GT(before.size(), 24u);

  std::wstring file = dir.Path() + L"backup.reg";
  ExportRegistryKey(HKEY_CURRENT_USER, 0, path, file);
  std::string bytes = ReadBytes(file);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::wstring text = RegFileText(HKEY_CURRENT_USER, 0, path);
  EXPECT_EQ(text.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\", 0), 0u);
  EXPECT_NE(text.find(L"\"Dword\"=dword:deadbeef\r\n"), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"\"Expand\"=hex(2):25,00,"), std::wstring::npos);
  EXPECT_NE(text.find(L"\"Qword\"=hex(b):ef,cd,ab,89,67,45,23,01\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"\"Own type\"=hex(12345):78,79,7a\r\n"), std::wstring::npos);
  for (std::size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos;
       start = end + 2) {
    if (text.compare(start, 2, L"  ") == 0 || text.find(L"=hex", start) < end) {
      ASSERT_LE(end - start, 80u) << text.substr(start, end - start);
    }
  }

  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, path));
  ImportRegFile(file);
  EXPECT_EQ(Differences(before, Snapshot(HKEY_CURRENT_USER, path)), L"");

  // The platform's own editor reads the same file back to the same values. Wine's editor pads a
  // string value of an odd number of bytes with a terminator, so that one is left out here.
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, path));
  ASSERT_EQ(RunRegedit(L"/s \"" + file + L"\""), 0);
  TSnapshot afterEditor = Snapshot(HKEY_CURRENT_USER, path);
  before[L""].erase(L"Odd");
  afterEditor[L""].erase(L"Odd");
  EXPECT_EQ(Differences(before, afterEditor), L"");
}

TEST(RegFile, AKeyOfThe32BitViewIsNamedAsTheEditorShowsItAndComesBackThere) {
  const std::wstring path =
      L"Software\\PurgalotBackupTest" + std::to_wstring(GetCurrentProcessId());
  SetText(HKEY_LOCAL_MACHINE, path + L"\\Sub", L"Name", REG_SZ, L"32-bit");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (path + L"\\Sub").c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  win::UniqueHKey owned(key);
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(key, L"Bits", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_SUCCESS);
  owned.Reset();
  struct TCleanUp {
    std::wstring Path;
    ~TCleanUp() {
      win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, Path, KEY_WOW64_32KEY);
      win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, Path, KEY_WOW64_64KEY);
    }
  } cleanUp{path};

  std::wstring text = RegFileText(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, path);
  EXPECT_NE(text.find(L"[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\PurgalotBackupTest"),
            std::wstring::npos)
      << text;
  EXPECT_EQ(text.find(L"32-bit"), std::wstring::npos) << "the 64-bit key was written";
  TSnapshot before = Snapshot(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
  ImportRegText(text);
  EXPECT_EQ(Differences(before, Snapshot(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY)), L"");
  EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY).at(L"\\Sub").count(L"Bits"), 0u);
}

TEST(RegFile, ALinkIsRestoredAsALinkAgainAndAgainButNeverCutOffAndItsTargetIsNotWritten) {
  TTestKey key;
  SetText(HKEY_CURRENT_USER, key.Path() + L"\\Target", L"Secret", REG_SZ, L"not in the backup");
  SetText(HKEY_CURRENT_USER, key.Path() + L"\\App\\Data", L"Keep", REG_SZ, L"yes");
  key.AddLink(L"App\\Shortcut", L"Target");
  const std::wstring app = key.Path() + L"\\App";

  std::wstring text = RegFileText(HKEY_CURRENT_USER, 0, app);
  EXPECT_EQ(text.find(L"not in the backup"), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"\"SymbolicLinkValue\"=hex(6):"), std::wstring::npos) << text;
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, app));
  // Cut off at the end of one of the link value's lines, the file would name a shorter target:
  // it is refused, and nothing of it is written.
  const std::size_t cut = text.find(L"\\\r\n", text.find(L"\"SymbolicLinkValue\""));
  ASSERT_NE(cut, std::wstring::npos) << text;
  for (const std::wstring& part : {text.substr(0, cut + 3), text.substr(0, cut + 1)})
    EXPECT_THROW(ImportRegText(part), win::TError);
  EXPECT_FALSE(key.Exists(L"App"));
  ImportRegText(text);
  ImportRegText(text);  // onto the link the first import made

  HKEY link = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (app + L"\\Shortcut").c_str(), 0, KEY_READ, &link),
            ERROR_SUCCESS);
  win::UniqueHKey owned(link);
  wchar_t value[64];
  DWORD size = sizeof value;
  ASSERT_EQ(RegQueryValueExW(link, L"Secret", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                             &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"not in the backup");
  EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, app).at(L"\\Data").at(L"Keep").first, DWORD{REG_SZ});
}

TEST(RegFile, FailuresAreReportedAndLeaveNothingHalfWritten) {
  TTestKey key;
  TTempDir dir;
  EXPECT_THROW(RegFileText(HKEY_CURRENT_USER, 0, key.Path() + L"\\Missing"), win::TError);
  SetText(HKEY_CURRENT_USER, key.Path() + L"\\App", L"A", REG_SZ, L"a");
  std::wstring unwritable = dir.Path() + L"no such folder\\backup.reg";
  EXPECT_THROW(ExportRegistryKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\App", unwritable),
               win::TError);
  EXPECT_FALSE(TUtils::FileExists(unwritable));

  std::wstring message;
  try {
    ImportRegText(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                  key.Path() + L"\\Good]\r\n\"A\"=dword:00000001\r\n\r\n[HKEY_CURRENT_USER\\" +
                  key.Path() + L"\\Bad]\r\n\"B\"=hex:01,zz\r\n");
  } catch (const win::TError& error) {
    message = error.Message();
  }
  EXPECT_EQ(message.rfind(L"Line 7 of ", 0), 0u) << message;
  EXPECT_FALSE(key.Exists(L"Good"));
  EXPECT_FALSE(key.Exists(L"Bad"));
  EXPECT_THROW(ImportRegText(L"just some text\r\n"), win::TError);
  EXPECT_THROW(ImportRegFile(dir.Path() + L"missing.reg"), win::TError);
}

}  // namespace
