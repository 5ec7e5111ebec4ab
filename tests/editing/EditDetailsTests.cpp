// Edit program details, opened from the real main window on an entry of the test's own tree and
// worked from inside the dialog's own message loop with the messages a user's input produces;
// afterwards the key's values and types are read back.
#include "editing/EditDetails.h"
#include "editing/EntryValues.h"
#include "inventory/UninstallItem.h"
#include "inventory/NormalUninstall.h"
#include "editing/DetailsRows.h"

#include "app/CommandIds.h"
#include "app/MainWindowTestSupport.h"
#include "dialogs/EditDetailsIds.h"
#include "widgets/ValueListEditor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>

using namespace main_window_testing;

namespace {

const wchar_t kEntry[] = L"Uninstall\\E";
const wchar_t kCaption[] = L"Edit Program Details";

struct TStored {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
  bool operator==(const TStored&) const = default;
};

void PrintTo(const TStored& value, std::ostream* out) {
  *out << "type " << value.Type << ", " << value.Data.size() << " bytes";
}

TStored Bytes(DWORD type, const void* data, size_t size) {
  auto begin = static_cast<const BYTE*>(data);
  return TStored{type, std::vector<BYTE>(begin, begin + size)};
}
TStored StoredText(DWORD type, const std::wstring& text) {
  return Bytes(type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}
TStored Dword(DWORD value) { return Bytes(REG_DWORD, &value, sizeof value); }

// The script that runs once the dialog is up; a thread timer fires inside the dialog's loop.
std::function<void(HWND)> script;
bool scriptRan = false;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowW(L"#32770", kCaption);
  if (!dialog || !IsWindowVisible(dialog)) return;  // not up yet: the timer fires again
  KillTimer(nullptr, id);
  scriptRan = true;
  script(dialog);
}

class EditDetailsTest : public MainWindowTest {
protected:
  EditDetailsTest() {
    key.AddProgram(L"E", L"Echo Suite", L"echo.exe");
    key.SetString(kEntry, L"UninstallString", L"%ProgramFiles%\\Echo\\uninst.exe", REG_EXPAND_SZ);
    key.SetDword(kEntry, L"EstimatedSize", 2048);
    key.SetBinary(kEntry, L"Blob", {1, 2, 3});
    key.SetString(kEntry, L"Version", L"1.0");
    key.SetString(kEntry, L"Comments", L"old");
  }

  // Opens the dialog on the selected entry with the menu command and runs the script in it; true
  // once the dialog has closed again.
  bool Edit(std::function<void(HWND)> run) {
    script = std::move(run);
    scriptRan = false;
    SetTimer(nullptr, 0, 10, RunScript);
    Command(cmEditDetails);
    return scriptRan && !FindWindowW(L"#32770", kCaption);
  }
  void SelectEntry(const std::wstring& caption) {
    for (int i = 0; i < 5 && SelectedCaption() != caption; ++i) main->lvPrograms().Select(i, false);
    ASSERT_EQ(SelectedCaption(), caption);
  }

  std::vector<std::wstring> Names() const {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    registry.OpenKeyReadOnly(key.Path() + L"\\" + kEntry);
    return registry.GetValueNames();
  }
  std::map<std::wstring, TStored> Values() const {
    std::map<std::wstring, TStored> values;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (key.Path() + L"\\" + kEntry).c_str(), 0, KEY_READ,
                      &raw) != ERROR_SUCCESS)
      return values;
    win::UniqueHKey entry(raw);
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD nameLength = 256, type = 0, size = 4096;
      std::vector<BYTE> data(size);
      if (RegEnumValueW(entry.Get(), i, name, &nameLength, nullptr, &type, data.data(), &size) !=
          ERROR_SUCCESS)
        break;
      data.resize(size);
      values[name] = TStored{type, data};
    }
    return values;
  }

  // Input for the dialog, passed through the dialog manager as its loop does.
  static void Pump(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageW(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
  }
  // The window with the keyboard focus, once the dialog is active again after another program
  // took the display's focus for a moment (the dialog then gives the focus back where it was).
  static HWND Focus(HWND dialog) {
    EXPECT_TRUE(PumpUntil([dialog] {
      if (GetForegroundWindow() == dialog) return true;
      SetForegroundWindow(dialog);
      return false;
    }));
    return GetFocus();
  }
  static void Key(HWND dialog, WPARAM key) {
    HWND target = Focus(dialog);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    Pump(dialog);
  }
  static void Type(HWND dialog, const std::wstring& text) {
    HWND target = Focus(dialog);
    for (wchar_t ch : text) PostMessageW(target, WM_CHAR, ch, 1);
    Pump(dialog);
  }
  static void ClickButton(HWND dialog, int id) {
    PostClick(GetDlgItem(dialog, id));
    Pump(dialog);
  }
  static TValueListEditor& Grid(HWND dialog) {
    return *static_cast<TValueListEditor*>(
        win::TWindow::FromHandle(GetDlgItem(dialog, IDC_ED_GRIDCONTROL)));
  }
  // Clicks a cell of the row with the name.
  static void ClickCell(HWND dialog, const std::wstring& name, int column) {
    TValueListEditor& grid = Grid(dialog);
    for (int row = 0; row < grid.RowCount(); ++row)
      if (grid.Row(row).Key == name) {
        const RECT rc = grid.CellRect(column, row);
        Focus(dialog);
        Click(grid.Handle(), (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        Pump(dialog);
        return;
      }
    ADD_FAILURE() << "no row for " << testing::PrintToString(name);
  }
};

TEST_F(EditDetailsTest, AnEditSessionWritesTheChangedRowsKeepsStoredTypesAndDeletesRemovedNames) {
  Start();
  SelectEntry(L"Echo Suite");
  std::vector<TValueListEditor::TRow> shown;
  const std::vector<std::wstring> names = Names();
  std::wstring stored;
  bool gridFocused = false;
  ASSERT_TRUE(Edit([&](HWND dialog) {
    TValueListEditor& grid = Grid(dialog);
    shown = grid.Rows();
    stored = ControlText(GetDlgItem(dialog, IDC_ED_STORED));
    gridFocused = Focus(dialog) == grid.Handle();

    ClickCell(dialog, L"DisplayName", 1);
    Key(dialog, VK_F2);
    Key(dialog, VK_END);
    Type(dialog, L" 2");
    Key(dialog, VK_RETURN);
    ClickCell(dialog, L"Version", 1);
    Type(dialog, L"2.0");  // typing replaces the text
    Key(dialog, VK_RETURN);
    ClickCell(dialog, L"EstimatedSize", 1);
    Type(dialog, L"12ab");
    Key(dialog, VK_RETURN);
    ClickCell(dialog, L"Comments", 0);
    ClickButton(dialog, IDC_ED_DELETE);
    ClickButton(dialog, IDC_ED_ADD);
    const RECT added = grid.CellRect(0, grid.RowCount() - 1);
    Focus(dialog);
    Click(grid.Handle(), added.left + 5, added.top + 5);
    Type(dialog, L"Channel");
    Key(dialog, VK_TAB);
    Type(dialog, L"1");
    Key(dialog, VK_RETURN);
    ClickButton(dialog, IDOK);
  }));

  // In the order the registry lists the names.
  const std::vector<TValueListEditor::TRow> expectedRows{
      {L"Comments", L"old"},
      {L"DisplayName", L"Echo Suite"},
      {L"EstimatedSize", L"2048"},
      {L"UninstallString", L"%ProgramFiles%\\Echo\\uninst.exe"},
      {L"Version", L"1.0"}};
  ASSERT_EQ(names, (std::vector<std::wstring>{L"Blob", L"Comments", L"DisplayName",
                                              L"EstimatedSize", L"UninstallString", L"Version"}));
  EXPECT_EQ(shown, expectedRows) << "the binary value stays out of the grid";
  EXPECT_EQ(stored, L"HKEY_CURRENT_USER\\" + key.Path() + L"\\" + kEntry);
  EXPECT_TRUE(gridFocused);

  const BYTE blob[] = {1, 2, 3};
  const std::map<std::wstring, TStored> expected{
      {L"DisplayName", StoredText(REG_SZ, L"Echo Suite 2")},
      {L"UninstallString", StoredText(REG_EXPAND_SZ, L"%ProgramFiles%\\Echo\\uninst.exe")},
      {L"EstimatedSize", Dword(2048)},
      {L"Blob", Bytes(REG_BINARY, blob, sizeof blob)},
      {L"Version", StoredText(REG_SZ, L"2.0")},
      {L"Channel", StoredText(REG_SZ, L"1")}};
  EXPECT_EQ(Values(), expected);
  EXPECT_TRUE(PumpUntil([&] { return SelectedCaption() == L"Echo Suite 2"; }))
      << "the list is scanned again after OK";
}

// Values whose shown text would not write back the same bytes are shown read-only, and OK leaves
// them and every row the user did not touch exactly as stored; only the edit and the removal land.
TEST_F(EditDetailsTest, OkWritesOnlyTheUsersChangesAndLeavesEveryOtherValueByteForByte) {
  const uint64_t wide = 0x0000000100000002;
  key.SetRaw(kEntry, L"Wide", REG_DWORD, &wide, sizeof wide);
  const wchar_t twoParts[] = L"first\0second";
  key.SetRaw(kEntry, L"TwoParts", REG_SZ, twoParts, sizeof twoParts);
  // The registry adds a terminator to a string whose next character in memory is a NUL: these
  // are followed by others.
  const BYTE odd[] = {'o', 0, 'd', 0, 'd', '!'};
  key.SetRaw(kEntry, L"Odd", REG_SZ, odd, 5);
  const wchar_t bare[] = {L'%', L'x', L'%', L'!'};
  key.SetRaw(kEntry, L"Unterminated", REG_EXPAND_SZ, bare, 3 * sizeof(wchar_t));
  Start();
  SelectEntry(L"Echo Suite");
  std::map<std::wstring, TStored> expected = Values();
  std::vector<TValueListEditor::TRow> shown;
  bool editorOpened = true;
  ASSERT_TRUE(Edit([&](HWND dialog) {
    shown = Grid(dialog).Rows();
    ClickCell(dialog, L"Wide", 1);
    Type(dialog, L"7");
    Key(dialog, VK_F2);
    editorOpened = Grid(dialog).Editing();
    ClickCell(dialog, L"Version", 1);
    Type(dialog, L"2.0");
    Key(dialog, VK_RETURN);
    ClickCell(dialog, L"Comments", 0);
    ClickButton(dialog, IDC_ED_DELETE);
    ClickButton(dialog, IDOK);
  }));
  auto row = [&shown](const std::wstring& name) {
    for (const auto& r : shown)
      if (r.Key == name) return r;
    return TValueListEditor::TRow{L"<no row>", L"", false};
  };
  EXPECT_EQ(row(L"Wide"), (TValueListEditor::TRow{L"Wide", L"4294967298", true}));
  EXPECT_EQ(row(L"TwoParts"), (TValueListEditor::TRow{L"TwoParts", L"first", true}));
  EXPECT_EQ(row(L"Odd"), (TValueListEditor::TRow{L"Odd", L"od", true}));
  EXPECT_EQ(row(L"Unterminated"), (TValueListEditor::TRow{L"Unterminated", L"%x%", true}));
  EXPECT_EQ(row(L"Version"), (TValueListEditor::TRow{L"Version", L"1.0", false}));
  EXPECT_FALSE(editorOpened) << "a read-only row is not edited";

  expected[L"Version"] = StoredText(REG_SZ, L"2.0");
  expected.erase(L"Comments");
  EXPECT_EQ(Values(), expected);
}

TEST_F(EditDetailsTest, CancelAndEscWriteNothing) {
  Start();
  SelectEntry(L"Echo Suite");
  const auto before = Values();
  auto changeEverything = [&](HWND dialog) {
    ClickCell(dialog, L"Version", 1);
    Type(dialog, L"9.9");
    Key(dialog, VK_RETURN);
    ClickCell(dialog, L"Comments", 0);
    ClickButton(dialog, IDC_ED_DELETE);
    ClickButton(dialog, IDC_ED_ADD);
  };
  ASSERT_TRUE(Edit([&](HWND dialog) {
    changeEverything(dialog);
    ClickButton(dialog, IDCANCEL);
  }));
  EXPECT_EQ(Values(), before);
  ASSERT_TRUE(Edit([&](HWND dialog) {
    changeEverything(dialog);
    ClickCell(dialog, L"DisplayName", 1);
    Type(dialog, L"Renamed");
    Key(dialog, VK_ESCAPE);  // cancels the edit
    EXPECT_TRUE(IsWindowVisible(dialog));
    Key(dialog, VK_ESCAPE);  // cancels the dialog
  }));
  EXPECT_EQ(Values(), before);
}

TEST_F(EditDetailsTest, DeleteKeyOnTheEmptyLastRowDeletesNothing) {
  key.SetBinary(kEntry, L"", {7});  // the default value, hidden
  key.SetBinary(kEntry, L"Zeta", {8});  // hidden and listed last: an empty row ends the grid
  Start();
  SelectEntry(L"Echo Suite");
  const auto before = Values();
  std::vector<TValueListEditor::TRow> rows;
  ASSERT_TRUE(Edit([&](HWND dialog) {
    TValueListEditor& grid = Grid(dialog);
    const RECT last = grid.CellRect(0, grid.RowCount() - 1);
    Focus(dialog);
    Click(grid.Handle(), last.left + 5, last.top + 5);
    ClickButton(dialog, IDC_ED_DELETE);
    rows = grid.Rows();
    ClickButton(dialog, IDOK);
  }));
  EXPECT_EQ(rows.size(), 5u) << "the empty row is gone from the grid";
  EXPECT_EQ(Values(), before) << "the key's default value is still there";
}

// The message box a dialog opens, answered from a timer inside the box's own loop.
HWND boxOwner = nullptr;
std::wstring boxTitle, boxText;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM found) -> BOOL {
        wchar_t className[16] = {};
        GetClassNameW(hwnd, className, 16);
        if (std::wstring(className) != L"#32770" || GetWindow(hwnd, GW_OWNER) != boxOwner ||
            !IsWindowVisible(hwnd))
          return TRUE;
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, id);
  boxTitle = ControlText(box);
  boxText = ControlText(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(EditDetailsTest, ARefusedWriteShowsTheRegistryMessageAndTheDialogStillCloses) {
  Start();
  SelectEntry(L"Echo Suite");
  ASSERT_TRUE(Edit([&](HWND dialog) {
    ClickCell(dialog, L"Version", 1);
    Type(dialog, L"2.0");
    Key(dialog, VK_RETURN);
    // The entry vanishes while the dialog is open: the key it holds open refuses every write.
    RegDeleteTreeW(HKEY_CURRENT_USER, (key.Path() + L"\\" + kEntry).c_str());
    boxOwner = dialog;
    SetTimer(nullptr, 0, 10, AnswerBox);
    ClickButton(dialog, IDOK);
  }));
  EXPECT_EQ(boxTitle, L"Tarvenholt Purgalot!");
  EXPECT_EQ(boxText, L"Failed to set data for 'Version'.");
  EXPECT_TRUE(Values().empty()) << "the vanished key is not made again";
}

// What the grid is filled with, for keys of unusual shapes.
TEST(EntryValues, RowsSkipHiddenValuesAndAnEmptyDefaultValueGivesItsRowAway) {
  testing_support::TTestKey key;
  key.SetString(L"K", L"", L"");  // the default value, empty
  key.SetBinary(L"K", L"Hidden", {9});
  key.SetString(L"K", L"Name", L"Text");
  key.SetDword(L"K", L"Negative", 0xFFFFFFFF);
  key.SetBinary(L"K", L"Zeta", {1});
  TEntryValues values;
  ASSERT_TRUE(values.Load(HKEY_CURRENT_USER, 0, key.Path() + L"\\K"));
  EXPECT_EQ(values.ValueText(L"Hidden"), TEntryValues::kHidden);
  EXPECT_EQ(values.ValueText(L"Unknown"), TEntryValues::kHidden);
  EXPECT_EQ(values.Rows(), (std::vector<TValueRow>{{L"Name", L"Text"}, {L"Negative", L"-1"}, {}}))
      << "a trailing empty row when the last names are hidden";

  TEntryValues none;
  EXPECT_FALSE(none.Load(HKEY_CURRENT_USER, 0, key.Path() + L"\\Missing"));
  EXPECT_EQ(none.Rows(), std::vector<TValueRow>(1));
  EXPECT_FALSE(key.Exists(L"Missing")) << "opening never creates the key";

  // A number typed over a stored integer: decimal or hexadecimal, within 32 bits, nothing else.
  int n = 0;
  EXPECT_TRUE(TEntryValues::ParseInteger(L"-12", n) && n == -12);
  EXPECT_TRUE(TEntryValues::ParseInteger(L"4294967295", n) && n == -1);
  EXPECT_TRUE(TEntryValues::ParseInteger(L"0x10", n) && n == 16);
  for (const wchar_t* bad : {L"", L"-", L"12ab", L"1 2", L"4294967296", L"-2147483649"})
    EXPECT_FALSE(TEntryValues::ParseInteger(bad, n)) << testing::PrintToString(bad);

  // A loaded name typed in another letter case is that value: it keeps its stored type.
  values.Save({{L"NEGATIVE", L"7"}}, {});
  DWORD type = REG_NONE, number = 0, size = sizeof number;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, (key.Path() + L"\\K").c_str(), L"Negative",
                         RRF_RT_ANY, &type, &number, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 7u);

  // Deletions run after the writes: a name deleted and written again ends deleted.
  values.Save({{L"Name", L"New"}, {L"", L"ignored"}}, {L"Name"});
  EXPECT_EQ(values.ValueText(L"Name"), TEntryValues::kHidden);
}

// The details page and the editor read and write the entry's own key: here the 32-bit view's,
// with the same key name in the native view beside it.
TEST(EntryValues, DetailsAndEditingUseTheEntrysOwnRegistryView) {
  testing_support::TSourceTrees trees;
  using P = testing_support::TSourceTrees;
  trees.AddProgram(P::Machine, L"Same", L"Same 64", L"same64.exe");
  trees.AddProgram(P::Machine32, L"Same", L"Same 32", L"same32.exe");
  TProgramList list;
  TNormalUninstall scanner({trees.Source(P::Machine32)});
  scanner.SetListView(&list);
  scanner.Scan();
  ASSERT_EQ(list.Count(), 1u);
  const TUninstListItem& entry = *list.Row(0).Entry;

  const std::vector<TDetailRow> rows = ReadDetailRows(entry);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].Value, L"Same 32");

  TEntryValues values;
  ASSERT_TRUE(values.Load(entry.RootKey(), entry.View(), entry.RegistryKey()));
  EXPECT_EQ(values.ValueText(L"DisplayName"), L"Same 32");
  values.Save({{L"DisplayName", L"Same 32 edited"}}, {});
  scanner.Scan();
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Row(0).Caption, L"Same 32 edited");
  TNormalUninstall native({trees.Source(P::Machine)});
  native.SetListView(&list);
  native.Scan();
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Row(0).Caption, L"Same 64");
  EXPECT_EQ(list.Row(0).UninstallCommand, L"same64.exe");
}

}  // namespace
