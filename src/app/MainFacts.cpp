// The main window's facts beyond the registry's own: install folders and measured sizes from the
// background sizer, the header's column menu, and the Modify and Repair commands.
#include "app/Main.h"

#include "app/SideBar.h"
#include "inventory/InstallerKind.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "leftovers/FolderSizes.h"
#include "widgets/XPMenu.h"
#include "win/Text.h"

#include <unordered_map>

namespace {

const wchar_t kSelectToChange[] = L"Please select a program you wish to modify or repair";
const wchar_t kNothingOffered[] = L"The program does not offer this command.";
const wchar_t kCannotStart[] = L"The command could not be started:\n";

// The sizer's name for a row: its entry's place.
std::wstring RowKey(const TUninstListItem& entry) {
  return std::to_wstring(reinterpret_cast<uintptr_t>(entry.RootKey())) + L"|" +
         std::to_wstring(entry.View()) + L"|" + win::ToLower(entry.RegistryKey());
}

}  // namespace

void TfMain::StartFolderSizes() {
  if (!folderSizing_) return;
  if (!sizer_) sizer_ = std::make_unique<TFolderSizer>();
  std::vector<TFolderSizeRequest> requests;
  requests.reserve(programs_.Count());
  const bool nt = TUtils::IsNTPlatform();
  for (size_t i = 0; i < programs_.Count(); ++i) {
    const TProgramRow& row = programs_.Row(i);
    if (!row.Entry) continue;
    requests.push_back({RowKey(*row.Entry), row.Facts.InstallLocation,
                        row.Entry->ExecutableCommand(), row.IconSources().IconSource,
                        nt && row.SizeBytes <= 0});
  }
  HWND window = Handle();
  sizer_->Start(std::move(requests),
                [window] { PostMessageW(window, kFolderSizesMessage, 0, 0); });
}

void TfMain::TakeFolderSizes() {
  if (!sizer_) return;
  std::vector<TFolderSizeAnswer> answers = sizer_->TakeAnswers();
  if (answers.empty()) return;
  std::unordered_map<std::wstring, size_t> rows;
  for (size_t i = 0; i < programs_.Count(); ++i)
    if (programs_.Row(i).Entry) rows.emplace(RowKey(*programs_.Row(i).Entry), i);
  bool reorder = false;
  const TRowField order = programs_.SortOrder().Field;
  const TProgramRow* selected = list_.SelectedRow();
  bool selectedChanged = false;
  for (const TFolderSizeAnswer& answer : answers) {
    auto found = rows.find(answer.Key);
    if (found == rows.end()) continue;  // gone since the job started
    TProgramRow& row = programs_.Row(found->second);
    bool changed = false;
    if (row.InstallFolder != answer.InstallFolder) {
      row.InstallFolder = answer.InstallFolder;
      list_.FilterTextsChanged();
      changed = true;
      reorder = reorder || order == TRowField::InstallFolder;
    }
    if (answer.Bytes >= 0 && (row.SizeBytes <= 0 || row.SizeMeasured) &&
        row.SizeBytes != answer.Bytes) {
      row.Entry->SetSize(TInfoCache::FormatSize(answer.Bytes), answer.Bytes);
      row.SizeMeasured = true;
      changed = true;
      reorder = reorder || order == TRowField::Size;
    }
    if (!changed) continue;
    if (&row == selected) selectedChanged = true;
    if (!reorder) list_.RedrawRow(&row);
  }
  if (reorder) list_.Resort();
  if (selectedChanged) lvProgramsSelectItem(true);
}

void TfMain::ModifyOrRepairClick(bool repair) {
  TUninstListItem* entry = SelectedEntry(kSelectToChange);
  if (!entry) return;
  TInstallerFacts facts = ReadInstallerFacts(entry->RootKey(), entry->View(), entry->RegistryKey());
  const std::wstring& command = repair ? facts.RepairCommand : facts.ModifyCommand;
  if (command.empty()) {
    Inform(kNothingOffered);
    return;
  }
  if (TUtils::RunAndWait(win::ExpandEnvironment(command), SW_SHOWNORMAL) == -1) {
    std::wstring text = kCannotStart + command;
    MessageBoxW(Handle(), text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
    return;
  }
  // The entry may have changed its version, size or commands.
  Refresh1Click();
}

// The Modify and Repair items are offered only where the selected entry has the command.
void TfMain::EnableModifyAndRepair(HMENU menu) {
  TInstallerFacts facts;
  if (const TProgramRow* row = list_.SelectedRow(); row && row->Entry)
    facts = ReadInstallerFacts(row->Entry->RootKey(), row->Entry->View(),
                               row->Entry->RegistryKey());
  EnableMenuItem(menu, cmModify, MF_BYCOMMAND | (facts.ModifyCommand.empty() ? MF_GRAYED : 0));
  EnableMenuItem(menu, cmRepair, MF_BYCOMMAND | (facts.RepairCommand.empty() ? MF_GRAYED : 0));
}

namespace {

// The columns the column menus list, in order: the fixed ones, then the optional ones.
std::vector<TListColumn> AllColumns() {
  std::vector<TListColumn> all = TProgramListView::ProgramColumns();
  for (const TListColumn& column : TProgramListView::OptionalColumns()) all.push_back(column);
  return all;
}

}  // namespace

HMENU TfMain::MakeColumnMenu() {
  HMENU menu = CreatePopupMenu();
  UINT id = cmColumnFirst;
  for (const TListColumn& column : AllColumns())
    AppendMenuW(menu, MF_STRING, id++, column.Caption);
  xpMenu_->Attach(menu, false);
  return menu;
}

void TfMain::UpdateColumnMenu(HMENU menu) {
  const std::vector<TListColumn> all = AllColumns();
  const size_t fixed = TProgramListView::ProgramColumns().size();
  for (size_t i = 0; i < all.size(); ++i) {
    const UINT id = static_cast<UINT>(cmColumnFirst + i);
    CheckMenuItem(menu, id,
                  MF_BYCOMMAND | (list_.ColumnShown(all[i].Field) ? MF_CHECKED : MF_UNCHECKED));
    // The fixed columns stay as they are; only the optional ones come and go.
    EnableMenuItem(menu, id, MF_BYCOMMAND | (i < fixed ? MF_GRAYED : MF_ENABLED));
  }
}

void TfMain::ToggleColumn(int place) {
  const std::vector<TListColumn> all = AllColumns();
  if (place < static_cast<int>(TProgramListView::ProgramColumns().size()) ||
      place >= static_cast<int>(all.size()))
    return;
  const TRowField field = all[static_cast<size_t>(place)].Field;
  list_.ShowColumn(field, !list_.ColumnShown(field));
}

void TfMain::HeaderMenu(int x, int y) {
  if (x == -1 && y == -1) {
    RECT r{};
    GetWindowRect(ListView_GetHeader(list_.Handle()), &r);
    x = r.left;
    y = r.bottom;
  }
  UpdateColumnMenu(columnMenu_.Get());
  TrackPopupMenu(columnMenu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
}
