// The name/value grid on a form of its own, driven by the keyboard and mouse messages a user's
// input produces, passed through the dialog manager as a dialog's message loop does.
#include "widgets/ValueListEditor.h"

#include "WidgetTestSupport.h"
#include "win/Window.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace widgets_test;

void PrintTo(const TValueListEditor::TRow& row, std::ostream* out) {
  *out << testing::PrintToString(row.Key) << "=" << testing::PrintToString(row.Value);
}

namespace {

// A modeless dialog of the given client size: like the program's dialogs, it gives the focus back
// to the control that had it when it is activated again (other test programs share the display).
class TTestDialog {
public:
  TTestDialog(int clientWidth, int clientHeight) {
    struct {
      DLGTEMPLATE Header;
      WORD Menu = 0, Class = 0, Title = 0;
    } empty{{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_CONTROLPARENT, 0, 0, 0, 10,
             10}};
    hwnd_ = CreateDialogIndirectParamW(nullptr, &empty.Header, nullptr, Proc,
                                       reinterpret_cast<LPARAM>(this));
    RECT rc{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rc, GetWindowLongW(hwnd_, GWL_STYLE), FALSE,
                       GetWindowLongW(hwnd_, GWL_EXSTYLE));
    SetWindowPos(hwnd_, nullptr, 40, 40, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
  }
  ~TTestDialog() { DestroyWindow(hwnd_); }
  HWND Handle() const noexcept { return hwnd_; }

  // The identifiers of the WM_COMMAND messages that reached the dialog.
  std::vector<int> Commands;

private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    auto* self = reinterpret_cast<TTestDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (msg == WM_COMMAND && self) self->Commands.push_back(LOWORD(wp));
    return FALSE;
  }
  HWND hwnd_ = nullptr;
};

class ValueListEditorTest : public ::testing::Test {
protected:
  ValueListEditorTest() : form(460, 200) {
    // The buttons carry the identifiers the dialog manager sends for Esc and Enter.
    before = CreateWindowExW(0, L"BUTTON", L"Before", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 160,
                             80, 24, form.Handle(), reinterpret_cast<HMENU>(IDCANCEL), nullptr,
                             nullptr);
    grid.Create(form.Handle(), 0, 0, 460, 150, 7);
    after = CreateWindowExW(0, L"BUTTON", L"After",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 100, 160, 80, 24,
                            form.Handle(), reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    SetWindowPos(before, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // first in tab order
    grid.SetTitles(L"Registry Key", L"Registry Value");
    grid.SetRow(0, L"DisplayName", L"Sample");
    grid.AppendRow();
    grid.SetRow(1, L"Version", L"1.0");
    grid.OnSelectCell = [this](int column, int row) { selected.emplace_back(column, row); };
    SendMessageW(form.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(grid.Handle()), TRUE);
    Pump();
  }
  ~ValueListEditorTest() override { SetModifiers(false, false); }

  // The window with the keyboard focus, once the dialog is active again after another program
  // took the display's focus for a moment.
  HWND Focus() {
    EXPECT_TRUE(PumpUntil([this] {
      if (GetForegroundWindow() == form.Handle()) return true;
      SetForegroundWindow(form.Handle());
      return false;
    }));
    return GetFocus();
  }
  // A key pressed on the window with the focus, as the message loop of a dialog sees it.
  void Key(WPARAM key, bool shift = false, bool control = false) {
    HWND target = Focus();
    SetModifiers(shift, control);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    DialogPump();
    SetModifiers(false, false);
  }
  void Type(const std::wstring& text) {
    HWND target = Focus();
    for (wchar_t ch : text) PostMessageW(target, WM_CHAR, ch, 1);
    DialogPump();
  }
  void DialogPump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageW(form.Handle(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
  }
  static void SetModifiers(bool shift, bool control) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
  }
  bool Commanded(int id) const {
    return std::find(form.Commands.begin(), form.Commands.end(), id) != form.Commands.end();
  }
  POINT Centre(int column, int row) const {
    RECT rc = grid.CellRect(column, row);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }
  std::wstring EditorText() const { return win::WindowText(grid.Editor()); }

  TTestDialog form;
  HWND before = nullptr, after = nullptr;
  TValueListEditor grid;
  std::vector<std::pair<int, int>> selected;
};

TEST_F(ValueListEditorTest, F2AndTypingEditInPlaceEnterCommitsAndEscCancelsWithoutReachingTheForm) {
  Key(VK_RIGHT);
  Key(VK_F2);
  ASSERT_TRUE(grid.Editing());
  EXPECT_EQ(Focus(), grid.Editor());
  EXPECT_TRUE(IsWindowVisible(grid.Editor()));
  RECT cell = grid.CellRect(TValueListEditor::kValueColumn, 0);
  EXPECT_TRUE(PtInRect(&cell, POINT{RectInParent(grid.Editor()).left + 2,
                                    RectInParent(grid.Editor()).top + 2}));
  EXPECT_EQ(EditorText(), L"Sample");
  DWORD start = 0, end = 0;
  SendMessageW(grid.Editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end - start, 6u) << "the old text is selected, so typing replaces it";
  Type(L"Other");
  Key(VK_RETURN);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(Focus(), grid.Handle());
  EXPECT_EQ(grid.Row(0), (TValueListEditor::TRow{L"DisplayName", L"Other"}));
  EXPECT_FALSE(Commanded(IDOK)) << "Enter in the editor belongs to the edit";

  Key(VK_DOWN);
  Type(L"2.");  // typing on a cell replaces its text
  ASSERT_TRUE(grid.Editing());
  EXPECT_EQ(EditorText(), L"2.");
  Key(VK_ESCAPE);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Row(1).Value, L"1.0");
  EXPECT_FALSE(Commanded(IDCANCEL)) << "Esc in the editor cancels the edit, not the form";

  // Without an open editor, Enter and Esc are the form's again.
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_TRUE(Commanded(IDOK));
  EXPECT_TRUE(Commanded(IDCANCEL));
}

TEST_F(ValueListEditorTest, ArrowsMoveTheCellAndTabWalksTheCellsAndLeavesAtBothEnds) {
  Key(VK_RIGHT);
  Key(VK_DOWN);
  Key(VK_DOWN);  // stays on the last row
  Key(VK_LEFT);
  EXPECT_EQ(selected, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {0, 1}}));
  Key(VK_UP);
  EXPECT_EQ(grid.CurrentRow(), 0);

  Key(VK_TAB);
  EXPECT_EQ(grid.CurrentColumn(), 1);
  Key(VK_F2);
  Type(L"Renamed");
  Key(VK_TAB);  // commits and moves on
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Row(0).Value, L"Renamed");
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_EQ(grid.CurrentColumn(), 0);
  Key(VK_TAB);
  EXPECT_EQ(Focus(), grid.Handle());
  Key(VK_TAB);  // from the last cell to the next control
  EXPECT_EQ(Focus(), after);

  SendMessageW(form.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(grid.Handle()), TRUE);
  grid.SelectCell(0, 0);
  Key(VK_TAB, true);  // Shift+Tab from the first cell to the control before
  EXPECT_EQ(Focus(), before);
  EXPECT_EQ(grid.CurrentRow(), 0);
  EXPECT_EQ(grid.Row(1), (TValueListEditor::TRow{L"Version", L"1.0"}));
}

TEST_F(ValueListEditorTest, InsertAddsARowCtrlDeleteRemovesOneAndTheLastRowIsOnlyEmptied) {
  Key(VK_DOWN);
  Key(VK_INSERT);  // above the current row, which becomes the new one
  ASSERT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.CurrentRow(), 1);
  Type(L"Publisher");
  Key(VK_TAB);
  Type(L"Tarvenholt");
  Key(VK_RETURN);
  EXPECT_EQ(grid.Rows(), (std::vector<TValueListEditor::TRow>{
                             {L"DisplayName", L"Sample"}, {L"Publisher", L"Tarvenholt"},
                             {L"Version", L"1.0"}}));

  Key(VK_DELETE);  // Delete alone removes nothing
  EXPECT_EQ(grid.RowCount(), 3);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(grid.Rows(), (std::vector<TValueListEditor::TRow>{{L"DisplayName", L"Sample"},
                                                              {L"Version", L"1.0"}}));
  grid.SelectCell(0, 1);
  Key(VK_DELETE, false, true);  // the last row: the current row moves up
  EXPECT_EQ(grid.CurrentRow(), 0);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(grid.Rows(), (std::vector<TValueListEditor::TRow>{{}}));
  EXPECT_EQ(grid.AppendRow(), 1);
  EXPECT_EQ(grid.RowCount(), 2);
}

TEST_F(ValueListEditorTest, AClickSelectsAnotherClickOrADoubleClickEditsAndClickingAwayCommits) {
  const POINT value = Centre(1, 1);
  Focus();
  MouseDown(grid.Handle(), value.x, value.y);
  MouseUp(grid.Handle(), value.x, value.y);
  EXPECT_EQ(grid.CurrentColumn(), 1);
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_FALSE(grid.Editing());
  Focus();
  TCapture pixels(form.Handle());
  const RECT cell = grid.CellRect(1, 1);
  POINT blank{cell.right - 10, cell.top + 4};  // right of the text
  MapWindowPoints(grid.Handle(), form.Handle(), &blank, 1);
  EXPECT_EQ(pixels.At(blank.x, blank.y), GetSysColor(COLOR_HIGHLIGHT))
      << "the current cell is drawn selected";
  Focus();
  MouseDown(grid.Handle(), value.x, value.y);
  ASSERT_TRUE(grid.Editing());
  Type(L"2.0");
  const POINT key = Centre(0, 0);
  Focus();
  MouseDown(grid.Handle(), key.x, key.y);  // another cell: the edit is kept
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Row(1).Value, L"2.0");
  SendMessageW(grid.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(key.x, key.y));
  ASSERT_TRUE(grid.Editing());
  EXPECT_EQ(EditorText(), L"DisplayName");
  Type(L"Name");
  SendMessageW(form.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(after), TRUE);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Row(0).Key, L"Name") << "moving to another control keeps the edit too";
  EXPECT_FALSE(IsWindowVisible(grid.Editor()));
}

TEST_F(ValueListEditorTest, TheCurrentRowScrollsIntoSightAndTheColumnsHaveTheirWidths) {
  const RECT key = grid.CellRect(0, 0), value = grid.CellRect(1, 0);
  EXPECT_EQ(key.right - key.left, 150);
  EXPECT_EQ(value.left, 150);
  EXPECT_EQ(value.right - value.left, 293);
  for (int i = 0; i < 30; ++i) grid.SetRow(grid.AppendRow(), L"Name" + std::to_wstring(i), L"v");
  RECT client;
  GetClientRect(grid.Handle(), &client);
  for (int i = 0; i < 31; ++i) Key(VK_DOWN);
  EXPECT_EQ(grid.CurrentRow(), 31);
  const RECT last = grid.CellRect(0, 31);
  EXPECT_GE(last.top, key.bottom);
  EXPECT_LE(last.bottom, client.bottom);
  int column = -1, row = -1;
  ASSERT_TRUE(grid.CellAt(POINT{10, last.top + 2}, column, row));
  EXPECT_EQ(row, 31);
  Key(VK_HOME, false, true);
  EXPECT_EQ(grid.CurrentRow(), 0);
  EXPECT_EQ(grid.CellRect(0, 0).top, key.top);
}

}  // namespace
