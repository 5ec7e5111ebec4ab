// The main window's menus, toolbar and controls, and the commands they start.
#include "app/Main.h"

#include "app/Images.h"
#include "app/SideBar.h"
#include "assisted/AssistedWizard.h"
#include "assisted/ProtectedPlaces.h"
#include "editing/Details.h"
#include "editing/NewProgram.h"
#include "editing/EditDetails.h"
#include "help/About.h"
#include "help/HelpKeywords.h"
#include "help/SPHTMLHelp.h"
#include "help/Welcome.h"
#include "images/ImageIds.h"
#include "inventory/ProgramFinder.h"
#include "inventory/UninstallItem.h"
#include "leftovers/LeftoversProgramDialog.h"
#include "leftovers/LeftoversWindow.h"
#include "uninstall/Audit.h"
#include "uninstall/BulkWindow.h"
#include "uninstall/Delete.h"
#include "uninstall/Log.h"
#include "uninstall/Logging.h"
#include "uninstall/Restore.h"
#include "uninstall/Uninstall.h"
#include "widgets/UPClickSplitter.h"
#include "widgets/XPMenu.h"
#include "win/Gdi.h"

#include <shellapi.h>

#include <map>
#include <optional>

namespace {

const wchar_t kSelectToUninstall[] = L"Please select a program you wish to uninstall";
const wchar_t kSelectForLeftovers[] = L"Please select a program whose leftovers you wish to find";
const wchar_t kSelectToEdit[] = L"Please select a program you wish to edit details for";
const wchar_t kUpdatesFile[] = L"updates.url";
const wchar_t kNotFoundPrefix[] = L"The program you are looking for (";

constexpr int kListId = 100;
constexpr int kToolbarId = 101;
constexpr int kStatusId = 102;

struct TMenuItem {
  int Id;  // 0 for a separator
  const wchar_t* Caption;
};

void AppendItems(HMENU menu, std::initializer_list<TMenuItem> items) {
  for (const auto& item : items) {
    if (item.Id == 0)
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.Id), item.Caption);
  }
}

HMENU SubMenu(std::initializer_list<TMenuItem> items) {
  HMENU menu = CreatePopupMenu();
  AppendItems(menu, items);
  return menu;
}

// Items first..last of a menu show their check mark as a radio dot: one of them is chosen.
void MakeRadioItems(HMENU menu, int first, int last) {
  for (int id = first; id <= last; ++id) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    info.fType = MFT_STRING | MFT_RADIOCHECK;
    SetMenuItemInfoW(menu, static_cast<UINT>(id), FALSE, &info);
  }
}

// One picture per command, wherever the command is offered: toolbar, menus, popup, side bar.
struct TCommandImage {
  int Command;
  int Image;
};
// The four views have none: their check mark shows which one is on.
const TCommandImage kCommandImages[] = {
    {cmNewProgram, IDI_CMD_NEW},       {cmEditDetails, IDI_CMD_EDIT},
    {cmExit, IDI_CMD_EXIT},            {cmUninstall, IDI_CMD_UNINSTALL},
    {cmAssisted, IDI_CMD_ASSISTED},    {cmDelete, IDI_CMD_DELETE},
    {cmDetails, IDI_CMD_DETAILS},      {cmRefresh, IDI_CMD_REFRESH},
    {cmAuditReport, IDI_CMD_AUDIT},    {cmUninstallLog, IDI_CMD_LOG},
    {cmHelpTopics, IDI_CMD_HELP},      {cmUpdates, IDI_CMD_UPDATE},
    {cmWelcomeBox, IDI_CMD_WELCOME},   {cmAbout, IDI_CMD_ABOUT},
    {cmFind, IDI_CMD_FIND},            {cmFindLeftovers, IDI_CMD_FIND},
    {cmRestore, IDI_CMD_RESTORE}};

int CommandImage(int command) {
  for (const auto& c : kCommandImages)
    if (c.Command == command) return c.Image;
  return 0;
}

// Menu pictures at 16 pixels (at 96 DPI).
constexpr int kMenuImageSize = 16;
constexpr int kToolbarImageSize = 32;
constexpr int kSideImageSize = 16;

struct TToolButton {
  int Id;
  const wchar_t* Caption;
  bool SeparatorAfter;
};
const TToolButton kToolButtons[] = {{cmUninstall, L"Uninstall", false},
                                    {cmAssisted, L"Assisted Uninstall", true},
                                    {cmDelete, L"Delete From List", true},
                                    {cmDetails, L"Program Details", false},
                                    {cmAuditReport, L"Audit Report", true},
                                    {cmHelpTopics, L"Help", true},
                                    {cmUpdates, L"Update", false}};

// Keeps a dialog in its program-wide form reference while the dialog exists, and clears the
// reference on every way out.
template <class T>
class TFormReference {
public:
  TFormReference(T*& reference, T& form) noexcept : reference_(reference) { reference_ = &form; }
  ~TFormReference() { reference_ = nullptr; }
  TFormReference(const TFormReference&) = delete;
  TFormReference& operator=(const TFormReference&) = delete;

private:
  T*& reference_;
};

}  // namespace

void TfMain::CreateMenus() {
  menu_ = CreateMenu();  // given to the window below, which owns it from then on
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(SubMenu({
                                   {cmNewProgram, L"&New program...\tCtrl+N"},
                                   {cmEditDetails, L"&Edit program details\tCtrl+E"},
                                   {0, nullptr},
                                   {cmFindRemovedLeftovers,
                                    L"Find &leftovers of a removed program..."},
                                   {cmRestore, L"&Restore..."},
                                   {0, nullptr},
                                   {cmExit, L"E&xit\tCtrl+X"},
                               })),
              L"&File");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(SubMenu({
                                   {cmUninstall, L"U&ninstall\tCtrl+U"},
                                   {cmAssisted, L"&Assisted Uninstall...\tCtrl+A"},
                                   {cmFindLeftovers, L"Find &leftovers..."},
                                   {0, nullptr},
                                   {cmDelete, L"&Delete program from list\tCtrl+Del"},
                                   {0, nullptr},
                                   {cmDetails, L"Program details"},
                                   {0, nullptr},
                                   {cmModify, L"&Modify..."},
                                   {cmRepair, L"&Repair..."},
                               })),
              L"&Uninstall");
  HMENU view = SubMenu({{cmLargeIcons, L"Lar&ge Icons"},
                        {cmSmallIcons, L"S&mall Icons"},
                        {cmList, L"&List"},
                        {cmDetailsView, L"&Details"},
                        {0, nullptr},
                        {cmCheckBoxes, L"&Check Boxes"},
                        {0, nullptr},
                        {cmRefresh, L"&Refresh"}});
  HMENU show = SubMenu({{cmShowAll, L"&All programs"},
                        {cmShowMissingUninstaller, L"Only with &missing uninstaller"},
                        {cmShowPerUser, L"Only &per-user programs"},
                        {cmShow32Bit, L"Only &32-bit programs"},
                        {cmShowWindowsInstaller, L"Only &Windows Installer programs"},
                        {0, nullptr},
                        {cmHideSystemEntries, L"&Hide system components and updates"}});
  MakeRadioItems(show, cmShowAll, cmShowWindowsInstaller);
  InsertMenuW(view, cmRefresh, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(show),
              L"Sho&w");
  InsertMenuW(view, cmRefresh, MF_BYCOMMAND | MF_POPUP,
              reinterpret_cast<UINT_PTR>(MakeColumnMenu()), L"C&olumns");
  InsertMenuW(view, cmRefresh, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
  MakeRadioItems(view, cmLargeIcons, cmDetailsView);
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(SubMenu({
                                   {cmAuditReport, L"Audit Report..."},
                                   {cmUninstallLog, L"Uninstall Log..."},
                               })),
              L"&Reports");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(SubMenu({{cmOptions, L"&Options..."}})),
              L"&Tools");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(SubMenu({
                                   {cmHelpTopics, L"Help Topics..."},
                                   {cmUpdates, L"Update"},
                                   {0, nullptr},
                                   {cmWelcomeBox, L"Welcome box"},
                                   {0, nullptr},
                                   {cmAbout, L"About"},
                               })),
              L"&Help");
  SetMenu(Handle(), menu_);
  xpMenu_->Attach(menu_, true);

  popup_.Reset(SubMenu({{cmUninstall, L"Uninstall...\tCtrl+U"},
                    {cmFindLeftovers, L"Find Leftovers..."},
                    {cmDelete, L"Delete From List...\tCtrl+Del"},
                    {0, nullptr},
                    {cmDetails, L"Program Details..."},
                    {cmEditDetails, L"Edit Program Details..."},
                    {0, nullptr},
                    {cmModify, L"Modify..."},
                    {cmRepair, L"Repair..."}}));
  xpMenu_->Attach(popup_.Get(), false);
  columnMenu_.Reset(MakeColumnMenu());

  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'N', cmNewProgram},
                  {FCONTROL | FVIRTKEY, 'E', cmEditDetails},
                  {FCONTROL | FVIRTKEY, 'X', cmExit},
                  {FCONTROL | FVIRTKEY, 'U', cmUninstall},
                  {FCONTROL | FVIRTKEY, 'A', cmAssisted},
                  {FCONTROL | FVIRTKEY, VK_DELETE, cmDelete},
                  {FVIRTKEY, VK_F1, cmHelpTopics},
                  {FCONTROL | FVIRTKEY, 'F', cmFocusFilter}};
  accelerators_.Reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
  SetMenuImages();
}

// The flat menu painter draws the menus, the menu bar too: it was made inactive by the window's
// design and is activated here, during creation, before the menus exist.
void TfMain::ActivateMenuPainter() {
  xpMenu_ = std::make_unique<TXPMenu>(Handle());
  TXPControls controls;
  for (TXPControl kind : {xcMainMenu, xcPopupMenu, xcGroupBox, xcTreeView, xcListView,
                          xcProgressBar, xcHotKey})
    controls.set(kind);
  xpMenu_->SetXPControls(controls);
  xpMenu_->SetXPContainers({});  // no control of the window is restyled
  xpMenu_->SetActive(true);
}

// One picture per command at the window's DPI, shared by the menu bar and the popup menu. The
// painter mixes them in itself: menus lose a 32-bit item bitmap's transparency on some systems.
void TfMain::SetMenuImages() {
  const int size = win::Scale(Handle(), kMenuImageSize);
  for (const auto& [command, image] : kCommandImages)
    xpMenu_->SetPicture(static_cast<UINT>(command), CreateAlphaBitmap(image, size));
}

void TfMain::CreateToolbar() {
  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                 TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                             0, 0, 0, 0, Handle(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)),
                             GetModuleHandleW(nullptr), nullptr);
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DOUBLEBUFFER);
  SetToolbarImages();
  std::vector<TBBUTTON> buttons;
  for (size_t i = 0; i < std::size(kToolButtons); ++i) {
    const auto& b = kToolButtons[i];
    TBBUTTON button{};
    button.iBitmap = static_cast<int>(i);
    button.idCommand = b.Id;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    button.iString = reinterpret_cast<INT_PTR>(b.Caption);
    buttons.push_back(button);
    if (b.SeparatorAfter) {
      TBBUTTON separator{};
      separator.fsStyle = BTNS_SEP;
      buttons.push_back(separator);
    }
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

void TfMain::SetToolbarImages() {
  std::vector<int> images;
  for (const auto& b : kToolButtons) images.push_back(CommandImage(b.Id));
  win::UniqueHImageList list = CreateIconImageList(images, win::Scale(Handle(), kToolbarImageSize));
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list.Get()));
  toolbarImages_ = std::move(list);  // the old list goes once the toolbar no longer uses it
}

void TfMain::CreateControls() {
  sideBar_ = std::make_unique<TSideBar>();
  sideBar_->Create(Handle(), win::Scale(Handle(), kSideBarWidth));
  sideBar_->OnCommand = [this](int id) { OnCommand(id); };
  foldImages_ = CreateIconImageList(IDI_FOLD_FIRST, IDI_FOLD_COUNT, win::Scale(Handle(), 18));
  sideBar_->SetFoldImages(foldImages_.Get());
  const int sideIcons[] = {cmUninstall, cmDelete, cmFind};
  for (int i = 0; i < 3; ++i)
    sideIcons_[i] =
        LoadIconResource(CommandImage(sideIcons[i]), win::Scale(Handle(), kSideImageSize));
  sideBar_->SetLinkIcons(sideIcons_[0].Get(), sideIcons_[1].Get(), sideIcons_[2].Get());

  splitter_ = std::make_unique<TUPClickSplitter>();
  splitter_->Create(Handle(), TAlign::alLeft, win::Scale(Handle(), kSideBarWidth), 0,
                    win::Scale(Handle(), kSplitterWidth), win::Scale(Handle(), 300));
  // The side bar is never wider than half the window: a drag beyond that stops there.
  splitter_->OnCanResize = [this](TUPClickSplitter&, int& size) {
    paQuickCanResize(size);
    return true;
  };
  splitter_->OnMoved = [this](TUPClickSplitter&) { Layout(); };

  // Before the list, so that Tab reaches it first.
  CreateFilterBox();
  // The columns and the field each shows: TProgramListView::ProgramColumns.
  list_.Create(Handle(), kListId);
  stateImages_ = CreateStateImages(Handle());
  checkBoxImages_ = CreateCheckBoxStateImages(Handle());

  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                            0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)),
                            GetModuleHandleW(nullptr), nullptr);
  int whole = -1;  // one part across the whole bar
  SendMessageW(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
  SetFocus(list_.Handle());
  Layout();
}

void TfMain::OnCommand(int id) {
  switch (id) {
    case cmNewProgram: NewProgram1Click(); break;
    case cmEditDetails: Editprogramdetails1Click(); break;
    case cmExit: Exit1Click(); break;
    case cmUninstall: tbUninstallClick(); break;
    case cmAssisted: tbAssistedClick(); break;
    case cmDelete: tbDeleteClick(); break;
    case cmDetails: tbDetailsClick(); break;
    case cmLargeIcons:
    case cmSmallIcons:
    case cmList:
    case cmDetailsView: ChangeViewStyle(id - cmLargeIcons); break;
    case cmRefresh: Refresh1Click(); break;
    case cmAuditReport: AuditReport1Click(); break;
    case cmUninstallLog: Uninstalllog1Click(); break;
    case cmHelpTopics: tbHelpClick(); break;
    case cmUpdates: tbUpdateClick(); break;
    case cmWelcomeBox: Welcomebox1Click(); break;
    case cmAbout: About1Click(); break;
    case cmFind: spbuFindClick(); break;
    case cmRestore: Restore1Click(); break;
    case cmCheckBoxes: CheckBoxes1Click(); break;
    case cmFocusFilter: FocusFilter(); break;
    case cmShowAll:
    case cmShowMissingUninstaller:
    case cmShowPerUser:
    case cmShow32Bit:
    case cmShowWindowsInstaller:
    case cmHideSystemEntries: OnShowCommand(id); break;
    case cmOptions: Options1Click(); break;
    case cmFindLeftovers: FindLeftovers1Click(); break;
    case cmFindRemovedLeftovers: FindRemovedLeftovers1Click(); break;
    case cmModify: ModifyOrRepairClick(false); break;
    case cmRepair: ModifyOrRepairClick(true); break;
    default:
      if (id >= cmColumnFirst) ToggleColumn(id - cmColumnFirst);
  }
}

void TfMain::Inform(const wchar_t* text) {
  MessageBoxW(Handle(), text, kApplicationTitle, MB_OK | MB_ICONINFORMATION);
}

TUninstListItem* TfMain::SelectedEntry(const wchar_t* message) {
  TProgramRow* row = list_.SelectedRow();
  if (!row) {
    Inform(message);
    return nullptr;
  }
  return row->Entry.get();
}

// One program chosen: the wizard; several: the bulk window. Checked rows count while the list
// shows check boxes and any is checked, else the selected rows.
void TfMain::tbUninstallClick() {
  std::vector<TProgramRow*> rows = list_.ChosenRows();
  if (rows.size() > 1) {
    UninstallMany(rows);
    return;
  }
  TUninstListItem* entry =
      rows.empty() ? SelectedEntry(kSelectToUninstall) : rows[0]->Entry.get();
  if (entry) UninstallOne(*entry);
}

void TfMain::UninstallOne(TUninstListItem& entry) {
  // Read before the uninstaller runs: it takes the entry with it.
  const TProgramFacts facts = FactsFromEntry(entry.RootKey(), entry.View(), entry.RegistryKey());
  bool leftovers = false;
  {
    TfUninstall wizard(entry, TLogging::LogPath());
    TFormReference hold(fUninstall, wizard);
    wizard.ShowModal(Handle());
    leftovers = wizard.LeftoversWanted();
  }
  // Whatever the wizard did, the registry may have changed.
  Refresh1Click();
  if (leftovers) ShowLeftovers(facts);
}

void TfMain::FindLeftovers1Click() {
  TUninstListItem* entry = SelectedEntry(kSelectForLeftovers);
  if (!entry) return;
  ShowLeftovers(FactsFromEntry(entry->RootKey(), entry->View(), entry->RegistryKey()));
}

void TfMain::FindRemovedLeftovers1Click() {
  TfRemovedProgram dialog(BackupRootBeside(TLogging::LogPath()));
  if (dialog.ShowModal(Handle()) == IDOK) ShowLeftovers(dialog.Facts);
}

void TfMain::ShowLeftovers(const TProgramFacts& program) {
  // A removed key may have been an entry's.
  if (ShowLeftoversOver(Handle(), program)) Refresh1Click();
}

bool TfMain::ShowLeftoversOver(HWND owner, const TProgramFacts& program) {
  TfLeftovers dialog(program, TLogging::LogPath());
  dialog.UseRecycleBin = settings_.UseRecycleBin();
  TFormReference hold(fLeftovers, dialog);
  return dialog.ShowModal(owner) == IDOK;
}

void TfMain::UninstallMany(const std::vector<TProgramRow*>& rows) {
  bool ran = false;
  {
    TfBulkUninstall window(rows, TLogging::LogPath());
    // Read before the uninstallers run: each takes its entry with it.
    std::map<const TProgramRow*, TProgramFacts> facts;
    for (const TProgramRow* row : rows)
      if (row->Entry)
        facts[row] =
            FactsFromEntry(row->Entry->RootKey(), row->Entry->View(), row->Entry->RegistryKey());
    // One leftovers window after another, each over the bulk window.
    window.OnFindLeftovers = [this, &facts](HWND owner, const std::vector<TProgramRow*>& done) {
      for (const TProgramRow* row : done)
        if (auto found = facts.find(row); found != facts.end())
          ShowLeftoversOver(owner, found->second);
    };
    TFormReference hold(fBulkUninstall, window);
    window.ShowModal(Handle());
    ran = window.Ran();
  }
  // The entries that went, and those cleaned up, leave the list.
  if (ran) Refresh1Click();
}

void TfMain::CheckBoxes1Click() {
  list_.SetCheckBoxes(!list_.CheckBoxes());
  View1Click();
}

void TfMain::tbDeleteClick() {
  TUninstListItem* entry = SelectedEntry(kSelectToUninstall);
  if (!entry) return;
  TfDelete dialog(*entry, TLogging::LogPath());
  TFormReference hold(fDelete, dialog);
  switch (dialog.ShowModal(Handle())) {
    case IDOK: UninstallOne(*entry); break;  // "Try To Uninstall", same row
    case IDYES: Refresh1Click(); break;
    default: break;
  }
}

void TfMain::tbDetailsClick() {
  TUninstListItem* entry = SelectedEntry(kSelectToUninstall);
  if (!entry) return;
  bool launched = false;
  {
    TfDetails dialog(*entry);
    TFormReference hold(fDetails, dialog);
    dialog.ShowModal(Handle());
    launched = dialog.Launched();
  }
  // A command run from the page may have changed the registry.
  if (launched) Refresh1Click();
}

void TfMain::Editprogramdetails1Click() {
  TUninstListItem* entry = SelectedEntry(kSelectToEdit);
  if (!entry) return;
  INT_PTR result;
  {
    TfEditDetails dialog(*entry);
    TFormReference hold(fEditDetails, dialog);
    result = dialog.ShowModal(Handle());
  }
  if (result == IDOK) Refresh1Click();
}
void TfMain::tbAssistedClick() {
  // It works on files and keys alone: the program list is not read again after it.
  TfAssisted dialog(TLogging::LogPath());
  dialog.SetUseRecycleBin(settings_.UseRecycleBin());
  TFormReference hold(fAssisted, dialog);
  dialog.ShowModal(Handle());
}

void TfMain::NewProgram1Click(const TNewProgramRequest* request) {
  // The entry goes where the list is read from, so it is listed after the rescan.
  TfNewProgram dialog(sources_.empty() ? TUninstallSource::Machine() : sources_.front());
  if (request) {
    dialog.KeyName = request->KeyName;
    dialog.Fields = {dialog.FullPath(request->KeyName), request->DisplayName,
                     request->UninstallCommand, request->DisplayIcon};
  }
  TFormReference hold(fNewProgram, dialog);
  if (dialog.ShowModal(Handle()) == IDOK) Refresh1Click();
}

void TfMain::AuditReport1Click() {
  TfAudit dialog(programs_, TUtils::IsNTPlatform());
  dialog.OnPrintFailed = [this] { PrintFailed(); };
  TFormReference hold(fAudit, dialog);
  dialog.ShowModal(Handle());
}

void TfMain::PrintFailed() {
  // The program stays open with its main window in front.
  HaltAfterPrint = false;
  ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(Handle());
}
void TfMain::Uninstalllog1Click() { TfLog().ShowModal(Handle()); }

void TfMain::Restore1Click() {
  bool restored = false;
  {
    TfRestore dialog(TLogging::LogPath(), IsProtectedKey, AreValuesProtected);
    TFormReference hold(fRestore, dialog);
    dialog.ShowModal(Handle());
    restored = dialog.Restored();
  }
  if (restored) Refresh1Click();
}
void TfMain::tbHelpClick() { ShowHelpContents(Handle()); }

// F1 in the main window opens the contents; in a window opened from it, the index at that
// window's subject.
void TfMain::OnHelp(const HELPINFO& info) {
  HWND window = info.iContextType == HELPINFO_WINDOW
                    ? GetAncestor(static_cast<HWND>(info.hItemHandle), GA_ROOT)
                    : nullptr;
  std::wstring keyword =
      window && window != Handle() ? HelpKeywordFor(win::WindowText(window)) : std::wstring();
  if (keyword.empty())
    tbHelpClick();
  else
    ShowHelpKeyword(window, keyword);
}

void TfMain::Welcomebox1Click() {
  // The box made at start-up, with the choice made in it then.
  if (fWelcome) fWelcome->Offer(Handle(), [this] { tbAssistedClick(); });
}

void TfMain::About1Click() {
  TfAbout dialog;
  TFormReference hold(fAbout, dialog);
  dialog.ShowModal(Handle());
}

void TfMain::Exit1Click() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void TfMain::tbUpdateClick() {
  std::wstring path = TUtils::ExeFolder() + kUpdatesFile;
  if (!TUtils::FileExists(path)) return;
  ShellExecuteW(Handle(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TfMain::Refresh1Click() {
  // The selection stays with its program wherever the scan puts it, and goes with it: the next
  // command must never act on a neighbour that moved into its place.
  std::optional<TEntryPlace> selected;
  if (const TProgramRow* row = list_.SelectedRow(); row && row->Entry)
    selected = TEntryPlace::Of(*row->Entry);
  // Check marks stay with their programs too.
  std::vector<TEntryPlace> checked;
  for (size_t i = 0; i < programs_.Count(); ++i)
    if (const TProgramRow& row = programs_.Row(i); row.Checked && row.Entry)
      checked.push_back(TEntryPlace::Of(*row.Entry));
  list_.ClearSelection();
  // A file that had no icon may have one by now.
  icons_.ForgetMisses();
  scanner_->Scan();
  for (const TEntryPlace& place : checked)
    if (const int index = FindEntry(programs_, place); index >= 0)
      programs_.Row(static_cast<size_t>(index)).Checked = true;
  const int row = selected ? FindEntry(programs_, *selected) : -1;
  if (row >= 0) list_.SelectRow(&programs_.Row(static_cast<size_t>(row)), false);
  if (IsWindowVisible(Handle())) StartFolderSizes();
}

void TfMain::ChangeViewStyle(int style) {
  list_.SetViewStyle(style);
  InvalidateRect(list_.Handle(), nullptr, TRUE);
  CheckMenuRadioItem(GetSubMenu(menu_, mpView), cmLargeIcons, cmDetailsView,
                     static_cast<UINT>(cmLargeIcons + style), MF_BYCOMMAND);
}

void TfMain::spbuFindClick() {
  std::wstring text = sideBar_->FindText();
  if (programs_.Count() == 0 || text.empty()) return;
  auto match = FindNextMatch(list_.Filter(), list_.Selected(), text);
  if (!match) {
    std::wstring message = kNotFoundPrefix + text + kNotFoundSuffix;
    MessageBoxW(Handle(), message.c_str(), kMainCaption, MB_OK | MB_ICONERROR);
    return;
  }
  list_.Select(*match, true);
}

HWND TfMain::FindEdit() const noexcept { return sideBar_ ? sideBar_->FindEdit() : nullptr; }
