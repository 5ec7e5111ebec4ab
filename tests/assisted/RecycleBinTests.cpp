// The deletion engine with the Recycle Bin. Under Wine the bin is the XDG trash of
// $XDG_DATA_HOME: these tests run only when that lies inside the test prefix, so nothing they move
// to the bin can reach the host's own trash.
#include "assisted/DeleteEngine.h"

#include "assisted/RecycleBin.h"
#include "backup/BackupStore.h"
#include "support/PrintedPdf.h"
#include "support/TestMachine.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using testing_support::TTempDir;

namespace {

// Made by the folder_links fixture (folder-links.sh): binapp\data and binkept\data link to
// target.
const std::wstring kLinks = L"C:\\purgalot_links";
// Set in a child run of this program that must see no bin.
const wchar_t kNoBinRows[] = L"PURGALOT_NO_BIN_ROWS";

std::wstring Env(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Each RowFailed call as "<row> <reason>".
void RecordReasons(TDeleteEngine& engine, std::vector<std::wstring>& reasons) {
  engine.RowFailed = [&reasons](size_t i, const std::wstring& reason) {
    reasons.push_back(std::to_wstring(i) + L" " + reason);
  };
}

std::wstring NoSlash(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring LeafOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

// The Unix folder as Windows code reads it (reading only: nothing here deletes there).
std::wstring DosPath(const std::wstring& unixPath) {
  return testing_support::FromUnix(win::ToUtf8(unixPath)).wstring();
}

std::string ReadText(const std::wstring& path) {
  win::UniqueFile in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  char buffer[256];
  DWORD read = 0;
  if (!in || !::ReadFile(in.Get(), buffer, sizeof buffer, &read, nullptr)) return "<unreadable>";
  return std::string(buffer, read);
}

// Names a plain path would shorten ("Photos." to "Photos") are made and looked at literally.
std::wstring Literal(const std::wstring& path) { return L"\\\\?\\" + path; }
bool MakeLiteralFile(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(Literal(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

std::vector<TBackupItem> Sorted(std::vector<TBackupItem> items) {
  std::sort(items.begin(), items.end(), [](const TBackupItem& a, const TBackupItem& b) {
    return a.Kind != b.Kind ? a.Kind < b.Kind : a.Path < b.Path;
  });
  return items;
}

// What the backup's manifest says went, sorted.
std::vector<TBackupItem> NotedItems(const std::wstring& folder) {
  TBackupAction action;
  return ReadBackup(folder, action) ? Sorted(action.Items) : std::vector<TBackupItem>{};
}

std::vector<std::wstring> NamesOf(const std::vector<TRecycledItem>& items) {
  std::vector<std::wstring> names;
  for (const TRecycledItem& item : items) names.push_back(item.Name);
  std::sort(names.begin(), names.end());
  return names;
}

// What is in `after` and not in `before`, each as often as it is more.
std::vector<std::wstring> Added(const std::vector<std::wstring>& before,
                                std::vector<std::wstring> after) {
  for (const std::wstring& name : before) {
    auto found = std::find(after.begin(), after.end(), name);
    if (found != after.end()) after.erase(found);
  }
  return after;
}

std::vector<TRecycledItem> BinItemsFrom(const std::wstring& folder) {
  std::vector<TRecycledItem> found;
  for (TRecycledItem& item : RecycleBinItems())
    if (_wcsicmp(item.OriginalFolder.c_str(), NoSlash(folder).c_str()) == 0)
      found.push_back(std::move(item));
  return found;
}

class RecycleBinTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::wstring prefix = Env(L"WINEPREFIX"), data = Env(L"XDG_DATA_HOME");
    while (!prefix.empty() && prefix.back() == L'/') prefix.pop_back();
    bool inside = !prefix.empty() && data.size() > prefix.size() + 1 &&
                  data.compare(0, prefix.size() + 1, prefix + L"/") == 0 &&
                  data.find(L"/..") == std::wstring::npos;
    if (!inside)
      GTEST_FAIL() << "Refusing to use the Recycle Bin: XDG_DATA_HOME (\"" << data
                   << "\") does not lie inside the test prefix WINEPREFIX (\"" << prefix
                   << "\"), so the bin could be the host's own trash. Run the tests with "
                      "scripts/test.";
    trash_ = DosPath(data) + L"\\Trash\\files\\";
  }

  win::ComInit com_;
  std::wstring trash_;
};

TEST_F(RecycleBinTest, AFolderGoesToTheBinWithAllItsFilesButAFileInUseKeepsItsFolderAlone) {
  TTempDir dir, store;
  // A name no other test puts in the bin.
  std::wstring name = LeafOf(NoSlash(dir.Path())) + L" app";
  std::wstring folder = NoSlash(dir.MakeFolder(name));
  std::wstring readOnly = dir.MakeFile(name + L"\\Sub\\locked.dat", "locked");
  std::wstring hidden = dir.MakeFile(name + L"\\hidden.dat", "hidden");
  std::wstring shortcut = dir.MakeFile(L"Tool " + name + L".lnk", "link");
  std::wstring busy = NoSlash(dir.MakeFolder(L"Busy"));
  std::wstring inUse = dir.MakeFile(L"Busy\\open.dat"), other = dir.MakeFile(L"Busy\\other.dat");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  TDeleteRows rows = {MakeDeleteRow(kKindFolder, nullptr, folder),
                      MakeDeleteRow(kKindShortcut, nullptr, shortcut),
                      MakeDeleteRow(kKindFolder, nullptr, busy)};
  TDeleteEngine engine;
  engine.Backup = &backup;
  engine.UseRecycleBin = true;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);
  {
    // Held as a running program holds its files: the bin must not carry it away.
    win::UniqueFile held(CreateFileW(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(engine.DeleteCheckedItems(rows));
  }

  EXPECT_EQ(rows[0].Status(), L"OK");
  EXPECT_EQ(rows[1].Status(), L"OK");
  EXPECT_EQ(rows[2].Status(), L"Failed");
  EXPECT_TRUE(Exists(inUse));
  EXPECT_FALSE(Exists(other));
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(Exists(shortcut));
  // The shell's view of the bin shows both where they came from.
  std::vector<TRecycledItem> items = BinItemsFrom(dir.Path());
  ASSERT_EQ(items.size(), 2u);
  if (items[0].Name != name) std::swap(items[0], items[1]);
  EXPECT_EQ(items[0].Name, name);
  // The bin may show a shortcut without its extension.
  EXPECT_EQ(items[1].Name.substr(0, 5 + name.size()), L"Tool " + name);
  // And the bin holds every file, read-only and hidden ones included.
  EXPECT_EQ(ReadText(trash_ + name + L"\\Sub\\locked.dat"), "locked");
  EXPECT_EQ(ReadText(trash_ + name + L"\\hidden.dat"), "hidden");
  // The rest of the busy folder went to the bin item by item; the row says what stayed.
  EXPECT_EQ(NamesOf(BinItemsFrom(busy)), std::vector<std::wstring>{L"other.dat"});
  EXPECT_EQ(ReadText(trash_ + L"other.dat"), "x");
  EXPECT_EQ(reasons, std::vector<std::wstring>{L"2 1 item stayed: " + inUse + L" is in use."});
  TBackupAction noted;
  ASSERT_TRUE(ReadBackup(backup.Folder(), noted));
  EXPECT_EQ(noted.Items, (std::vector<TBackupItem>{{kBackupRecycled, folder, {}},
                                                   {kBackupRecycled, shortcut, {}},
                                                   {kBackupRecycled, other, {}}}));
}

// The shell reads plain paths and follows links: it gets neither a name a plain path would shorten
// ("Photos." becomes "Photos") nor a link. Such a name is deleted for good by its literal name,
// its namesake untouched; a link stays, and what can go around it goes to the bin.
TEST_F(RecycleBinTest, TheBinGetsOnlyWhatPlainPathsReachAndNeverALink) {
  const std::wstring kept = kLinks + L"\\binkept", target = kLinks + L"\\target";
  DWORD attributes = GetFileAttributesW((kept + L"\\data").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the folder_links fixture did not run";
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  TTempDir dir, store;
  const std::wstring name = LeafOf(NoSlash(dir.Path())) + L" album";  // no other test's
  const std::wstring album = NoSlash(dir.MakeFolder(name));
  dir.MakeFile(name + L"\\Photos\\a.jpg", "photo");
  ASSERT_TRUE(CreateDirectoryW(Literal(album + L"\\Photos.").c_str(), nullptr));
  ASSERT_TRUE(MakeLiteralFile(album + L"\\Photos.\\b.jpg"));
  const std::wstring namesake = dir.MakeFile(L"Photos\\c.jpg"),
                     dotted = NoSlash(dir.Path()) + L"\\Photos.";
  ASSERT_TRUE(CreateDirectoryW(Literal(dotted).c_str(), nullptr));
  ASSERT_TRUE(MakeLiteralFile(dotted + L"\\d.jpg"));
  // A path spelled literally whose names a plain path reaches as well goes to the bin.
  const std::wstring spelled = NoSlash(dir.MakeFolder(name + L" spelled"));
  dir.MakeFile(name + L" spelled\\e.jpg");
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  TDeleteRows rows = {MakeDeleteRow(kKindFolder, nullptr, album),
                      MakeDeleteRow(kKindFolder, nullptr, dotted),
                      MakeDeleteRow(kKindFolder, nullptr, kept),
                      MakeDeleteRow(kKindFolder, nullptr, Literal(spelled))};
  TDeleteEngine engine;
  engine.Backup = &backup;
  engine.UseRecycleBin = true;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);
  // The fixture's folder may have gone to this prefix's bin in an earlier run.
  const std::vector<std::wstring> keptBefore = NamesOf(BinItemsFrom(kept));

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(rows[0].Status(), L"OK");
  EXPECT_EQ(rows[1].Status(), L"OK");
  EXPECT_EQ(rows[2].Status(), L"Failed");
  EXPECT_EQ(rows[3].Status(), L"OK");
  EXPECT_EQ(reasons, std::vector<std::wstring>{L"2 1 item stayed: " + kept + L"\\data is a link."});
  // The album is in the bin with its plain folder; its dotted one went for good before.
  EXPECT_EQ(NamesOf(BinItemsFrom(dir.Path())),
            (std::vector<std::wstring>{name, name + L" spelled"}));
  EXPECT_EQ(ReadText(trash_ + name + L"\\Photos\\a.jpg"), "photo");
  EXPECT_FALSE(Exists(Literal(trash_ + name + L"\\Photos.")));
  EXPECT_FALSE(Exists(Literal(album)));
  EXPECT_FALSE(Exists(Literal(dotted)));
  EXPECT_EQ(ReadText(namesake), "x");
  // Around the link, the file and the folder went to the bin; the link's target is whole.
  EXPECT_TRUE(Exists(kept + L"\\data"));
  EXPECT_EQ(Added(keptBefore, NamesOf(BinItemsFrom(kept))),
            (std::vector<std::wstring>{L"Sub", L"app.txt"}));
  EXPECT_TRUE(Exists(target + L"\\keep.txt"));
  EXPECT_TRUE(Exists(target + L"\\sub\\deep.txt"));
  EXPECT_EQ(NotedItems(backup.Folder()), Sorted({{kBackupDeleted, album + L"\\Photos.", {}},
                                                 {kBackupDeleted, dotted, {}},
                                                 {kBackupRecycled, album, {}},
                                                 {kBackupRecycled, spelled, {}},
                                                 {kBackupRecycled, kept + L"\\Sub", {}},
                                                 {kBackupRecycled, kept + L"\\app.txt", {}}}));
}

TEST_F(RecycleBinTest, WithTheBinTurnedOffAFolderIsDeletedForGoodAndNotedSo) {
  TTempDir dir, store;
  std::wstring folder = NoSlash(dir.MakeFolder(L"App"));
  dir.MakeFile(L"App\\Sub\\file.dat");
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  TDeleteRows rows = {MakeDeleteRow(kKindFolder, nullptr, folder)};
  TDeleteEngine engine;
  engine.Backup = &backup;

  EXPECT_TRUE(engine.DeleteCheckedItems(rows));

  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(BinItemsFrom(dir.Path()).empty());
  TBackupAction noted;
  ASSERT_TRUE(ReadBackup(backup.Folder(), noted));
  EXPECT_EQ(noted.Items, (std::vector<TBackupItem>{{kBackupDeleted, folder, {}}}));
}

// Where no bin can take a folder the shell deletes it for good by itself, and its own walk would
// follow a link into the target's files. The child run below sees no bin; this one checks what it
// left.
TEST_F(RecycleBinTest, WithoutABinFoldersAreDeletedForGoodAndALinksTargetKeepsEveryFile) {
  const std::wstring app = kLinks + L"\\binapp", target = kLinks + L"\\target";
  DWORD attributes = GetFileAttributesW((app + L"\\data").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the folder_links fixture did not run";
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  TTempDir dir, store;
  std::wstring plain = NoSlash(dir.MakeFolder(L"Plain"));
  dir.MakeFile(L"Plain\\file.dat");

  // The same program, with a bin folder that does not exist (still inside the prefix). The
  // block is kept sorted by name, as the system expects.
  std::vector<std::wstring> entries = {
      std::wstring(kNoBinRows) + L"=" + plain + L"|" + app + L"|" + store.Path(),
      L"XDG_DATA_HOME=" + Env(L"WINEPREFIX") + L"/no-xdg-data"};
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
    if (_wcsnicmp(entry, L"XDG_DATA_HOME=", 14) != 0) entries.push_back(entry);
  FreeEnvironmentStringsW(block);
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  });
  std::wstring environment;
  for (const std::wstring& entry : entries) environment += entry + L'\0';
  environment += L'\0';
  wchar_t exe[MAX_PATH];
  ASSERT_TRUE(GetModuleFileNameW(nullptr, exe, MAX_PATH));
  std::wstring command = L"\"" + std::wstring(exe) +
                         L"\" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_NoBinChild*";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                             CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                             &info));
  win::UniqueHandleObj process(info.hProcess), thread(info.hThread);
  if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 1);
    FAIL() << "the run without a bin did not end";
  }
  DWORD code = 1;
  ASSERT_TRUE(GetExitCodeProcess(process.Get(), &code));
  EXPECT_EQ(code, 0u) << "the run without a bin failed";

  EXPECT_TRUE(Exists(target + L"\\keep.txt"));
  EXPECT_TRUE(Exists(target + L"\\sub\\deep.txt"));
  EXPECT_FALSE(Exists(app + L"\\app.txt"));
  EXPECT_FALSE(Exists(plain));
  EXPECT_TRUE(BinItemsFrom(dir.Path()).empty());
  EXPECT_TRUE(BinItemsFrom(kLinks).empty());
  std::vector<TBackupAction> actions = ListBackups(store.Path());
  ASSERT_EQ(actions.size(), 1u);
  // The link stays under Wine, so its folder stays; what went around it is noted with the plain
  // folder.
  EXPECT_EQ(NotedItems(actions[0].Folder), Sorted({{kBackupDeleted, plain, {}},
                                                   {kBackupDeleted, app + L"\\app.txt", {}},
                                                   {kBackupDeleted, app + L"\\empty", {}}}));
}

// Runs only as the child of the test above.
TEST(RecycleBinChild, DISABLED_NoBinChild) {
  std::wstring rows = Env(kNoBinRows);
  size_t first = rows.find(L'|'), second = rows.find(L'|', first + 1);
  ASSERT_NE(second, std::wstring::npos) << "run only by the test above";
  std::wstring data = Env(L"XDG_DATA_HOME");
  ASSERT_EQ(data, Env(L"WINEPREFIX") + L"/no-xdg-data") << "a bin outside the test prefix";
  win::ComInit com;
  std::wstring plain = rows.substr(0, first), app = rows.substr(first + 1, second - first - 1);
  TBackup backup(rows.substr(second + 1), L"Assisted Uninstall", L"Tool");
  TDeleteRows list = {MakeDeleteRow(kKindFolder, nullptr, plain),
                      MakeDeleteRow(kKindFolder, nullptr, app)};
  TDeleteEngine engine;
  engine.Backup = &backup;
  engine.UseRecycleBin = true;
  EXPECT_FALSE(engine.DeleteCheckedItems(list));
  EXPECT_EQ(list[0].Status(), L"OK");
  EXPECT_EQ(list[1].Status(), L"Failed");  // the link stays
}

}  // namespace
