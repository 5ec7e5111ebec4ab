#include "leftovers/LeftoversWindow.h"

#include "assisted/AssistedUninstall.h"
#include "dialogs/LeftoversIds.h"
#include "images/ImageIds.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <thread>

TfLeftovers* fLeftovers = nullptr;

namespace {

const wchar_t kTitle[] = L"Leftovers of ";
const wchar_t kExplainSearching[] =
    L"Purgalot! is looking for the folders, files and registry entries the program left behind.";
const wchar_t kExplainFound[] =
    L"Only the finds Purgalot! is sure of are ticked. Select a find to read why it is proposed; "
    L"Space ticks or clears it. Remove deletes the ticked finds and keeps a backup for Restore.";
const wchar_t kExplainNone[] = L"Purgalot! found nothing the program left behind.";
const wchar_t kExplainRemoved[] =
    L"The Status column tells how the removal of each ticked find went. Registry entries were "
    L"saved first: File, Restore... brings them back.";
const wchar_t kSearching[] = L"Searching...";
const wchar_t kSearchFailed[] = L"The search stopped: ";
const wchar_t kKeysKept[] = L"These registry entries were kept:";
const wchar_t kFilesStayed[] = L"These files and folders stayed:";
const wchar_t kValueLabel[] = L"Value: ";
const wchar_t kDefaultValue[] = L"(Default)";

constexpr UINT kSearchDone = WM_APP + 1;

// The finds come ordered by kind; the kind leads each row, as in the assisted uninstall's list.
enum { kKindColumn, kPathColumn, kLevelColumn, kWhyColumn, kStatusColumn };

}  // namespace

// The search's state, shared with its thread: a window closed during the search leaves the thread
// to end on its own, and what it finds then goes nowhere.
struct TfLeftovers::TSearch {
  std::atomic<bool> abandoned{false};
  std::vector<TOtherProgram> others;
  std::vector<TLeftover> finds;
  std::wstring error;
  std::thread thread;
};

TfLeftovers::TfLeftovers(TProgramFacts program, std::wstring logPath)
    : win::TDialog(IDD_LEFTOVERS), program_(std::move(program)), logPath_(std::move(logPath)) {}

TfLeftovers::~TfLeftovers() {
  if (search_ && search_->thread.joinable()) {
    search_->abandoned = true;
    search_->thread.detach();
  }
}

const wchar_t* TfLeftovers::KindCaption(TLeftoverKind kind) {
  switch (kind) {
    case TLeftoverKind::Folder: return L"Folder";
    case TLeftoverKind::File: return L"File";
    case TLeftoverKind::Key: return L"Registry key";
    case TLeftoverKind::Value: return L"Registry value";
  }
  return L"";
}

std::wstring TfLeftovers::EvidenceText(const TLeftover& find) {
  std::wstring text = find.Location();
  if (find.Kind == TLeftoverKind::Value)
    text += L"\r\n" + std::wstring(kValueLabel) +
            (find.ValueName.empty() ? std::wstring(kDefaultValue) : find.ValueName);
  text += L"\r\n" + std::wstring(LevelCaption(find.Level)) + L" (score " +
          std::to_wstring(find.Score) + L"):";
  for (const std::wstring& sentence : find.Evidence) text += L"\r\n" + sentence;
  return text;
}

INT_PTR TfLeftovers::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      FormCreate();
      return FALSE;  // the focus is set already
    case kSearchDone:
      SearchDone();
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<INT_PTR>(brush);
      if (reinterpret_cast<HWND>(lp) == Item(IDC_LO_SEARCHING)) {
        // The note stands on the empty list: the list's colours.
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lp);
      if (header.idFrom != IDC_LO_LIST) break;
      if (header.code == LVN_ITEMCHANGING && removed_ && !filling_) {
        // After the removal the ticks tell what was removed: they stay as they are.
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lp);
        if ((change.uChanged & LVIF_STATE) &&
            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) {
          SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
      } else if (header.code == LVN_ITEMCHANGED) {
        lvFindsChanged(*reinterpret_cast<const NMLISTVIEW*>(lp));
      }
      break;
    }
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfLeftovers::OnCommand(int id, int) {
  switch (id) {
    case IDC_LO_REMOVE: buRemoveClick(); break;
    case IDCANCEL: End(removed_ ? IDOK : IDCANCEL); break;  // "Close", Escape, the close box
  }
}

void TfLeftovers::FormCreate() {
  header_.Attach(Handle(), IDC_LO_BANNER, IDC_LO_TITLE, IDC_LO_PICTURE);
  header_.SetTitle(kTitle + program_.Name);
  header_.SetPicture(IDI_WIZ_DELETE);
  boldFont_ = BoldFontOf(Item(IDC_LO_REMOVE));
  SendMessageW(Item(IDC_LO_REMOVE), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);

  HWND list = Item(IDC_LO_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                              LVS_EX_LABELTIP | LVS_EX_CHECKBOXES);
  win::InsertListColumns(
      list, {{L"Kind", 92}, {L"Path", 0}, {L"Level", 64}, {L"Why", 230}, {L"Status", 52}}, 120);
  CenterOn(GetWindow(Handle(), GW_OWNER));
  StartSearch();
}

void TfLeftovers::StartSearch() {
  SetItemText(IDC_LO_EXPLAIN, kExplainSearching);
  SetItemText(IDC_LO_SEARCHING, kSearching);
  ShowWindow(Item(IDC_LO_SEARCHING), SW_SHOWNA);
  EnableWindow(Item(IDC_LO_REMOVE), FALSE);
  SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
  SetFocus(Item(IDCANCEL));
  search_ = std::make_shared<TSearch>();
  search_->thread = std::thread([search = search_, finder = Finder, program = program_,
                                 hwnd = Handle()] {
    try {
      search->others = ReadOtherPrograms(program.Root, program.View, program.EntryKey);
      search->finds = finder.Find(program, search->others);
    } catch (...) {
      search->error = win::CurrentExceptionMessage();
    }
    if (!search->abandoned) PostMessageW(hwnd, kSearchDone, 0, 0);
  });
}

void TfLeftovers::SearchDone() {
  if (!search_ || !search_->thread.joinable()) return;
  search_->thread.join();
  const std::shared_ptr<TSearch> search = std::move(search_);
  if (!search->error.empty()) {
    SetItemText(IDC_LO_SEARCHING, kSearchFailed + search->error);
    SetItemText(IDC_LO_EXPLAIN, L"");
    return;
  }
  removal_.emplace(program_, std::move(search->finds), logPath_);
  removal_->Others = std::move(search->others);
  removal_->UseRecycleBin = UseRecycleBin;
  if (removal_->Finds().empty()) {
    SetItemText(IDC_LO_SEARCHING, kExplainNone);
    SetItemText(IDC_LO_EXPLAIN, kExplainNone);
    return;
  }
  ShowWindow(Item(IDC_LO_SEARCHING), SW_HIDE);
  SetItemText(IDC_LO_EXPLAIN, kExplainFound);
  FillList();
  SendMessageW(Handle(), DM_SETDEFID, IDC_LO_REMOVE, 0);
  HWND list = Item(IDC_LO_LIST);
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetFocus(list);
  lvFindsSelect();
}

const std::vector<TLeftover>& TfLeftovers::Finds() const noexcept {
  static const std::vector<TLeftover> none;
  return removal_ ? removal_->Finds() : none;
}

bool TfLeftovers::AnyTicked() const {
  return removal_ && std::any_of(removal_->Rows.begin(), removal_->Rows.end(),
                                 [](const TDeleteRow& row) { return row.Checked; });
}

void TfLeftovers::FillList() {
  HWND list = Item(IDC_LO_LIST);
  const std::vector<TLeftover>& finds = removal_->Finds();
  filling_ = true;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  // Each row's index is its find's.
  for (size_t i = 0; i < finds.size(); ++i) {
    const TLeftover& find = finds[i];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(KindCaption(find.Kind));
    const int at = ListView_InsertItem(list, &item);
    std::wstring path = removal_->Rows[i].Path();
    ListView_SetItemText(list, at, kPathColumn, path.data());
    ListView_SetItemText(list, at, kLevelColumn, const_cast<wchar_t*>(LevelCaption(find.Level)));
    std::wstring why = find.Evidence.empty() ? std::wstring() : find.Evidence.front();
    ListView_SetItemText(list, at, kWhyColumn, why.data());
    ListView_SetCheckState(list, at, removal_->Rows[i].Checked);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  filling_ = false;
  EnableWindow(Item(IDC_LO_REMOVE), AnyTicked());
}

int TfLeftovers::SelectedIndex() const {
  const int row = static_cast<int>(
      SendMessageW(Item(IDC_LO_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return row >= 0 && static_cast<size_t>(row) < Finds().size() ? row : -1;
}

void TfLeftovers::lvFindsSelect() {
  const int row = SelectedIndex();
  SetItemText(IDC_LO_EVIDENCE, row < 0 ? L"" : EvidenceText(Finds()[static_cast<size_t>(row)]));
}

void TfLeftovers::lvFindsChanged(const NMLISTVIEW& change) {
  if (filling_ || !removal_ || !(change.uChanged & LVIF_STATE) || change.iItem < 0 ||
      static_cast<size_t>(change.iItem) >= removal_->Rows.size())
    return;
  if ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) lvFindsSelect();
  if (!removed_) {
    removal_->Rows[change.iItem].Checked =
        ListView_GetCheckState(change.hdr.hwndFrom, change.iItem) != 0;
    EnableWindow(Item(IDC_LO_REMOVE), AnyTicked());
  }
}

void TfLeftovers::buRemoveClick() {
  if (removed_ || !AnyTicked()) return;
  if (MessageBoxW(Handle(), kConfirmDeletion, L"Information", MB_YESNO | MB_ICONINFORMATION) !=
      IDYES)
    return;
  EnableWindow(Item(IDC_LO_REMOVE), FALSE);
  removed_ = true;
  SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
  SetItemText(IDC_LO_EXPLAIN, kExplainRemoved);

  TDeleteEngine engine;
  engine.RowStatusChanged = [this](size_t index) { SetRowStatus(index); };
  // The rows say "Failed"; this says why.
  TFailureReasons reasons;
  engine.RowFailed = [&](size_t index, const std::wstring& reason) {
    reasons.Add(removal_->Rows[index].Item.RootKey != nullptr, reason);
  };
  removal_->Remove(engine);

  SetFocus(Item(IDCANCEL));
  const std::wstring text = reasons.Text(kKeysKept, kFilesStayed);
  if (!text.empty())
    MessageBoxW(Handle(), text.c_str(), win::kApplicationTitle, MB_OK | MB_ICONERROR);
}

void TfLeftovers::SetRowStatus(size_t index) {
  std::wstring status = removal_->Rows.at(index).Status();
  ListView_SetItemText(Item(IDC_LO_LIST), static_cast<int>(index), kStatusColumn, status.data());
}
