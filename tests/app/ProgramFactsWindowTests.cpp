// What the main window shows beyond the registry's own values: install folders and measured
// sizes found after the list is shown, the column menu, the marks of a name listed twice, and
// the Modify and Repair commands.
#include "MainWindowTestSupport.h"

#include "app/SideBar.h"
#include "editing/DetailsRows.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "leftovers/FolderSizes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace testing_support;
using namespace main_window_testing;

namespace {

std::vector<std::wstring> Captions(HWND list) {
  std::vector<std::wstring> captions;
  for (int i = 0, n = Header_GetItemCount(ListView_GetHeader(list)); i < n; ++i) {
    wchar_t caption[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 64;
    ListView_GetColumn(list, i, &column);
    captions.push_back(caption);
  }
  return captions;
}

std::wstring ItemText(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

const TProgramRow* RowNamed(TfMain& w, const std::wstring& name) {
  for (size_t i = 0; i < w.Programs().Count(); ++i)
    if (w.Programs().Row(i).Caption == name) return &w.Programs().Row(i);
  return nullptr;
}

std::wstring DetailValue(const TProgramRow& row, const std::wstring& caption) {
  for (const TDetailRow& detail : ReadDetailRows(*row.Entry))
    if (detail.Caption == caption) return detail.Value;
  return L"<none>";
}

TEST_F(MainWindowTest, AFolderSizeComesAfterTheFirstPaintAndTheHeaderMenuShowsTheInstallFolder) {
  dir.MakeFile(L"Beta\\beta.exe", std::string(3000, 'b'));
  dir.MakeFile(L"Beta\\Data\\beta.dat", std::string(1000, 'd'));
  const std::wstring folder = dir.Path() + L"Beta";
  // No location: the folder is the uninstaller's.
  key.SetString(L"Uninstall\\B", L"UninstallString", L"\"" + folder + L"\\unins000.exe\" /SILENT");
  // Made and shown without handling a message in between: the list is painted with no size yet.
  settings = std::make_unique<TWinSettings>(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  main = std::make_unique<TfMain>(*settings, TCommandLine({}),
                                  std::vector<TUninstallSource>{key.Source()});
  main->Create();
  main->Show(SW_SHOWNORMAL);
  TfMain& w = *main;
  const TProgramRow* beta = RowNamed(w, L"Beta Player");
  ASSERT_TRUE(beta && w.FolderSizer());
  EXPECT_EQ(beta->Size, L"");
  w.lvPrograms().Select(w.Programs().IndexOf(beta), true);
  ASSERT_TRUE(PumpUntil([&] { return w.FolderSizer()->Done() && beta->SizeMeasured; }));
  PumpMessages();
  // The selected program's side bar follows.
  EXPECT_EQ(Text(w.SideBar().SizeLabel()), TInfoCache::FormatSize(4000));
  EXPECT_EQ(Text(w.SideBar().FolderLabel()), folder);
  EXPECT_EQ(beta->SizeBytes, 4000);
  EXPECT_EQ(DetailValue(*beta, L"Size:"), TInfoCache::FormatSize(4000) + L" (measured)");
  EXPECT_EQ(DetailValue(*beta, L"Install Folder:"), folder);

  // The header's menu: every column ticked as shown; the fixed ones cannot be taken away.
  Command(cmDetailsView);
  HWND list = w.lvPrograms().Handle();
  std::atomic<bool> listed{false};
  std::thread user([&] {
    HWND popup = WaitForWindowOfClass(L"#32768");
    HMENU menu = w.ColumnMenu();
    bool ok = popup && GetMenuItemCount(menu) == 7;
    for (UINT i = 0; ok && i < 7; ++i) {
      UINT state = GetMenuState(menu, i, MF_BYPOSITION);
      ok = ((state & MF_CHECKED) != 0) == (i < 5) && ((state & MF_GRAYED) != 0) == (i < 5);
    }
    listed = ok;
    RECT item{};
    if (popup && GetMenuItemRect(nullptr, menu, 6, &item)) {
      const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
      PostMessageW(popup, WM_MOUSEMOVE, 0, at);
      PostMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(popup, WM_LBUTTONUP, 0, at);
    } else {
      PostMessageW(w.Handle(), WM_CANCELMODE, 0, 0);
    }
  });
  SendMessageW(w.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListView_GetHeader(list)),
               MAKELPARAM(-1, -1));
  user.join();
  PumpMessages();
  EXPECT_TRUE(listed);
  const std::vector<std::wstring> withFolder = {L"Name",      L"Size",
                                                L"Last Used On", L"Frequency",
                                                L"Uninstall Command", L"Install Folder"};
  EXPECT_EQ(Captions(list), withFolder);
  const int betaRow = w.Programs().IndexOf(beta);
  EXPECT_EQ(ItemText(list, betaRow, 5), folder);

  // The measured size is drawn in the lighter shade, and only it; not while its row is selected.
  // Cells are asked for only in rows with a measured size (every row is asked after its paint, for
  // its icon).
  auto drawn = [&](DWORD stage, int item, int column, COLORREF& text) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), NM_CUSTOMDRAW};
    draw.nmcd.dwDrawStage = stage;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
    draw.iSubItem = column;
    draw.clrText = CLR_DEFAULT;
    LRESULT result = 0;
    EXPECT_TRUE(w.lvPrograms().OnNotify(draw.nmcd.hdr, result));
    text = draw.clrText;
    return result;
  };
  COLORREF color = CLR_DEFAULT;
  const int shownAt = w.lvPrograms().Filter().PositionOf(beta);
  EXPECT_EQ(drawn(CDDS_PREPAINT, 0, 0, color), CDRF_NOTIFYITEMDRAW);
  EXPECT_EQ(drawn(CDDS_ITEMPREPAINT, shownAt, 0, color), CDRF_NOTIFYPOSTPAINT);  // selected
  w.lvPrograms().Select(-1, false);
  EXPECT_EQ(drawn(CDDS_ITEMPREPAINT, shownAt, 0, color),
            CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT);
  drawn(CDDS_ITEMPREPAINT | CDDS_SUBITEM, shownAt, 1, color);
  EXPECT_EQ(color, GetSysColor(COLOR_GRAYTEXT));
  drawn(CDDS_ITEMPREPAINT | CDDS_SUBITEM, shownAt, 0, color);
  EXPECT_EQ(color, CLR_DEFAULT);
  for (int other = 0; other < ListView_GetItemCount(list); ++other) {
    if (other != shownAt) {
      EXPECT_EQ(drawn(CDDS_ITEMPREPAINT, other, 0, color), CDRF_NOTIFYPOSTPAINT);
    }
  }

  // Ordered by size, the measured size counts like a stated one.
  w.lvPrograms().ColumnClick(1);
  w.lvPrograms().ColumnClick(1);
  EXPECT_EQ(w.Programs().Row(0).Caption, L"Beta Player");

  // The choice is kept with the window's settings.
  Close();
  TfMain& again = Start();
  EXPECT_EQ(Captions(again.lvPrograms().Handle()), withFolder);
  again.ToggleColumn(6);
  again.ToggleColumn(5);
  EXPECT_EQ(Captions(again.lvPrograms().Handle()).back(), L"Publisher");
}

TEST_F(MainWindowTest, ModifyAndRepairAreOfferedOnlyWhereTheEntryHasThem) {
  const std::wstring code = L"{5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1D4}";
  key.AddProgram(code, L"Aardvark Suite", L"MsiExec.exe /X" + code);
  key.SetDword(L"Uninstall\\" + code, L"WindowsInstaller", 1);
  key.SetDword(L"Uninstall\\" + code, L"NoRepair", 1);
  TfMain& w = Start();
  HMENU uninstall = GetSubMenu(w.MainMenu(), TfMain::mpUninstall);
  auto offered = [&](int row) {
    w.lvPrograms().Select(row, false);
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(uninstall), 1);
    return std::pair{!(GetMenuState(uninstall, cmModify, MF_BYCOMMAND) & MF_GRAYED),
                     !(GetMenuState(uninstall, cmRepair, MF_BYCOMMAND) & MF_GRAYED)};
  };
  ASSERT_EQ(w.Programs().Row(0).Caption, L"Aardvark Suite");
  EXPECT_EQ(offered(0), std::pair(true, false));
  EXPECT_EQ(offered(1), std::pair(false, false));  // Alpha Editor offers neither
}

// The same name in the machine's two views and the user's own: each row says where it is from.
TEST(ProgramListMarks, TellApartOnlyNamesListedFromMoreThanOnePlace) {
  win::ComInit com;
  TSourceTrees trees;
  using P = TSourceTrees;
  trees.AddProgram(P::Machine, L"S", L"Same App", L"native.exe");
  trees.AddProgram(P::Machine32, L"S", L"Same App", L"wow.exe");
  trees.AddProgram(P::User, L"S", L"Same App", L"user.exe");
  trees.AddProgram(P::User, L"O", L"Only Mine", L"mine.exe");
  TTestKey key;
  TWinSettings settings(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
  TfMain w(settings, TCommandLine({}), trees.Sources());
  w.Create();
  HWND list = w.lvPrograms().Handle();
  std::vector<std::wstring> shown;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) shown.push_back(ItemText(list, i, 0));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Only Mine", L"Same App", L"Same App (32-bit)",
                                              L"Same App (per user)"}));
  DestroyWindow(w.Handle());
  PumpMessages();
}

}  // namespace
