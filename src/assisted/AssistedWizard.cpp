#include "assisted/AssistedWizard.h"

#include "dialogs/AssistedIds.h"
#include "images/ImageIds.h"
#include "win/FileDialog.h"
#include "win/FlagSet.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>

TfAssisted* fAssisted = nullptr;

namespace {

// The first node ticked for itself, depth-first through the opened branches.
TCheckNode* FirstTicked(TCheckNode* node) {
  for (; node; node = node->NextSibling()) {
    if (node->Mark() == TCheckMark::Checked) return node;
    if (node->Expanded())
      if (TCheckNode* found = FirstTicked(node->FirstChild())) return found;
  }
  return nullptr;
}

struct TPageText {
  const wchar_t* Title;
  const wchar_t* Explaining;
};

// The texts are the ones users have always seen, spelling included.
const std::array<TPageText, TAssistedUninstall::kPageCount> kPageTexts = {{
    {L"Application's location",
     L"The first thing you have to do is to select the applications you want to remove from your "
     L"computer.\r\n\r\n You can select the Desktop Icon of the application, by checking the boxes "
     L"in front of the desired application icons or add the name of the applications, by clicking "
     L"the Add file button and locating the file."},
    {L"Application's Root Folder",
     L"Select the folders of the applications you want to delete. If the programms were installed "
     L"in default locations, you can find the folders in: \r\n\r\nC:\\Program Files\\<Company "
     L"which produced the application>\\<Name of the application>\r\n\r\nCheck the boxes in front "
     L"of the folders you wish to be deleted. Default folders found to belong to the previously "
     L"selected application names are already marked."},
    {L"Start Menu Entries",
     L"Select the Start Menu entries of the applications you want to delete. On Windows 95, 98 and "
     L"Me these entries can be found in:\r\n\r\nC:\\Windows\\Start Menu\\Programs\\<Application "
     L"name>\r\n\r\nOn Windows 2000 and XP they can be found in:\r\n\r\nC:\\Documents and "
     L"Settings\\<User>\\Start Menu\\Programs\\<Application name>\r\n\r\nand on Windows NT "
     L"in:\r\n\r\nC:\\WINNT\\Profiles\\<User>\\Start Menu\\Programs\\<Application "
     L"name>\r\n\r\nCheck the boxes in front of the folders you wish to be deleted. Default "
     L"folders found to belong to the previously selected application names are already marked."},
    {L"Registry Entries",
     L"Here you can select the registry entries created by the application. The registry keys of "
     L"a program can usally be found in:\r\n\r\nHKey_Current_User\\Software\\<Company which "
     L"created the program>\\<Application name>\\<Version number>"},
    {L"Associated Extensions",
     L"Here you can select all the file extensions registered by the program. You need to be "
     L"familiar with the extensions associated witht the application you are removing.\r\n\r\nFor "
     L"example, *.DOC is associated with Microsoft Word files. Several extensions can be "
     L"registered for one application.\r\n\r\nWARNING: Do NOT select all extensions if you are "
     L"not sure which are the right ones, as this will effect the operation of other "
     L"applications."},
    {L"Confirm Deletion",
     L"Plese check and confirm the deletion of the items you have selected. Select all will select "
     L"all the items in the list. Click Finish to proceed with unsinstalling the items from your "
     L"system."},
}};

// Above the reasons rows failed for, once the deletion is over.
const wchar_t kKeysKept[] =
    L"Some registry keys were not deleted, because they could not be backed up first:";
const wchar_t kFilesStayed[] = L"Some files and folders were not deleted:";
const wchar_t kNext[] = L"&Next >";
const wchar_t kFinish[] = L"&Finish";
const wchar_t kExeFilter[] = L"Executable (*.exe)\0*.exe\0All files (*.*)\0*.*\0";
const wchar_t kLogFilter[] = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";

// The controls of each page (0: none); a tree page's status bar shows only while it builds.
const int kPageControls[TAssistedUninstall::kPageCount][6] = {
    {IDC_AS_HAS_DESKTOP_ICON, IDC_AS_ICONS, IDC_AS_SELECT_EXE, IDC_AS_FILES, IDC_AS_ADD, IDC_AS_REMOVE},
    {IDC_AS_LABEL1, IDC_AS_ROOT_FOLDER, 0, 0, 0, 0},
    {IDC_AS_LABEL2, IDC_AS_START_MENU, 0, 0, 0, 0},
    {IDC_AS_LABEL3, IDC_AS_REG_ENTRIES, 0, 0, 0, 0},
    {IDC_AS_LABEL4, IDC_AS_EXTENSIONS, 0, 0, 0, 0},
    {IDC_AS_LABEL5, IDC_AS_FOR_DELETION, IDC_AS_SELECT_ALL, IDC_AS_SAVE_AS_LOG, 0, 0}};

const int kStatusBars[TAssistedUninstall::kPageCount] = {
    0, IDC_AS_SEARCH_ROOT_FOLDER, IDC_AS_SEARCH_START_MENU, IDC_AS_SEARCH_REG_ENTRIES,
    IDC_AS_SEARCH_EXTENSIONS, 0};

const int kProgressControls[] = {IDC_AS_DELETING, IDC_AS_DELETED_ITEM, IDC_AS_OVERALL,
                                 IDC_AS_PROGRESS};

// Thrown out of a tree's build when the window was closed while it pumped.
struct TBuildStopped {};

std::vector<TChosenFile> ChosenFiles(const TFileListView& list) {
  std::vector<TChosenFile> files;
  for (const TFileListRow& row : list.Rows())
    files.push_back({row.Name, row.Path, row.Attached, row.Checked});
  return files;
}

// The rectangle of a frame in its dialog's client coordinates.
RECT FrameRect(HWND frame) {
  RECT r{};
  GetWindowRect(frame, &r);
  MapWindowPoints(nullptr, GetParent(frame), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The status bar is shown from the moment a build starts and hidden however it ends.
class TShownWhileBuilding {
public:
  explicit TShownWhileBuilding(HWND bar) noexcept : bar_(bar) {
    SendMessageW(bar_, SB_SIMPLE, TRUE, 0);
    SendMessageW(bar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(TTreeShellCtrl::kSearching));
    ShowWindow(bar_, SW_SHOWNA);
    UpdateWindow(bar_);
  }
  ~TShownWhileBuilding() {
    if (IsWindow(bar_)) ShowWindow(bar_, SW_HIDE);
  }
  TShownWhileBuilding(const TShownWhileBuilding&) = delete;
  TShownWhileBuilding& operator=(const TShownWhileBuilding&) = delete;

private:
  HWND bar_;
};

}  // namespace

TfAssisted::TfAssisted(std::wstring logFileName)
    : win::TDialog(IDD_ASSISTED),
      flow_(btvRootFolder_.Tree(), btvStartMenu_.Tree(), btvRegEntries_.Tree(),
            btvExtensio_.Tree(), std::move(logFileName)) {}

void TfAssisted::OnInitDialog() { FormCreate(); }

void TfAssisted::FormCreate() {
  header_.Attach(Handle(), IDC_AS_BANNER, IDC_AS_TITLE, IDC_AS_PICTURE);
  header_.SetPicture(IDI_WIZ_DELETE);
  boldFont_ = BoldFontOf(Item(IDC_AS_HAS_DESKTOP_ICON));
  for (int id : {IDC_AS_HAS_DESKTOP_ICON, IDC_AS_SELECT_EXE})
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  leftBrush_.Reset(CreateSolidBrush(RGB(236, 241, 248)));
  MakeControls();
  CheckRadioButton(Handle(), IDC_AS_HAS_DESKTOP_ICON, IDC_AS_SELECT_EXE, IDC_AS_HAS_DESKTOP_ICON);
  CheckDlgButton(Handle(), IDC_AS_SELECT_ALL, BST_CHECKED);
  SendMessageW(Item(IDC_AS_PROGRESS), PBM_SETRANGE32, 0, 100);

  flow_.RootFolder.SetStatusBar(Item(IDC_AS_SEARCH_ROOT_FOLDER));
  flow_.StartMenu.SetStatusBar(Item(IDC_AS_SEARCH_START_MENU));
  flow_.RegEntries.SetStatusBar(Item(IDC_AS_SEARCH_REG_ENTRIES));
  flow_.Extensions.SetStatusBar(Item(IDC_AS_SEARCH_EXTENSIONS));
  flow_.RootFolder.ProcessMessages = [this] { PumpDuringBuild(); };
  flow_.StartMenu.ProcessMessages = [this] { PumpDuringBuild(); };
  flow_.RegEntries.ProcessMessages = [this] { PumpDuringBuild(); };
  flow_.Extensions.ProcessMessages = [this] { PumpDuringBuild(); };
  flow_.Repaint = [this] { UpdateWindow(Handle()); };

  CenterOn(nullptr);
  ShowPage(TAssistedUninstall::tsDesktopIcons);
}

void TfAssisted::MakeControls() {
  // Each widget takes its frame's place, identifier and place in the tab order.
  auto place = [this](int id, auto&& create) {
    HWND frame = Item(id);
    RECT r = FrameRect(frame);
    HWND before = GetWindow(frame, GW_HWNDPREV);
    DestroyWindow(frame);
    HWND made = create(r);
    SetWindowPos(made, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  auto size = [](const RECT& r) { return std::pair{r.right - r.left, r.bottom - r.top}; };
  place(IDC_AS_ICONS, [&](const RECT& r) {
    dlvIcons_.Create(Handle(), r.left, r.top, size(r).first, size(r).second, IDC_AS_ICONS);
    return dlvIcons_.Handle();
  });
  place(IDC_AS_FILES, [&](const RECT& r) {
    elvFiles_.Create(Handle(), r.left, r.top, size(r).first, size(r).second, IDC_AS_FILES);
    return elvFiles_.Handle();
  });
  const std::pair<int, TBoxTreeView*> trees[] = {{IDC_AS_ROOT_FOLDER, &btvRootFolder_},
                                                 {IDC_AS_START_MENU, &btvStartMenu_},
                                                 {IDC_AS_REG_ENTRIES, &btvRegEntries_},
                                                 {IDC_AS_EXTENSIONS, &btvExtensio_}};
  for (auto [id, view] : trees) {
    place(id, [&](const RECT& r) {
      view->Create(Handle(), r.left, r.top, size(r).first, size(r).second, id);
      ShowWindow(view->Handle(), SW_HIDE);
      return view->Handle();
    });
  }

  HWND list = Item(IDC_AS_FOR_DELETION);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT |
                                              LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  const UINT dpi = win::WindowDpi(Handle());
  // "Path" takes what "Type" and "Status" leave of the list's width, and never less than 200.
  RECT client{};
  GetClientRect(list, &client);
  const int type = win::ScaleForDpi(70, dpi), status = win::ScaleForDpi(80, dpi);
  const int path = std::max(win::ScaleForDpi(200, dpi),
                            static_cast<int>(client.right) - type - status - GetSystemMetrics(SM_CXVSCROLL));
  const std::pair<const wchar_t*, int> columns[] = {{L"Type", type}, {L"Path", path}, {L"Status", status}};
  int index = 0;
  for (auto [caption, width] : columns) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(caption);
    column.cx = width;
    ListView_InsertColumn(list, index++, &column);
  }
}

INT_PTR TfAssisted::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND control = reinterpret_cast<HWND>(lp);
      if (HBRUSH brush = header_.CtlColor(dc, control)) return reinterpret_cast<INT_PTR>(brush);
      if (control == Item(IDC_AS_LEFT) || control == Item(IDC_AS_EXPLAINING)) {
        SetBkColor(dc, RGB(236, 241, 248));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<INT_PTR>(leftBrush_.Get());
      }
      break;
    }
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lp);
      LRESULT result = 0;
      if (header.idFrom == IDC_AS_FOR_DELETION && ForDeletionNotify(header, result)) {
        SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, result);
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      Close();
      return TRUE;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfAssisted::OnCommand(int id, int code) {
  if (id == IDCANCEL) {
    Close();
    return;
  }
  if (id == IDC_AS_HELP && code == BN_CLICKED) {
    buHelpClick();
    return;
  }
  // While a tree builds or a branch is read, or the deletion runs, only closing is taken.
  if (building_ || pumping_ || deleting_ || code != BN_CLICKED) return;
  switch (id) {
    case IDC_AS_NEXT: buNextClick(); break;
    case IDC_AS_BACK: buBackClick(); break;
    case IDC_AS_HAS_DESKTOP_ICON: rbHasDesktopIconClick(); break;
    case IDC_AS_SELECT_EXE: rbSelectExeClick(); break;
    case IDC_AS_ADD: buAddClick(); break;
    case IDC_AS_REMOVE: buDeleteClick(); break;
    case IDC_AS_SELECT_ALL: cbSelectAllClick(); break;
    case IDC_AS_SAVE_AS_LOG: buSaveAsLogClick(); break;
    default: break;
  }
}

void TfAssisted::buHelpClick() {
  // The request F1 makes: the window that opened the wizard shows the help at its subject.
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = IDC_AS_HELP;
  info.hItemHandle = Item(IDC_AS_HELP);
  GetCursorPos(&info.MousePos);
  SendMessageW(Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void TfAssisted::Close() {
  if (deleting_) return;
  closing_ = true;
  End(IDCANCEL);
}

void TfAssisted::ShowPage(TPage page) {
  busy_ = true;
  struct TIdleAtEnd {
    std::atomic<bool>& busy;
    ~TIdleAtEnd() { busy = false; }
  } idle{busy_};
  page_ = page;
  for (int p = 0; p < TAssistedUninstall::kPageCount; ++p)
    for (int id : kPageControls[p])
      if (id) ShowWindow(Item(id), p == page ? SW_SHOWNA : SW_HIDE);
  header_.SetTitle(kPageTexts[page].Title);
  SetItemText(IDC_AS_EXPLAINING, kPageTexts[page].Explaining);
  // The keyboard goes on in the new page, not in a control the old one hid.
  HWND pageFocus[] = {IsWindowEnabled(dlvIcons_.Handle()) ? dlvIcons_.Handle() : elvFiles_.Handle(),
                      btvRootFolder_.Handle(), btvStartMenu_.Handle(), btvRegEntries_.Handle(),
                      btvExtensio_.Handle(), Item(IDC_AS_FOR_DELETION)};
  SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pageFocus[page]), TRUE);
  if (page == TAssistedUninstall::tsDesktopIcons) {
    flow_.tsDesktopIconsShow();
    return;
  }
  // The texts are up before any slow work starts.
  UpdateWindow(Handle());
  if (page == TAssistedUninstall::tsConfirmation) {
    flow_.tsConfirmationShow();
    FillList();
  } else {
    BuildTree(page);
  }
}

void TfAssisted::BuildTree(TPage page) {
  const bool pending[] = {false, flow_.RootFolderPending, flow_.StartMenuPending,
                          flow_.RegistryPending, flow_.ExtensionsPending, false};
  if (!pending[page]) return;
  win::TFlagSet building(building_);
  TShownWhileBuilding bar(Item(kStatusBars[page]));
  try {
    flow_.PageShown(page);
  } catch (const TBuildStopped&) {
    // The window is closing: the page stays pending and nothing more is read.
    return;
  }
  // The folders found for the chosen applications are brought into sight, the first one selected.
  TBoxTreeView* const views[] = {nullptr, &btvRootFolder_, &btvStartMenu_, nullptr, nullptr, nullptr};
  if (TBoxTreeView* view = views[page])
    if (TCheckNode* node = FirstTicked(view->Tree().First())) view->Select(*node);
}

void TfAssisted::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!IsDialogMessageW(Handle(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void TfAssisted::PumpDuringBuild() {
  // A branch the user opens meanwhile is read inside a message this pump dispatched, within the
  // tree's own message handling: it neither pumps again nor unwinds, as nothing may be thrown
  // through a window procedure. Only the build this form started stops.
  if (pumping_) return;
  if (!closing_) {
    win::TFlagSet pumping(pumping_);
    ProcessMessages();
  }
  if (closing_ && building_) throw TBuildStopped{};
}

void TfAssisted::ReadFirstPage() {
  flow_.HasDesktopIcon = IsDlgButtonChecked(Handle(), IDC_AS_HAS_DESKTOP_ICON) == BST_CHECKED;
  flow_.DesktopRows = ChosenFiles(dlvIcons_);
  flow_.ExeRows = ChosenFiles(elvFiles_);
}

void TfAssisted::buNextClick() {
  if (flow_.Finished()) return;
  if (page_ == TAssistedUninstall::tsDesktopIcons) {
    ReadFirstPage();
    flow_.CollectSelectedFiles();
  }
  SetItemText(IDC_AS_NEXT, page_ == TAssistedUninstall::tsExtensions ? kFinish : kNext);
  if (page_ != TAssistedUninstall::tsConfirmation) {
    EnableWindow(Item(IDC_AS_BACK), TRUE);
    ShowPage(static_cast<TPage>(page_.load() + 1));
    return;
  }

  for (int id : kProgressControls) ShowWindow(Item(id), SW_SHOWNA);
  SendMessageW(Item(IDC_AS_PROGRESS), PBM_SETPOS, 0, 0);
  for (int id : {IDC_AS_NEXT, IDC_AS_BACK, static_cast<int>(IDCANCEL), IDC_AS_FOR_DELETION,
                 IDC_AS_SAVE_AS_LOG, IDC_AS_SELECT_ALL})
    EnableWindow(Item(id), FALSE);
  UpdateWindow(Handle());
  struct TFinishedAnyway {
    TfAssisted& form;
    ~TFinishedAnyway() { form.FinishedState(); }
  } finished{*this};

  const bool yes = MessageBoxW(Handle(), kConfirmDeletion, L"Information",
                               MB_YESNO | MB_ICONINFORMATION) == IDYES;
  TDeleteEngine engine;
  // The bar moves a hundred times at most, however many rows there are: each move repaints it.
  engine.ProgressBar = [this, shown = -1](int percent) mutable {
    if (percent == shown) return;
    shown = percent;
    SendMessageW(Item(IDC_AS_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  };
  // The label and the list are brought up to date, painted and the pending messages taken once a
  // frame: as often as the eye can follow and no later than a click wants, while a thousand small
  // rows do not each pay for a label and a row painted on their own. The list draws nothing in
  // between (its rows' statuses are set all the same).
  HWND list = Item(IDC_AS_FOR_DELETION);
  struct TListDrawnAgain {
    HWND list;
    ~TListDrawnAgain() {
      SendMessageW(list, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(list, nullptr, FALSE);
    }
  } drawnAgain{list};
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  std::wstring label;
  engine.ItemLabel = [&label](const std::wstring& path) { label = path; };
  engine.ProcessMessages = [this, list, &label,
                            last = std::chrono::steady_clock::time_point{}]() mutable {
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(15)) return;
    last = now;
    SetItemText(IDC_AS_DELETED_ITEM, label);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, FALSE);
    ProcessMessages();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  };
  engine.RowStatusChanged = [this](size_t index) { SetRowStatus(index); };
  // A key that could not be saved first was kept, and what stayed of a folder stayed for a
  // reason; the rows say "Failed", this says why.
  TFailureReasons reasons;
  engine.RowFailed = [&](size_t index, const std::wstring& reason) {
    reasons.Add(flow_.Rows[index].Item.RootKey != nullptr, reason);
  };
  {
    win::TFlagSet deleting(deleting_);
    busy_ = true;
    flow_.Finish(yes, engine);
  }
  const std::wstring text = reasons.Text(kKeysKept, kFilesStayed);
  if (!text.empty())
    MessageBoxW(Handle(), text.c_str(), win::kApplicationTitle, MB_OK | MB_ICONERROR);
}

void TfAssisted::FinishedState() {
  busy_ = false;
  for (int id : kProgressControls) ShowWindow(Item(id), SW_HIDE);
  SetItemText(IDC_AS_NEXT, kNext);
  SetItemText(IDCANCEL, L"Close");
  for (int id : {static_cast<int>(IDCANCEL), IDC_AS_FOR_DELETION, IDC_AS_SAVE_AS_LOG,
                 IDC_AS_SELECT_ALL})
    EnableWindow(Item(id), TRUE);
  // "Close" becomes the default: Enter must not reach the disabled "&Next >".
  SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
  SetFocus(Item(IDCANCEL));
}

void TfAssisted::buBackClick() {
  if (page_ == TAssistedUninstall::tsDesktopIcons || flow_.Finished()) return;
  SetItemText(IDC_AS_NEXT, kNext);
  EnableWindow(Item(IDC_AS_BACK), page_ - 1 != TAssistedUninstall::tsDesktopIcons);
  ShowPage(static_cast<TPage>(page_.load() - 1));
}

void TfAssisted::rbHasDesktopIconClick() {
  if (IsDlgButtonChecked(Handle(), IDC_AS_HAS_DESKTOP_ICON) != BST_CHECKED) return;
  EnableWindow(dlvIcons_.Handle(), TRUE);
  for (HWND control : {elvFiles_.Handle(), Item(IDC_AS_ADD), Item(IDC_AS_REMOVE)})
    EnableWindow(control, FALSE);
}

void TfAssisted::rbSelectExeClick() {
  if (IsDlgButtonChecked(Handle(), IDC_AS_SELECT_EXE) != BST_CHECKED) return;
  EnableWindow(dlvIcons_.Handle(), FALSE);
  for (HWND control : {elvFiles_.Handle(), Item(IDC_AS_ADD), Item(IDC_AS_REMOVE)})
    EnableWindow(control, TRUE);
}

void TfAssisted::buAddClick() {
  win::TFileDialogOptions options;
  options.Owner = Handle();
  options.Filter = kExeFilter;
  options.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (std::optional<std::wstring> file = win::OpenFileName(options)) elvFiles_.AddFile(*file);
}

void TfAssisted::buDeleteClick() { elvFiles_.RemoveSelected(); }

void TfAssisted::FillList() {
  HWND list = Item(IDC_AS_FOR_DELETION);
  win::TFlagSet filling(filling_);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < flow_.Rows.size(); ++i) {
    const TDeleteRow& row = flow_.Rows[i];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(row.Kind.c_str());
    int at = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, at, 1, const_cast<wchar_t*>(row.Path().c_str()));
    std::wstring status = row.Status();
    ListView_SetItemText(list, at, 2, status.data());
    ListView_SetCheckState(list, at, row.Checked);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void TfAssisted::SetRowStatus(size_t index) {
  HWND list = Item(IDC_AS_FOR_DELETION);
  std::wstring status = flow_.Rows.at(index).Status();
  ListView_SetItemText(list, static_cast<int>(index), 2, status.data());
}

bool TfAssisted::ForDeletionNotify(const NMHDR& header, LRESULT& result) {
  if (filling_) return false;
  if (header.code == LVN_ITEMCHANGING) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    const bool ticking = (change.uChanged & LVIF_STATE) &&
                         (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) &&
                         (change.uOldState & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(2);
    if (ticking && change.iItem >= 0 && static_cast<size_t>(change.iItem) < flow_.Rows.size() &&
        flow_.Rows[change.iItem].Protected) {
      result = TRUE;  // a protected place is never ticked
      return true;
    }
  } else if (header.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && change.iItem >= 0 &&
        static_cast<size_t>(change.iItem) < flow_.Rows.size())
      flow_.Rows[change.iItem].Checked = ListView_GetCheckState(header.hwndFrom, change.iItem) != 0;
  }
  return false;
}

void TfAssisted::cbSelectAllClick() {
  const bool all = IsDlgButtonChecked(Handle(), IDC_AS_SELECT_ALL) == BST_CHECKED;
  HWND list = Item(IDC_AS_FOR_DELETION);
  for (int i = 0; i < ListView_GetItemCount(list); ++i) ListView_SetCheckState(list, i, all);
}

void TfAssisted::buSaveAsLogClick() {
  win::TFileDialogOptions options;
  options.Owner = Handle();
  options.Filter = kLogFilter;
  options.DefaultExtension = L"txt";
  options.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (std::optional<std::wstring> file = win::SaveFileName(options)) flow_.SaveLog(*file);
}
