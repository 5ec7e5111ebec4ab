// The assisted uninstall wizard opened from the real main window and walked as a user would, on
// a desktop shortcut, Start-menu folders, a program folder and keys each test makes.
#include "assisted/AssistedWizard.h"
#include "assisted/ProtectedPlaces.h"

#include "../app/MainWindowTestSupport.h"
#include "../uninstall/UninstallTestSupport.h"
#include "app/CommandIds.h"
#include "dialogs/AssistedIds.h"
#include "inventory/Utils.h"
#include "uninstall/Logging.h"
#include "win/Text.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

using namespace main_window_testing;

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring Unique() {
  return std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
}

void MakeShortcut(const std::wstring& path, const std::wstring& target) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, link.PutVoid())));
  link->SetPath(target.c_str());
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())));
  ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

// An application left behind: its folder with a subfolder and a hidden file, a
// desktop shortcut to it, a Start-menu folder under the user's programs named like the shortcut
// and one under all users' named like its folder, a vendor key and an extension key. Each piece
// is uniquely named and removed again with the test.
struct TLeftovers {
  TLeftovers() {
    std::wstring unique = Unique();
    FolderName = L"PurgalotWizApp" + unique;
    Caption = L"Purgalot Wizard Test " + unique;
    Folder = dir.MakeFolder(FolderName);
    Exe = dir.MakeFile(FolderName + L"\\app.exe");
    dir.MakeFile(FolderName + L"\\data\\settings.dat");
    std::wstring hidden = dir.MakeFile(FolderName + L"\\data\\hidden.ini");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    Kept = dir.MakeFile(L"kept.txt");
    Link = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY)) + Caption + L".lnk";
    MakeShortcut(Link, Exe);
    UserMenu = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_PROGRAMS)) + Caption;
    CommonMenu = win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_COMMON_PROGRAMS)) + FolderName;
    for (const std::wstring& menu : {UserMenu, CommonMenu}) {
      SHCreateDirectoryExW(nullptr, menu.c_str(), nullptr);
      std::ofstream(std::filesystem::path(menu + L"\\" + Caption + L".lnk")) << "x";
    }
    VendorKey = L"Software\\PurgalotTestWizard" + unique;
    ExtensionKey = L".purgalotwiz" + unique;
    SetValue(HKEY_CURRENT_USER, VendorKey + L"\\1.0", L"Path", Folder);
    SetValue(HKEY_CLASSES_ROOT, ExtensionKey, L"", L"PurgalotWiz.File");
  }
  ~TLeftovers() {
    for (const std::wstring& menu : {UserMenu, CommonMenu})
      if (Exists(menu)) {
        DeleteFileW((menu + L"\\" + Caption + L".lnk").c_str());
        RemoveDirectoryW(menu.c_str());
      }
    DeleteFileW(Link.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, VendorKey.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ExtensionKey.c_str());
  }
  static void SetValue(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value) {
    win::UniqueHKey key;
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &made, nullptr),
              ERROR_SUCCESS);
    key.Reset(made);
    RegSetValueExW(made, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  // Every piece is where it was made.
  bool AllThere() const {
    return Exists(Exe) && Exists(Link) && Exists(UserMenu) && Exists(CommonMenu) &&
           KeyExists(HKEY_CURRENT_USER, VendorKey) && KeyExists(HKEY_CLASSES_ROOT, ExtensionKey);
  }

  TTempDir dir;
  std::wstring FolderName, Caption, Folder, Exe, Kept, Link, UserMenu, CommonMenu, VendorKey,
      ExtensionKey;
};

// The user's side, on a thread of its own while the wizard runs modally on the test's thread.
class TUser {
public:
  TUser() = default;
  TUser(const TUser&) = delete;
  TUser& operator=(const TUser&) = delete;
  bool Open() {
    dialog = WaitForDialog(L"Assisted Uninstall");
    return dialog != nullptr;
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  std::wstring Title() const { return ControlText(Item(IDC_AS_TITLE)); }

  // The page is shown with its title, and its work is done (its tree built, its list filled).
  bool WaitPage(int page, const std::wstring& title) const {
    return WaitUntil([&] {
      return fAssisted->Page() == page && fAssisted->Idle() && Title() == title &&
             !IsWindowVisible(Item(kStatusBars[page]));
    });
  }
  bool Next(int page, const std::wstring& title) const {
    PostClick(Item(IDC_AS_NEXT));
    return WaitPage(page, title);
  }
  // A user who gives up closes the wizard, so that the test's thread gets back.
  ~TUser() {
    if (dialog && IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  static constexpr int kStatusBars[] = {0, IDC_AS_SEARCH_ROOT_FOLDER, IDC_AS_SEARCH_START_MENU,
                                        IDC_AS_SEARCH_REG_ENTRIES, IDC_AS_SEARCH_EXTENSIONS, 0};

  // Ticks the desktop row with the caption.
  bool TickShortcut(const std::wstring& caption) const {
    HWND list = Item(IDC_AS_ICONS);
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = caption.c_str();
    int row = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(&find)));
    if (row < 0) return false;
    ListView_SetCheckState(list, row, TRUE);
    return ListView_GetCheckState(list, row) != 0;
  }

  // The tree item with the caption, anywhere among the items the control holds.
  static HTREEITEM Find(HWND tree, const std::wstring& caption, HTREEITEM from = TVI_ROOT) {
    HTREEITEM child = from == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, from);
    for (; child; child = TreeView_GetNextSibling(tree, child)) {
      wchar_t text[512] = {};
      TVITEMW item{};
      item.mask = TVIF_TEXT;
      item.hItem = child;
      item.pszText = text;
      item.cchTextMax = 512;
      TreeView_GetItem(tree, &item);
      if (caption == text) return child;
      if (HTREEITEM below = Find(tree, caption, child)) return below;
    }
    return nullptr;
  }
  static HTREEITEM WaitItem(HWND tree, const std::wstring& caption) {
    HTREEITEM found = nullptr;
    WaitUntil([&] { return (found = Find(tree, caption)) != nullptr; });
    return found;
  }
  static bool Checked(HWND tree, HTREEITEM item) {
    UINT state = TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12;
    return static_cast<int>(state) == TBoxTreeView::StateIndex(TCheckMark::Checked);
  }
  // A click on the item's box, found where the control says its state picture is.
  static bool ClickBox(HWND tree, HTREEITEM item) {
    TreeView_EnsureVisible(tree, item);
    RECT text{};
    memcpy(&text, &item, sizeof item);  // the message takes the item in the rectangle
    if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text))) return false;
    const int y = (text.top + text.bottom) / 2;
    for (int x = text.left - 1; x >= 0; --x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, y};
      if (TreeView_HitTest(tree, &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON)) {
        // Posted like real input: the control may wait for the button's release in its queue.
        const LPARAM at = MAKELPARAM(x, y);
        PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(tree, WM_LBUTTONUP, 0, at);
        return true;
      }
    }
    return false;
  }

  struct TRow {
    std::wstring Type, Path, Status;
    bool Checked;
    bool operator==(const TRow&) const = default;
  };
  std::vector<TRow> Rows() const {
    HWND list = Item(IDC_AS_FOR_DELETION);
    std::vector<TRow> rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      wchar_t text[3][1024] = {};
      for (int column = 0; column < 3; ++column) ListView_GetItemText(list, i, column, text[column], 1024);
      rows.push_back({text[0], text[1], text[2], ListView_GetCheckState(list, i) != 0});
    }
    return rows;
  }

  // Saves the list through the dialog under the typed name; `written` is the file it makes.
  bool SaveLog(const std::wstring& typed, const std::wstring& written) const {
    PostClick(Item(IDC_AS_SAVE_AS_LOG));
    return AnswerFileDialog(L"Save As", typed) && WaitUntil([&] { return Exists(written); });
  }

  HWND dialog = nullptr;
};

// Whether a message box shows an icon (Wine numbers its icon control otherwise than Windows).
bool HasIcon(HWND box) {
  bool found = false;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM lp) -> BOOL {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
          *reinterpret_cast<bool*>(lp) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void PrintTo(const TUser::TRow& row, std::ostream* out) {
  *out << win::ToUtf8(row.Type) << " | " << win::ToUtf8(row.Path) << " | " << win::ToUtf8(row.Status)
       << (row.Checked ? " [x]" : " [ ]");
}

// The uninstall log beside the executable, put back as it was when the test ends.
class TKeptLog {
public:
  TKeptLog() : path_(TLogging::LogPath()), existed_(Exists(path_)) {
    if (existed_) before_ = ReadBytes(path_);
  }
  ~TKeptLog() {
    if (existed_)
      std::ofstream(std::filesystem::path(path_), std::ios::binary | std::ios::trunc) << before_;
    else
      DeleteFileW(path_.c_str());
  }
  const std::string& Before() const noexcept { return before_; }
  std::string Now() const { return Exists(path_) ? ReadBytes(path_) : std::string(); }

private:
  std::wstring path_;
  bool existed_;
  std::string before_;
};

// Screenshots of the pages, when asked for (PURGALOT_WIZARD_SHOTS names a folder): 24-bit BMPs.
void Shoot(HWND dialog, const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"PURGALOT_WIZARD_SHOTS", folder, MAX_PATH)) return;
  TCapture capture(dialog);
  const int w = capture.Width(), h = capture.Height(), stride = (w * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + stride * h;
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string pixels(static_cast<size_t>(stride) * h, '\0');
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = capture.At(x, y);
      char* p = &pixels[static_cast<size_t>(h - 1 - y) * stride + x * 3];
      p[0] = static_cast<char>(GetBValue(c));
      p[1] = static_cast<char>(GetGValue(c));
      p[2] = static_cast<char>(GetRValue(c));
    }
  std::ofstream out(std::filesystem::path(win::WithTrailingBackslash(folder) + name + L".bmp"),
                    std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out << pixels;
}

class AssistedWizardTest : public MainWindowTest {};

TEST_F(AssistedWizardTest, RemovesATickedApplicationWholeAndLogsIt) {
  TLeftovers app;
  TKeptLog log;
  TNewBackups backups(BackupRootBeside(TLogging::LogPath()));
  TfMain& w = Start();
  const std::wstring savedBefore = app.dir.Path() + L"before.txt";
  const std::wstring savedAfter = app.dir.Path() + L"after";  // the dialog adds ".txt"
  std::vector<TUser::TRow> listed, finished;
  std::wstring question, questionTitle;
  bool questionIcon = false;
  std::thread thread([&] {
    TUser user;
    if (!user.Open()) return;
    EXPECT_EQ(user.Title(), L"Application's location");
    EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_AS_BACK)));
    EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_AS_ADD)));
    Shoot(user.dialog, L"page0");
    ASSERT_TRUE(user.TickShortcut(app.Caption));

    ASSERT_TRUE(user.Next(1, L"Application's Root Folder"));
    HWND tree = user.Item(IDC_AS_ROOT_FOLDER);
    HTREEITEM folder = TUser::WaitItem(tree, app.FolderName);
    ASSERT_TRUE(folder);
    EXPECT_TRUE(TUser::Checked(tree, folder));
    Shoot(user.dialog, L"page1");

    ASSERT_TRUE(user.Next(2, L"Start Menu Entries"));
    tree = user.Item(IDC_AS_START_MENU);
    for (const std::wstring& caption : {app.Caption, app.FolderName}) {
      HTREEITEM menu = TUser::WaitItem(tree, caption);
      ASSERT_TRUE(menu) << win::ToUtf8(caption);
      EXPECT_TRUE(TUser::Checked(tree, menu));
    }
    Shoot(user.dialog, L"page2");

    ASSERT_TRUE(user.Next(3, L"Registry Entries"));
    tree = user.Item(IDC_AS_REG_ENTRIES);
    const std::wstring vendor = app.VendorKey.substr(app.VendorKey.find(L'\\') + 1);
    HTREEITEM key = TUser::WaitItem(tree, vendor);
    ASSERT_TRUE(key && TUser::ClickBox(tree, key));
    EXPECT_TRUE(WaitUntil([&] { return TUser::Checked(tree, key); }));
    Shoot(user.dialog, L"page3");

    ASSERT_TRUE(user.Next(4, L"Associated Extensions"));
    tree = user.Item(IDC_AS_EXTENSIONS);
    HTREEITEM extension = TUser::WaitItem(tree, app.ExtensionKey);
    ASSERT_TRUE(extension && TUser::ClickBox(tree, extension));
    EXPECT_TRUE(WaitUntil([&] { return TUser::Checked(tree, extension); }));
    EXPECT_EQ(ControlText(user.Item(IDC_AS_NEXT)), L"&Next >");
    Shoot(user.dialog, L"page4");

    ASSERT_TRUE(user.Next(5, L"Confirm Deletion"));
    EXPECT_EQ(ControlText(user.Item(IDC_AS_NEXT)), L"&Finish");
    listed = user.Rows();
    Shoot(user.dialog, L"page5");
    // "Select all " clears and sets every box.
    auto allChecked = [&](bool checked) {
      return WaitUntil([&] {
        for (const TUser::TRow& row : user.Rows())
          if (row.Checked != checked) return false;
        return true;
      });
    };
    PostClick(user.Item(IDC_AS_SELECT_ALL));
    EXPECT_TRUE(allChecked(false));
    PostClick(user.Item(IDC_AS_SELECT_ALL));
    EXPECT_TRUE(allChecked(true));
    ASSERT_TRUE(user.SaveLog(savedBefore, savedBefore));

    PostClick(user.Item(IDC_AS_NEXT));
    HWND box = WaitForDialogOwnedBy(user.dialog);
    ASSERT_TRUE(box);
    questionTitle = ControlText(box);
    question = ControlText(GetDlgItem(box, 0xFFFF));  // a message box's text
    questionIcon = HasIcon(box);
    Shoot(user.dialog, L"question");
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(user.Item(IDCANCEL)) == L"Close"; }));
    finished = user.Rows();
    EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_AS_NEXT)));
    EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_AS_BACK)));
    EXPECT_FALSE(IsWindowVisible(user.Item(IDC_AS_PROGRESS)));
    Shoot(user.dialog, L"finished");
    EXPECT_TRUE(user.SaveLog(savedAfter, savedAfter + L".txt"));
    PostClick(user.Item(IDCANCEL));
  });
  ClickToolbarButton(cmAssisted);
  thread.join();
  ASSERT_FALSE(HasFatalFailure());

  // The extension is listed at its real place; Wine keeps HKEY_CLASSES_ROOT in the machine's
  // classes.
  const std::wstring vendorPath = L"\\" + app.VendorKey,
                     extensionPath = L"HKEY_LOCAL_MACHINE\\Software\\Classes\\" + app.ExtensionKey;
  const std::vector<TUser::TRow> expected = {
      {L"Folder", app.Folder, L"To Delete", true},
      {L"Folder", app.CommonMenu, L"To Delete", true},
      {L"Folder", app.UserMenu, L"To Delete", true},
      {L"Registry", vendorPath, L"To Delete", true},
      {L"Registry", extensionPath, L"To Delete", true},
      {L"Shortcut", app.Link, L"To Delete", true}};
  EXPECT_EQ(listed, expected);
  std::vector<TUser::TRow> done = expected;
  for (TUser::TRow& row : done) row.Status = L"OK";
  EXPECT_EQ(finished, done);
  EXPECT_EQ(question, L"The items you have selected will be deleted.\rAre you sure ?");
  EXPECT_EQ(questionTitle, L"Information");
  EXPECT_TRUE(questionIcon);

  EXPECT_FALSE(Exists(app.Folder) || Exists(app.Link) || Exists(app.UserMenu) ||
               Exists(app.CommonMenu));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, app.VendorKey) ||
               KeyExists(HKEY_CLASSES_ROOT, app.ExtensionKey));
  EXPECT_TRUE(Exists(app.Kept) && Exists(app.dir.Path()));

  const std::string names = "\r\n" + win::ToUtf8(app.Caption);
  auto text = [&](const char* status) {
    std::string lines = "Assisted uninstall log for " + names + "\r\n\r\n";
    for (const TUser::TRow& row : expected)
      lines += win::ToUtf8(row.Type) + "....." + win::ToUtf8(row.Path) + "....." + status + "\r\n";
    return lines;
  };
  EXPECT_EQ(ReadBytes(savedBefore), text("To Delete"));
  EXPECT_EQ(ReadBytes(savedAfter + L".txt"), text("OK"));

  const std::string now = log.Now();
  ASSERT_GE(now.size(), log.Before().size());
  EXPECT_EQ(now.substr(0, log.Before().size()), log.Before());
  std::string record = now.substr(log.Before().size());
  // The record ends with the backup's folder, where the deleted keys can be restored from.
  std::vector<TBackupAction> made = backups.New();
  ASSERT_EQ(made.size(), 1u);
  std::wstring folder = made[0].Folder;
  folder.pop_back();
  const std::string backupLine = "Backup: " + win::ToUtf8(folder) + "\r\n";
  ASSERT_GT(record.size(), backupLine.size());
  EXPECT_EQ(record.substr(record.size() - backupLine.size()), backupLine);
  record.resize(record.size() - backupLine.size());
  EXPECT_TRUE(std::regex_match(
      record, std::regex("\r\n[0-9]{1,2}/[0-9]{1,2}/20[0-9]{2} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\r\n"
                         "Uninstalling \r\n" + win::ToUtf8(app.Caption) +
                         "\r\nUninstall OK\\. Uninstaller removed program from list\\.\r\n")))
      << record;
  EXPECT_EQ(made[0].Action, L"Assisted Uninstall");
  RestoreRegistry(made[0], IsProtectedKey);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, app.VendorKey + L"\\1.0"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, app.ExtensionKey));
  (void)w;
}

TEST_F(AssistedWizardTest, TheRadioChoiceSwitchesTheListsAndAddFileOffersExecutablesFirst) {
  TLeftovers app;
  Start();
  bool atStart[4] = {}, withExe[4] = {}, backToIcons[4] = {};
  std::wstring firstFilter;
  int added = -1, afterRemove = -1;
  bool iconStillTicked = false;
  std::thread thread([&] {
    TUser user;
    if (!user.Open()) return;
    auto states = [&](bool* into) {
      into[0] = IsWindowEnabled(user.Item(IDC_AS_ICONS));
      into[1] = IsWindowEnabled(user.Item(IDC_AS_FILES));
      into[2] = IsWindowEnabled(user.Item(IDC_AS_ADD));
      into[3] = IsWindowEnabled(user.Item(IDC_AS_REMOVE));
    };
    states(atStart);
    ASSERT_TRUE(user.TickShortcut(app.Caption));
    PostClick(user.Item(IDC_AS_SELECT_EXE));
    // The handler enables and disables one control after the other: wait for all four.
    auto now = [&](bool icons, bool rest) {
      return (IsWindowEnabled(user.Item(IDC_AS_ICONS)) != FALSE) == icons &&
             (IsWindowEnabled(user.Item(IDC_AS_FILES)) != FALSE) == rest &&
             (IsWindowEnabled(user.Item(IDC_AS_ADD)) != FALSE) == rest &&
             (IsWindowEnabled(user.Item(IDC_AS_REMOVE)) != FALSE) == rest;
    };
    EXPECT_TRUE(WaitUntil([&] { return now(false, true); }));
    states(withExe);

    PostClick(user.Item(IDC_AS_ADD));
    HWND open = WaitForDialogOwnedBy(user.dialog);
    ASSERT_TRUE(open);
    HWND types = GetDlgItem(open, 0x470);  // the file type box of the common dialog
    firstFilter = ControlText(types);
    ASSERT_TRUE(EnterFileName(open, app.Exe));
    HWND files = user.Item(IDC_AS_FILES);
    WaitUntil([&] { return ListView_GetItemCount(files) == 1; });
    added = ListView_GetItemCount(files);
    ListView_SetItemState(files, 0, LVIS_SELECTED, LVIS_SELECTED);
    PostClick(user.Item(IDC_AS_REMOVE));
    WaitUntil([&] { return ListView_GetItemCount(files) == 0; });
    afterRemove = ListView_GetItemCount(files);

    PostClick(user.Item(IDC_AS_HAS_DESKTOP_ICON));
    EXPECT_TRUE(WaitUntil([&] { return now(true, false); }));
    states(backToIcons);
    HWND icons = user.Item(IDC_AS_ICONS);
    for (int i = 0; i < ListView_GetItemCount(icons); ++i)
      iconStillTicked = iconStillTicked || ListView_GetCheckState(icons, i);
    PostClick(user.Item(IDCANCEL));
  });
  Command(cmAssisted);
  thread.join();
  // At start both lists take ticks and the two buttons wait for the executable choice.
  EXPECT_TRUE(atStart[0] && atStart[1] && !atStart[2] && !atStart[3]);
  EXPECT_TRUE(!withExe[0] && withExe[1] && withExe[2] && withExe[3]);
  EXPECT_TRUE(backToIcons[0] && !backToIcons[1] && !backToIcons[2] && !backToIcons[3]);
  EXPECT_EQ(firstFilter, L"Executable (*.exe)");
  EXPECT_EQ(added, 1);
  EXPECT_EQ(afterRemove, 0);
  EXPECT_TRUE(iconStillTicked);  // a disabled list keeps its ticks
  EXPECT_TRUE(app.AllThere());
}

TEST_F(AssistedWizardTest, EscTitleBarCloseAndCancelOnEveryPageDeleteNothing) {
  TLeftovers app;
  TKeptLog log;
  // Enough folders beside the program's for the folder tree to let messages run while it reads
  // them, so that a close that comes right behind the click reaches it during the build.
  for (int i = 0; i < 300; ++i) app.dir.MakeFolder(L"sibling" + std::to_wstring(i));
  Start();
  const wchar_t* titles[] = {L"Application's location", L"Application's Root Folder",
                             L"Start Menu Entries",     L"Registry Entries",
                             L"Associated Extensions",  L"Confirm Deletion"};
  enum TWay { Esc, TitleBar, CancelButton };
  for (int page = 0; page < 6; ++page) {
    for (TWay way : {Esc, TitleBar, CancelButton}) {
      SCOPED_TRACE("page " + std::to_string(page) + ", way " + std::to_string(way));
      std::atomic<bool> closedOnPage{false};
      std::thread thread([&] {
        TUser user;
        if (!user.Open()) return;
        if (!user.TickShortcut(app.Caption)) return;
        for (int p = 1; p <= page; ++p) {
          PostClick(user.Item(IDC_AS_NEXT));
          // The close on the last page comes right behind the click that leads there, so that
          // on a tree page it arrives while the tree is being built.
          if (p < page && !user.WaitPage(p, titles[p])) return;
        }
        switch (way) {
          case Esc: PostMessageW(user.Item(IDC_AS_NEXT), WM_KEYDOWN, VK_ESCAPE, 0x00010001); break;
          case TitleBar: PostMessageW(user.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
          case CancelButton: PostClick(user.Item(IDCANCEL)); break;
        }
        closedOnPage = WaitUntil([&] { return !IsWindow(user.dialog); });
      });
      Command(cmAssisted);
      thread.join();
      EXPECT_TRUE(closedOnPage);
      EXPECT_EQ(fAssisted, nullptr);
      EXPECT_TRUE(app.AllThere());
      EXPECT_EQ(log.Now(), log.Before());
    }
  }
}

}  // namespace
