#include "assisted/DeleteEngine.h"

#include "assisted/ProtectedPlaces.h"
#include "backup/BackupStore.h"
#include "support/TestMachine.h"
#include "uninstall/Restore.h"
#include "win/Error.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

using testing_support::TTempDir;
using testing_support::TTestKey;

namespace win {
void PrintTo(const TWentItem& item, std::ostream* out) {
  *out << (item.Way == TWentItem::Deleted ? "deleted " : "taken away ") << ToUtf8(item.Path);
}
void PrintTo(const TStayedItem& item, std::ostream* out) {
  *out << ToUtf8(item.Path) << " stayed (" << item.Why << ", error " << item.Error << ")";
}
}  // namespace win

namespace {

// Made by the folder_links fixture (folder-links.sh): app\data and applink are links to target.
const std::wstring kLinks = L"C:\\purgalot_links";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names a plain path would shorten ("Photos." to "Photos") are made and looked at literally.
std::wstring Literal(const std::wstring& path) { return L"\\\\?\\" + path; }
bool ExistsLiterally(const std::wstring& path) { return Exists(Literal(path)); }
bool MakeLiteralFolder(const std::wstring& path) {
  return CreateDirectoryW(Literal(path).c_str(), nullptr);
}
bool MakeLiteralFile(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(Literal(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

// What the backup's manifest says went, in one order.
std::vector<TBackupItem> NotedItems(const TBackup& backup) {
  TBackupAction action;
  if (!ReadBackup(backup.Folder(), action)) return {};
  std::sort(action.Items.begin(), action.Items.end(),
            [](const TBackupItem& a, const TBackupItem& b) {
              return a.Kind != b.Kind ? a.Kind < b.Kind : a.Path < b.Path;
            });
  return action.Items;
}

std::vector<TBackupItem> Deleted(std::vector<std::wstring> paths) {
  std::sort(paths.begin(), paths.end());
  std::vector<TBackupItem> items;
  for (const std::wstring& path : paths) items.push_back({kBackupDeleted, path, {}});
  return items;
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

TDeleteRow Row(const std::wstring& kind, const std::wstring& path, HKEY root = nullptr) {
  return MakeDeleteRow(kind, root, path);
}

TDeleteRow KeyRow(const TTestKey& key, const std::wstring& sub) {
  return MakeDeleteRow(kKindRegistry, key.Root(), L"\\" + key.Path() + L"\\" + sub);
}

// The status sub-items after the path.
std::vector<std::wstring> StatusOf(const TDeleteRow& row) {
  return std::vector<std::wstring>(row.SubItems.begin() + 1, row.SubItems.end());
}

const std::vector<std::wstring> kDone = {L"OK", L"To Delete"};
const std::vector<std::wstring> kFailed = {L"Failed", L"To Delete"};
const std::vector<std::wstring> kUntouched = {L"To Delete"};

// Everything the engine tells the window, in order.
struct TRecorder {
  std::vector<std::wstring> Events;
  std::vector<int> Progress;

  void Bind(TDeleteEngine& engine, const TDeleteRows& rows) {
    engine.ItemLabel = [this](const std::wstring& text) { Events.push_back(L"label " + text); };
    engine.ProgressBar = [this](int value) {
      Progress.push_back(value);
      Events.push_back(L"progress " + std::to_wstring(value));
    };
    // Proves the messages are processed before the row is deleted, not after.
    engine.ProcessMessages = [this, &rows] {
      const TDeleteRow* next = nullptr;
      for (const TDeleteRow& row : rows)
        if (row.Checked && row.SubItems.size() < 3 && !next) next = &row;
      bool present = next && (next->Item.RootKey ? true : Exists(next->Item.Path));
      Events.push_back(present ? L"pump" : L"pump after the deletion");
    };
    engine.RowStatusChanged = [this, &rows](size_t i) {
      Events.push_back(L"status " + std::to_wstring(i) + L" " + rows[i].Status());
    };
  }
};

TEST(DeleteEngineTest, DeletesCheckedRowsInListOrderAndReportsEachStep) {
  TTempDir dir;
  TTestKey key;
  dir.MakeFile(L"Outer\\Inner\\file.txt");
  std::wstring outer = dir.Path() + L"Outer", inner = outer + L"\\Inner";
  std::wstring kept = dir.MakeFile(L"Kept\\file.txt");
  std::wstring desktopFolder = NoSlash(dir.MakeFolder(L"Desktop\\Tool folder"));
  dir.MakeFile(L"Desktop\\Tool folder\\readme.txt");
  std::wstring shortcut = dir.MakeFile(L"Desktop\\Tool.lnk");
  key.SetString(L"Tool\\Settings", L"Value", L"x");
  key.SetString(L"Other", L"Value", L"x");

  TDeleteRows rows = {Row(L"FOLDER", inner),  // inner before outer: in the other order it fails
                      Row(L"Folder", outer),
                      Row(L"Folder", NoSlash(dir.Path() + L"Kept")),
                      Row(L"shortcut", desktopFolder),  // a folder ticked on the desktop
                      Row(L"Shortcut", shortcut),
                      KeyRow(key, L"Tool")};
  rows[2].Checked = false;
  rows[5].Kind = L"REGISTRY";
  TDeleteEngine engine;
  TRecorder recorder;
  recorder.Bind(engine, rows);

  EXPECT_TRUE(engine.DeleteCheckedItems(rows));

  for (size_t i : {0, 1, 3, 4, 5}) EXPECT_EQ(StatusOf(rows[i]), kDone) << i;
  EXPECT_EQ(StatusOf(rows[2]), kUntouched);
  EXPECT_FALSE(Exists(outer));
  EXPECT_FALSE(Exists(desktopFolder));
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(key.Exists(L"Tool"));
  EXPECT_TRUE(key.Exists(L"Other"));
  std::vector<std::wstring> expected;
  for (size_t i : {0, 1, 3, 4, 5}) {
    expected.push_back(L"label " + rows[i].Path());
    expected.push_back(L"progress " + std::to_wstring(i * 100 / rows.size()));
    expected.push_back(L"pump");
    expected.push_back(L"status " + std::to_wstring(i) + L" OK");
  }
  EXPECT_EQ(recorder.Events, expected);
}

TEST(DeleteEngineTest, ProgressIsTheRowIndexTimesHundredDivTheRowCount) {
  TTempDir dir;
  TDeleteRows ten;
  for (int i = 0; i < 10; ++i) ten.push_back(Row(L"Folder", dir.MakeFile(L"f" + std::to_wstring(i))));
  for (int i = 0; i < 9; ++i) ten[i].Checked = false;
  TDeleteRows three;
  for (int i = 0; i < 3; ++i) three.push_back(Row(L"Folder", dir.MakeFile(L"g" + std::to_wstring(i))));

  TDeleteEngine engine;
  TRecorder lastOfTen, allOfThree;
  lastOfTen.Bind(engine, ten);
  EXPECT_TRUE(engine.DeleteCheckedItems(ten));
  allOfThree.Bind(engine, three);
  EXPECT_TRUE(engine.DeleteCheckedItems(three));

  EXPECT_EQ(lastOfTen.Progress, (std::vector<int>{90}));
  EXPECT_EQ(allOfThree.Progress, (std::vector<int>{0, 33, 66}));
}

TEST(DeleteEngineTest, TheSameFolderInTwoRowsFailsTheSecondTime) {
  TTempDir dir;
  std::wstring folder = NoSlash(dir.MakeFolder(L"Vendor\\Tool"));
  dir.MakeFile(L"Vendor\\Tool\\tool.exe");
  TDeleteRows rows = {Row(L"Folder", folder), Row(L"Folder", folder)};

  TDeleteEngine engine;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_EQ(StatusOf(rows[1]), kFailed);
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(reasons, std::vector<std::wstring>{L"1 " + folder + L" cannot be found."});
}

TEST(DeleteEngineTest, ReadOnlyFilesGoButAFileInUseKeepsItsFolderAndWhatWentIsNoted) {
  TTempDir dir, store;
  std::wstring folder = NoSlash(dir.MakeFolder(L"App"));
  std::wstring readOnly = dir.MakeFile(L"App\\Sub\\locked.dat");
  std::wstring inUse = dir.MakeFile(L"App\\open.dat");
  std::wstring other = dir.MakeFile(L"App\\other.dat");
  std::wstring empty = NoSlash(dir.MakeFolder(L"App\\Empty"));
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW((dir.Path() + L"App\\Sub").c_str(), FILE_ATTRIBUTE_READONLY));
  std::wstring shortcut = dir.MakeFile(L"Tool.lnk");
  ASSERT_TRUE(SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_READONLY));
  TDeleteRows rows = {Row(L"Folder", folder), Row(L"Shortcut", shortcut)};
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  TDeleteEngine engine;
  engine.Backup = &backup;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);
  {
    // Opened without sharing the right to delete, as a running program holds its files.
    win::UniqueFile held(CreateFileW(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(engine.DeleteCheckedItems(rows));
  }
  EXPECT_EQ(StatusOf(rows[0]), kFailed);
  EXPECT_EQ(StatusOf(rows[1]), kDone);
  EXPECT_TRUE(Exists(inUse));
  EXPECT_FALSE(Exists(readOnly));
  EXPECT_FALSE(Exists(dir.Path() + L"App\\Sub"));
  EXPECT_FALSE(Exists(other));
  EXPECT_FALSE(Exists(empty));
  EXPECT_FALSE(Exists(shortcut));
  // The row says what stayed and why; the backup names everything that went, a folder that went
  // whole by its own name.
  EXPECT_EQ(reasons, std::vector<std::wstring>{L"0 1 item stayed: " + inUse + L" is in use."});
  EXPECT_EQ(NotedItems(backup), Deleted({folder + L"\\Sub", other, empty, shortcut}));
}

TEST(DeleteEngineTest, HiddenAndSystemFilesAndFoldersAreDeletedLikeTheOthers) {
  TTempDir dir;
  std::wstring folder = NoSlash(dir.MakeFolder(L"App"));
  std::wstring hidden = dir.MakeFile(L"App\\hidden.dat");
  std::wstring system = dir.MakeFile(L"App\\system.dat");
  std::wstring inner = dir.MakeFolder(L"App\\Secret");
  std::wstring innerFile = dir.MakeFile(L"App\\Secret\\both.dat");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(innerFile.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(inner.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  TDeleteRows rows = {Row(L"Folder", folder)};

  EXPECT_TRUE(TDeleteEngine().DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_FALSE(Exists(folder));
}

TEST(DeleteEngineTest, ARegistryRowDeletesTheKeyWithAllItsSubkeys) {
  TTestKey key;
  std::wstring deep = L"Vendor\\Tool";
  for (int level = 0; level < 6; ++level) {
    deep += L"\\Level" + std::to_wstring(level);
    key.SetString(deep, L"Text", L"x");
    key.SetDword(deep + L"\\Beside", L"Number", 1);
  }
  key.SetString(L"Vendor\\Other", L"Text", L"x");
  TDeleteRows rows = {KeyRow(key, L"Vendor\\Tool")};

  EXPECT_TRUE(TDeleteEngine().DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_FALSE(key.Exists(L"Vendor\\Tool"));
  EXPECT_TRUE(key.Exists(L"Vendor\\Other"));
  // A key that is gone already fails.
  TDeleteRows again = {KeyRow(key, L"Vendor\\Tool")};
  EXPECT_FALSE(TDeleteEngine().DeleteCheckedItems(again));
  EXPECT_EQ(StatusOf(again[0]), kFailed);
}

TEST(DeleteEngineTest, WithNoCheckedRowNothingIsTouchedAndTheResultIsTrue) {
  TTempDir dir;
  TTestKey key;
  std::wstring folder = NoSlash(dir.MakeFolder(L"App"));
  std::wstring file = dir.MakeFile(L"App\\file.txt");
  key.SetString(L"Vendor", L"Text", L"x");
  TDeleteRows rows = {Row(L"Folder", folder), Row(L"Shortcut", file), KeyRow(key, L"Vendor")};
  for (TDeleteRow& row : rows) row.Checked = false;
  TDeleteEngine engine;
  TRecorder recorder;
  recorder.Bind(engine, rows);

  EXPECT_TRUE(engine.DeleteCheckedItems(rows));
  TDeleteRows none;
  EXPECT_TRUE(engine.DeleteCheckedItems(none));

  for (const TDeleteRow& row : rows) EXPECT_EQ(StatusOf(row), kUntouched);
  EXPECT_TRUE(recorder.Events.empty());
  EXPECT_TRUE(Exists(file));
  EXPECT_TRUE(key.Exists(L"Vendor"));
}

TEST(DeleteEngineTest, ARowOfAnUnknownKindGetsNoStatusAndFailsTheRun) {
  TTempDir dir;
  std::wstring file = dir.MakeFile(L"printer.txt");
  std::wstring other = dir.MakeFile(L"other.txt");
  TDeleteRows rows = {Row(L"Printer", file), Row(L"Folder", other)};
  TDeleteEngine engine;
  std::vector<size_t> changed;
  engine.RowStatusChanged = [&](size_t i) { changed.push_back(i); };

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kUntouched);
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(StatusOf(rows[1]), kDone);
  EXPECT_EQ(changed, (std::vector<size_t>{1}));
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  HRESULT hr = SHGetKnownFolderPath(id, 0, nullptr, &path);
  win::UniqueCoTaskMemory memory(path);
  return SUCCEEDED(hr) && path ? std::wstring(path) : std::wstring();
}

TEST(DeleteEngineTest, AProtectedPlaceFailsUntouchedWhateverTheRowSays) {
  TTempDir dir;
  TTestKey key;
  wchar_t windows[MAX_PATH];
  ASSERT_TRUE(GetWindowsDirectoryW(windows, MAX_PATH));
  std::wstring documents = KnownFolder(FOLDERID_Documents);
  ASSERT_FALSE(documents.empty());
  // Something of the test's own inside a protected folder: it must survive.
  std::wstring marker = documents + L"\\purgalot_marker_" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(marker.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  struct TRemove {
    std::wstring Path;
    ~TRemove() { RemoveDirectoryW(Path.c_str()); }
  } removeMarker{marker};
  std::wstring odd = std::wstring(windows) + L"\\SYSTEM32\\..\\";
  for (wchar_t& c : odd) c = static_cast<wchar_t>(towlower(c));
  std::wstring deletable = NoSlash(dir.MakeFolder(L"Mine"));
  key.SetString(L"Mine", L"Text", L"x");
  win::UniqueHKey opened;
  ASSERT_EQ(RegOpenKeyExW(key.Root(), key.Path().c_str(), 0, KEY_ALL_ACCESS, opened.Put()),
            ERROR_SUCCESS);

  TDeleteRows rows = {Row(L"Folder", odd), Row(L"Folder", marker + L"\\.."),
                      Row(L"Registry", L"\\\\SOFTWARE\\\\", HKEY_CURRENT_USER),
                      // Only the predefined roots are known places.
                      Row(L"Registry", L"\\Mine", opened.Get()),
                      // The row's own mark is honoured too.
                      Row(L"Folder", deletable), KeyRow(key, L"Mine")};
  rows[4].Protected = rows[5].Protected = true;
  for (TDeleteRow& row : rows) {
    row.Checked = true;
    row.SubItems = {row.Item.Path, L"To Delete"};
  }
  for (int i = 0; i < 4; ++i) rows[i].Protected = false;

  EXPECT_FALSE(TDeleteEngine().DeleteCheckedItems(rows));

  for (const TDeleteRow& row : rows) EXPECT_EQ(StatusOf(row), kFailed) << row.Path();
  EXPECT_TRUE(Exists(std::wstring(windows) + L"\\system32"));
  EXPECT_TRUE(Exists(marker));
  EXPECT_TRUE(Exists(deletable));
  EXPECT_TRUE(key.Exists(L"Mine"));
  // The engine's own operations refuse them as well.
  TDeleteEngine::DeleteFolderTree(odd);
  EXPECT_TRUE(Exists(marker));
  EXPECT_FALSE(TDeleteEngine::DeleteRegistryKey(HKEY_CURRENT_USER, L"\\Software"));
  EXPECT_TRUE(key.Exists(L"Mine"));
}

TEST(DeleteEngineTest, AFolderLinkIsRemovedItselfAndItsTargetKeepsEveryFile) {
  const std::wstring app = kLinks + L"\\app", link = kLinks + L"\\applink",
                     target = kLinks + L"\\target";
  // The fixture's links are what Wine shows as links, and reach the target's files.
  DWORD attributes = GetFileAttributesW((app + L"\\data").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the folder_links fixture did not run";
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_TRUE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_TRUE(Exists(app + L"\\data\\sub\\deep.txt"));
  TDeleteRows rows = {Row(L"Folder", app), Row(L"Shortcut", link)};
  TDeleteEngine engine;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_TRUE(Exists(target + L"\\keep.txt"));
  EXPECT_TRUE(Exists(target + L"\\sub\\deep.txt"));
  EXPECT_FALSE(Exists(app + L"\\app.txt"));
  EXPECT_FALSE(Exists(app + L"\\empty"));
  // Wine removes no folder link (a handle to one opens its target): both links stay, so both rows
  // fail and say why.
  EXPECT_TRUE(Exists(app + L"\\data"));
  EXPECT_TRUE(Exists(link));
  EXPECT_EQ(StatusOf(rows[0]), kFailed);
  EXPECT_EQ(StatusOf(rows[1]), kFailed);
  EXPECT_EQ(reasons, (std::vector<std::wstring>{L"0 1 item stayed: " + app + L"\\data is a link.",
                                                L"1 " + link + L" is a link."}));
}

TEST(DeleteEngineTest, NamesEndingInADotOrABlankAreTakenLiterallyAndTheirNamesakesStay) {
  TTempDir dir;
  const std::wstring base = NoSlash(dir.Path());
  std::wstring photo = dir.MakeFile(L"Photos\\holiday.jpg");
  std::wstring notes = dir.MakeFile(L"notes.txt");
  const std::wstring dotted = base + L"\\Photos.", blank = base + L"\\Photos ",
                     dottedFile = base + L"\\notes.txt.";
  ASSERT_TRUE(MakeLiteralFolder(dotted) && MakeLiteralFile(dotted + L"\\copy.jpg"));
  ASSERT_TRUE(MakeLiteralFolder(blank) && MakeLiteralFile(blank + L"\\copy.jpg"));
  ASSERT_TRUE(MakeLiteralFile(dottedFile));
  // Inside a chosen folder, beside its namesake.
  std::wstring app = NoSlash(dir.MakeFolder(L"App"));
  dir.MakeFile(L"App\\data\\a.dat");
  ASSERT_TRUE(MakeLiteralFolder(app + L"\\data.") && MakeLiteralFile(app + L"\\data.\\b.dat"));
  TDeleteRows rows = {Row(L"Folder", dotted), Row(L"Folder", blank), Row(L"Shortcut", dottedFile),
                      Row(L"Folder", app)};

  EXPECT_TRUE(TDeleteEngine().DeleteCheckedItems(rows));

  for (const TDeleteRow& row : rows) EXPECT_EQ(StatusOf(row), kDone) << row.Path();
  for (const std::wstring& gone : {dotted, blank, dottedFile, app})
    EXPECT_FALSE(ExistsLiterally(gone)) << gone;
  EXPECT_TRUE(Exists(photo));
  EXPECT_TRUE(Exists(notes));
}

TEST(DeleteEngineTest, TheWalkHoldsAFolderAgainstRenamingAndDeletesWhatTheTakeAwayLeaves) {
  TTempDir dir;
  const std::wstring app = NoSlash(dir.MakeFolder(L"App"));
  const std::wstring inUse = dir.MakeFile(L"App\\held.dat"),
                     loose = dir.MakeFile(L"App\\loose.dat");
  win::UniqueFile held(CreateFileW(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  std::wstring offeredFrom;
  std::vector<std::wstring> offered;
  DWORD renameError = ERROR_SUCCESS;
  // App cannot go whole, so its loose file is offered while the walk stands in App.
  auto takeAway = [&](const std::wstring& folder, const std::vector<std::wstring>& names) {
    offeredFrom = folder;
    offered = names;
    if (!MoveFileW(app.c_str(), (app + L" moved").c_str())) renameError = GetLastError();
    return std::vector<bool>(names.size(), false);
  };

  win::TTreeDeletion deletion = win::DeleteFileSystemTree(app, takeAway);

  EXPECT_EQ(renameError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(Exists(app + L" moved"));
  EXPECT_EQ(offeredFrom, app);
  EXPECT_EQ(offered, std::vector<std::wstring>{L"loose.dat"});
  EXPECT_FALSE(deletion.Gone);
  EXPECT_EQ(deletion.Went, (std::vector<win::TWentItem>{{win::TWentItem::Deleted, loose}}));
  EXPECT_EQ(
      deletion.Stayed,
      (std::vector<win::TStayedItem>{{win::TStayedItem::InUse, inUse, ERROR_SHARING_VIOLATION}}));
  EXPECT_FALSE(Exists(loose));
  EXPECT_TRUE(Exists(inUse));
}

// Runs `work` with only about `left` bytes of the thread's stack free: the rest is taken here.
// (Wine gives no thread a stack smaller than 1 MB, so a small stack is made this way.)
template <class TWork>
void WithStackLeft(size_t left, TWork work) {
  ULONG_PTR low = 0, high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  const auto here = reinterpret_cast<ULONG_PTR>(&low);
  ASSERT_GT(here - low, left + 64 * 1024);
  const size_t take = here - low - left;
  volatile char* taken = static_cast<char*>(_alloca(take));
  taken[0] = 0;
  taken[take - 1] = 0;
  work();
}

// A walk that recursed would spend the stack by the level and overflow it before the bottom.
TEST(DeleteEngineTest, AFolderNestedHundredsDeepIsDeletedWholeWithLittleStack) {
  constexpr int kLevels = 200;
  TTempDir dir;
  const std::wstring top = NoSlash(dir.MakeFolder(L"Deep"));
  std::wstring path = top;
  for (int i = 0; i < kLevels; ++i) {
    path += L"\\level";
    ASSERT_TRUE(MakeLiteralFolder(path)) << i;
  }
  ASSERT_TRUE(MakeLiteralFile(path + L"\\bottom.txt"));
  ASSERT_GT(path.size(), static_cast<size_t>(MAX_PATH));
  TDeleteRows rows = {Row(L"Folder", top)};
  bool deleted = false;

  WithStackLeft(64 * 1024, [&] { deleted = TDeleteEngine().DeleteCheckedItems(rows); });

  EXPECT_TRUE(deleted);
  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_FALSE(Exists(top));
}

TEST(DeleteEngineTest, ARegistryLinkInsideAKeyIsRemovedAndItsTargetSurvives) {
  TTestKey key;
  key.SetString(L"Target\\Sub", L"Text", L"kept");
  key.SetString(L"App", L"Text", L"x");
  key.AddLink(L"App\\Link", L"Target");
  ASSERT_TRUE(key.Exists(L"App\\Link\\Sub"));
  TDeleteRows rows = {KeyRow(key, L"App")};

  EXPECT_TRUE(TDeleteEngine().DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_FALSE(key.Exists(L"App"));
  EXPECT_TRUE(key.Exists(L"Target\\Sub"));
}

TEST(DeleteEngineTest, WithABackupEachKeyIsSavedFirstSoItsFileBringsItBackExactly) {
  TTestKey key;
  TTempDir store;
  const std::vector<BYTE> bytes = {0, 1, 0xFE, 0xFF};
  key.SetString(L"Tool", L"", L"default");
  key.SetString(L"Tool\\Deep\\Deeper", L"Path", L"%ProgramFiles%\\Tool", REG_EXPAND_SZ);
  key.SetDword(L"Tool\\Deep", L"Count", 7);
  key.SetBinary(L"Tool\\Deep", L"Blob", bytes);
  key.SetString(L"Other", L"Text", L"x");
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  TDeleteRows rows = {KeyRow(key, L"Tool"), Row(L"Folder", store.MakeFile(L"gone.txt"))};
  TDeleteEngine engine;
  engine.Backup = &backup;

  EXPECT_TRUE(engine.DeleteCheckedItems(rows));

  EXPECT_FALSE(key.Exists(L"Tool"));
  EXPECT_TRUE(key.Exists(L"Other"));
  TBackupAction action;
  ASSERT_TRUE(ReadBackup(backup.Folder(), action));
  ASSERT_EQ(action.Items.size(), 2u);
  EXPECT_EQ(action.Items[0].Kind, kBackupRegistry);
  EXPECT_EQ(action.Items[0].Path, L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Tool");
  EXPECT_EQ(action.Items[1], (TBackupItem{kBackupDeleted, rows[1].Item.Path, {}}));
  RestoreRegistry(action, IsProtectedKey);
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Tool\\Deep"));
  EXPECT_EQ(reg.ReadInteger(L"Count"), 7);
  std::vector<BYTE> blob(16);
  blob.resize(static_cast<size_t>(reg.ReadBinaryData(L"Blob", blob.data(), 16)));
  EXPECT_EQ(blob, bytes);
  EXPECT_TRUE(key.Exists(L"Tool\\Deep\\Deeper"));
}

TEST(DeleteEngineTest, AKeyThatCannotBeSavedStaysAndItsRowFailsWithTheReason) {
  TTestKey key;
  TTempDir store;
  key.SetString(L"Tool", L"Text", L"kept");
  TBackup backup(store.Path(), L"Assisted Uninstall", L"Tool");
  // The action's folder vanishes under it: no key file can be written.
  ASSERT_TRUE(DeleteFileW((backup.Folder() + L"manifest.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryW(backup.Folder().c_str()));
  TDeleteRows rows = {KeyRow(key, L"Tool")};
  TDeleteEngine engine;
  engine.Backup = &backup;
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kFailed);
  EXPECT_TRUE(key.Exists(L"Tool"));
  ASSERT_EQ(reasons.size(), 1u);
  EXPECT_EQ(reasons[0].rfind(L"0 The backup file " + backup.Folder(), 0), 0u) << reasons[0];
}

// A value of a key under HKEY_CURRENT_USER made for one test, removed with its key's test values.
class TUserValue {
public:
  TUserValue(std::wstring key, std::wstring name, const std::wstring& data)
      : key_(std::move(key)), name_(std::move(name)) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  ~TUserValue() { RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str()); }
  std::wstring Read() const {
    wchar_t text[256] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    return RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr,
                        text, &size) == ERROR_SUCCESS
               ? text
               : L"(missing)";
  }
  TDeleteRow Row() const {
    return MakeValueRow(HKEY_CURRENT_USER, L"\\" + key_, name_, key_ + L" " + name_);
  }

private:
  std::wstring key_, name_;
};

TEST(DeleteEngineTest, AValueRowDeletesOnlyItsValueAndItsBackupPutsItBackBesideTheOthers) {
  TTestKey key;
  TTempDir store;
  const std::wstring tool = key.Path() + L"\\Tool";
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring unique = L"PurgalotTest" + std::to_wstring(GetCurrentProcessId());
  TUserValue gone(tool, L"Gone|\"odd\\name", L"C:\\Tool\\tool.exe");
  TUserValue kept(tool, L"Kept", L"kept");
  TUserValue started(run, unique, L"\"C:\\Tool\\tool.exe\" /tray");
  TUserValue startedToo(run, unique + L"Other", L"other.exe");
  // Windows' own settings keep their values whatever a row says.
  const std::wstring settings = L"Control Panel\\" + unique;
  TUserValue setting(settings, L"Colour", L"blue");
  TDeleteRows rows = {gone.Row(), started.Row(), setting.Row(),
                      MakeDeleteRow(kKindRegistry, HKEY_CURRENT_USER, L"\\" + run)};
  EXPECT_FALSE(rows[1].Protected);  // a single start-up value may go
  EXPECT_TRUE(rows[2].Protected);
  EXPECT_TRUE(rows[3].Protected);  // the Run key never does
  // The engine decides again, whatever the rows say.
  for (TDeleteRow& row : rows) {
    row.Checked = true;
    row.Protected = false;
  }
  TBackup backup(store.Path(), L"Leftovers", L"Tool");
  TDeleteEngine engine;
  engine.Backup = &backup;

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(StatusOf(rows[0]), kDone);
  EXPECT_EQ(StatusOf(rows[1]), kDone);
  const std::vector<std::wstring> refused = {kStatusFailed, kStatusProtected};
  EXPECT_EQ(StatusOf(rows[2]), refused);
  EXPECT_EQ(StatusOf(rows[3]), refused);
  EXPECT_EQ(gone.Read(), L"(missing)");
  EXPECT_EQ(started.Read(), L"(missing)");
  EXPECT_EQ(kept.Read(), L"kept");
  EXPECT_EQ(startedToo.Read(), L"other.exe");
  EXPECT_EQ(setting.Read(), L"blue");

  TBackupAction action;
  ASSERT_TRUE(ReadBackup(backup.Folder(), action));
  ASSERT_EQ(action.Items.size(), 2u);
  EXPECT_EQ(action.Items[0].Kind, kBackupValue);
  EXPECT_EQ(action.Items[0].Path, L"HKEY_CURRENT_USER\\" + tool);
  EXPECT_EQ(action.Items[0].ValueName, L"Gone|\"odd\\name");
  EXPECT_EQ(action.Items[1].ValueName, unique);
  EXPECT_NE(TfRestore::DetailsText(action).find(L"Registry value: HKEY_CURRENT_USER\\" + tool +
                                                L" \"Gone|\"odd\\name\""),
            std::wstring::npos);
  // What the keys hold meanwhile stays as it is: each file writes its one value.
  TUserValue added(tool, L"Added", L"new");
  TUserValue changed(tool, L"Kept", L"changed");
  RestoreRegistry(action, IsProtectedKey, AreValuesProtected);
  EXPECT_EQ(gone.Read(), L"C:\\Tool\\tool.exe");
  EXPECT_EQ(started.Read(), L"\"C:\\Tool\\tool.exe\" /tray");
  EXPECT_EQ(changed.Read(), L"changed");
  EXPECT_EQ(added.Read(), L"new");
  // Without the value rule a start-up value is not written into the protected Run key.
  EXPECT_THROW(RestoreRegistry(action, IsProtectedKey), win::TError);
  RegDeleteKeyW(HKEY_CURRENT_USER, settings.c_str());
}

TEST(DeleteEngineTest, TheCheckBeforeEachRowHoldsItBackOrCountsItGoneWithoutTouchingIt) {
  TTempDir dir;
  TDeleteRows rows = {Row(L"Folder", NoSlash(dir.MakeFolder(L"held"))),
                      Row(L"Folder", NoSlash(dir.MakeFolder(L"free"))),
                      Row(L"Folder", NoSlash(dir.MakeFolder(L"unticked"))),
                      Row(L"Folder", NoSlash(dir.MakeFolder(L"gone already")))};
  rows[2].Checked = false;
  TDeleteEngine engine;
  std::vector<size_t> asked;
  engine.CheckBeforeDeleting = [&](size_t i) -> TDeleteEngine::TRowCheck {
    asked.push_back(i);
    if (i == 0) return {TDeleteEngine::TRowCheck::Stay, L"It became another program's."};
    return {i == 3 ? TDeleteEngine::TRowCheck::Gone : TDeleteEngine::TRowCheck::Go};
  };
  std::vector<std::wstring> reasons;
  RecordReasons(engine, reasons);

  EXPECT_FALSE(engine.DeleteCheckedItems(rows));

  EXPECT_EQ(asked, (std::vector<size_t>{0, 1, 3}));
  EXPECT_EQ(StatusOf(rows[0]), kFailed);
  EXPECT_TRUE(Exists(rows[0].Item.Path));
  EXPECT_EQ(StatusOf(rows[1]), kDone);
  EXPECT_FALSE(Exists(rows[1].Item.Path));
  EXPECT_TRUE(Exists(rows[2].Item.Path));
  EXPECT_EQ(StatusOf(rows[3]), kDone);
  EXPECT_TRUE(Exists(rows[3].Item.Path));
  EXPECT_EQ(reasons, (std::vector<std::wstring>{L"0 It became another program's."}));
}

}  // namespace
