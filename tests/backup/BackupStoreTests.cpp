// An action's backup folder: what it saved, how it is listed, and bringing its keys back only as
// they were saved and only where they were.
#include "backup/BackupStore.h"

#include "../uninstall/UninstallTestSupport.h"
#include "assisted/ProtectedPlaces.h"
#include "win/Error.h"
#include "win/RegistryTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <tuple>

using namespace testing_support;

namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                   nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr));
}

std::wstring FromUtf16File(const std::string& bytes) {
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

std::string ToUtf16File(const std::wstring& text) {
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// The names and text values of a key, "name=value" separated by "; "; "<missing>" without it.
std::wstring ValuesOf(HKEY root, const std::wstring& path) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(L"\\" + path)) return L"<missing>";
  std::vector<std::wstring> names = reg.GetValueNames();
  std::sort(names.begin(), names.end());
  std::wstring text;
  for (const std::wstring& name : names)
    text += (text.empty() ? L"" : L"; ") + name + L"=" + reg.ReadString(name);
  return text;
}

TEST(BackupStore, AnActionsKeysAreListedNewestFirstAndRestoredExactly) {
  TTestKey key;
  TTempDir dir;
  key.SetString(L"Vendor\\Tool", L"Path", L"C:\\Tools\\Tool");
  key.SetDword(L"Vendor\\Tool\\Settings", L"Level", 7);
  key.SetString(L"Uninstall\\Tool", L"DisplayName", L"Tool | 名前");
  const std::wstring root = dir.Path() + L"Backups";

  TBackup first(root, L"Assisted Uninstall", L"Tool\r\nOther");
  first.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Tool");
  first.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Uninstall\\Tool");
  first.NoteFile(kBackupRecycled, L"C:\\Program Files\\Tool");
  TBackup second(root, L"Delete From List", L"Tool | 名前");
  EXPECT_NE(first.Folder(), second.Folder());
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"));
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Uninstall\\Tool"));

  std::vector<TBackupAction> actions = ListBackups(root);
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0].Action, L"Delete From List");
  EXPECT_EQ(actions[0].Subject, L"Tool | 名前");
  EXPECT_TRUE(actions[0].Items.empty());
  const TBackupAction& saved = actions[1];
  EXPECT_EQ(saved.Folder, first.Folder());
  EXPECT_EQ(saved.Subject, L"Tool  Other");
  EXPECT_EQ(saved.Time.size(), 19u);
  using TNamed = std::tuple<std::wstring, std::wstring, std::wstring>;
  std::vector<TNamed> items;
  for (const TBackupItem& item : saved.Items) {
    items.emplace_back(item.Kind, item.Path, item.File);
    if (!item.File.empty()) {
      EXPECT_EQ(item.Size, ReadBytes(saved.Folder + item.File).size());
    }
  }
  EXPECT_EQ(items, (std::vector<TNamed>{
                       {kBackupRegistry, L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Vendor\\Tool",
                        L"key 1.reg"},
                       {kBackupRegistry, L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Uninstall\\Tool",
                        L"key 2.reg"},
                       {kBackupRecycled, L"C:\\Program Files\\Tool", L""}}));
  EXPECT_EQ(saved.Restored, L"");
  EXPECT_EQ(saved.Damage, L"");

  RestoreRegistry(saved, IsProtectedKey);
  EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Uninstall\\Tool"),
            L"DisplayName=Tool | 名前");
  EXPECT_TRUE(key.Exists(L"Vendor\\Tool\\Settings"));
  MarkRestored(saved);
  ASSERT_TRUE(ReadBackup(saved.Folder, actions[1]));
  EXPECT_EQ(actions[1].Restored.size(), 19u);
  EXPECT_EQ(actions[1].Items, saved.Items);
}

TEST(BackupStore, AKeyThatCannotBeSavedIsReportedAndNotRecorded) {
  TTestKey key;
  TTempDir dir;
  TBackup backup(dir.Path() + L"Backups", L"Clean-Up", L"Gone");
  EXPECT_THROW(backup.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Missing"), win::TError);
  // A name with a line break would end its section's line: what follows in the name would be
  // read back as sections and values of its own, and a restore would plant them.
  const std::wstring planted = key.Path() + L"\\Planted";
  key.SetString(L"Tool\\x]\r\n\r\n[HKEY_CURRENT_USER\\" + planted, L"Command", L"calc.exe");
  std::wstring message;
  try {
    backup.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Tool");
  } catch (const win::TError& e) {
    message = e.Message();
  }
  EXPECT_NE(message.find(L"its name holds a line break"), std::wstring::npos) << message;
  EXPECT_EQ(GetFileAttributesW((backup.Folder() + L"key 1.reg").c_str()), INVALID_FILE_ATTRIBUTES);
  TBackupAction read;
  ASSERT_TRUE(ReadBackup(backup.Folder(), read));
  EXPECT_TRUE(read.Items.empty());
  // A folder that is not a backup is not listed; a backup folder that cannot be made is an error.
  dir.MakeFile(L"Backups\\stray\\manifest.txt", "something else\r\n");
  EXPECT_EQ(ListBackups(dir.Path() + L"Backups").size(), 1u);
  std::wstring file = dir.MakeFile(L"plain file");
  EXPECT_THROW(TBackup(file, L"Clean-Up", L"x"), win::TError);
  EXPECT_THROW(ListBackups(file), win::TError);
}

// A backup that was changed after it was saved, or that names what it never saved, is refused
// whole: the message names the file and line, and not even the sound file before it is written.
TEST(BackupStore, AChangedOrOverreachingBackupIsRefusedWholeAndWritesNothing) {
  TTestKey key;
  TTempDir dir;
  const std::wstring user = L"HKEY_CURRENT_USER\\" + key.Path();
  key.SetString(L"Vendor\\Other", L"Keep", L"other");
  key.SetString(L"Vendor\\Tool", L"Path", L"C:\\Tools\\Tool");
  key.AddLink(L"Vendor\\Tool\\Shortcut", L"Canary");
  key.SetString(L"Canary", L"Alive", L"yes");
  TBackup backup(dir.Path() + L"Backups", L"Assisted Uninstall", L"Tool");
  backup.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Other");
  backup.SaveKey(HKEY_CURRENT_USER, 0, key.Path() + L"\\Vendor\\Tool");
  ASSERT_TRUE(win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor"));
  const std::wstring manifestFile = backup.Folder() + L"manifest.txt";
  const std::wstring toolFile = backup.Folder() + L"key 2.reg";
  const std::string manifest = ReadBytes(manifestFile);
  const std::string toolBytes = ReadBytes(toolFile);
  // As written before files were checked: no sizes, no hashes.
  const std::string oldManifest =
      std::regex_replace(manifest, std::regex("\\|[0-9]+\\|[0-9a-f]{64}"), "");
  ASSERT_NE(oldManifest, manifest);
  const std::wstring tool = FromUtf16File(toolBytes);
  const std::wstring nextLine =
      std::to_wstring(std::count(tool.begin(), tool.end(), L'\n') + 1) + L" of " + toolFile;
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring runValue = L"PurgalotRestoreTest" + std::to_wstring(GetCurrentProcessId());
  struct TRunValueCleanUp {
    std::wstring Run, Value;
    ~TRunValueCleanUp() { RegDeleteKeyValueW(HKEY_CURRENT_USER, Run.c_str(), Value.c_str()); }
  } runCleanUp{run, runValue};

  struct TCase {
    const char* What;
    std::string Manifest;
    std::wstring Tool;
    std::wstring Message;  // how the message begins
    std::function<void()> Before{}, After{};
  };
  const TCase cases[] = {
      {"a value changed in the file", manifest,
       std::regex_replace(tool, std::wregex(L"Tools"), L"Evil"),
       L"The backup file " + toolFile + L" is not the one that was saved"},
      {"a key outside the saved one", oldManifest,
       tool + L"[" + user + L"\\Planted]\r\n\"Command\"=\"calc.exe\"\r\n", L"Line " + nextLine},
      {"a deletion outside the saved key", oldManifest, tool + L"[-" + user + L"\\Canary]\r\n",
       L"Line " + nextLine},
      {"values through a link the file makes", oldManifest,
       tool + L"[" + user + L"\\Vendor\\Tool\\Shortcut]\r\n\"Planted\"=\"x\"\r\n",
       L"Line " + nextLine},
      {"a protected key",
       std::regex_replace(oldManifest, std::regex(Literal(user + L"\\Vendor\\Tool|")),
                          win::ToUtf8(L"HKEY_CURRENT_USER\\" + run + L"|")),
       L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + run + L"]\r\n\"" +
           runValue + L"\"=\"calc.exe\"\r\n",
       L"Line 3 of " + toolFile},
      {"a saved file named outside the folder",
       std::regex_replace(manifest, std::regex("\\|key 2\\.reg\\|"), "|..\\key 2.reg|"), tool,
       L"Line 6 of " + manifestFile},
      {"a manifest line with a control character",
       std::regex_replace(manifest, std::regex("Subject=Tool"), "Subject=Tool\x1b[2J"), tool,
       L"Line 3 of " + manifestFile},
      {"values through a link that stands in the registry", manifest, tool,
       L"Line 3 of " + toolFile,
       [&] { key.AddLink(L"Vendor\\Tool", L"Canary"); },
       [&] { win::DeleteRegistryTree(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    WriteBytes(manifestFile, c.Manifest);
    WriteBytes(toolFile, ToUtf16File(c.Tool));
    if (c.Before) c.Before();
    TBackupAction action;
    ASSERT_TRUE(ReadBackup(backup.Folder(), action));
    std::wstring message;
    try {
      RestoreRegistry(action, IsProtectedKey);
    } catch (const win::TError& e) {
      message = e.Message();
    }
    if (c.After) c.After();
    EXPECT_TRUE(message.starts_with(c.Message)) << win::ToUtf8(message);
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Other"), L"<missing>");
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"), L"<missing>");
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Planted"), L"<missing>");
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Canary"), L"Alive=yes");
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, run).find(runValue), std::wstring::npos);
  }

  // The backup as it was saved comes back, also from a manifest of before files were checked, and
  // a second time on top of the first: its link is a link again, pointing where it pointed.
  for (const std::string& sound : {oldManifest, manifest}) {
    WriteBytes(manifestFile, sound);
    WriteBytes(toolFile, toolBytes);
    TBackupAction action;
    ASSERT_TRUE(ReadBackup(backup.Folder(), action));
    RestoreRegistry(action, IsProtectedKey);
  }
  EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Other"), L"Keep=other");
  EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool"), L"Path=C:\\Tools\\Tool");
  EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Vendor\\Tool\\Shortcut"), L"Alive=yes");
  EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key.Path() + L"\\Canary"), L"Alive=yes");
}

}  // namespace
