#include "editing/EditDetails.h"

#include "dialogs/EditDetailsIds.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "win/Gdi.h"
#include "win/Window.h"

TfEditDetails* fEditDetails = nullptr;

namespace {

const wchar_t kKeyTitle[] = L"Registry Key";
const wchar_t kValueTitle[] = L"Registry Value";

}  // namespace

TfEditDetails::TfEditDetails(const TUninstListItem& entry)
    : win::TDialog(IDD_EDITDETAILS),
      root_(entry.RootKey()),
      view_(entry.View()),
      keyPath_(entry.RegistryKey()) {}

void TfEditDetails::OnInitDialog() {
  header_.Attach(Handle(), IDC_ED_BANNER, IDC_ED_TITLE, IDC_ED_PICTURE);
  header_.SetPicture(IDI_CMD_EDIT);
  boldFont_ = BoldFontOf(Item(IDOK));
  SendMessageW(Item(IDOK), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);

  // The grid takes the place held for it, exactly as wide as its two columns.
  HWND place = Item(IDC_ED_GRID);
  RECT rc;
  GetWindowRect(place, &rc);
  MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&rc), 2);
  const UINT dpi = win::WindowDpi(Handle());
  const int width = win::ScaleForDpi(TValueListEditor::kDefaultKeyWidth +
                                         TValueListEditor::kDefaultValueWidth, dpi) +
                    GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) +
                    2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi);
  vleDetails_.Create(Handle(), rc.left, rc.top, width, rc.bottom - rc.top, IDC_ED_GRIDCONTROL);
  SetWindowPos(vleDetails_.Handle(), place, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // tab order
  vleDetails_.SetTitles(kKeyTitle, kValueTitle);

  FormCreate();
  CenterOn(GetWindow(Handle(), GW_OWNER));
  SetFocus(vleDetails_.Handle());
}

void TfEditDetails::FormCreate() {
  if (values_.Load(root_, view_, keyPath_)) {
    std::vector<TValueListEditor::TRow> rows;
    std::vector<TValueRow> shown = values_.Rows();
    rows.reserve(shown.size());
    for (TValueRow& row : shown)
      rows.push_back({std::move(row.Name), std::move(row.Value), row.ReadOnly});
    vleDetails_.SetRows(std::move(rows));
  }
  // The first loaded name is on the first row; when it is not shown, the first row is current
  // all the same, so "Delete Key" always has a row to act on.
  vleDetails_.SelectCell(TValueListEditor::kKeyColumn, 0);
  SetItemText(IDC_ED_STORED, RegistryLocationText(root_, view_, keyPath_));
}

INT_PTR TfEditDetails::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    OnInitDialog();
    return FALSE;  // the grid has the focus already
  }
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfEditDetails::OnCommand(int id, int) {
  switch (id) {
    case IDC_ED_ADD: buAddClick(); break;
    case IDC_ED_DELETE: buDelClick(); break;
    case IDOK: buOKClick(); break;
    case IDCANCEL: End(IDCANCEL); break;
  }
}

void TfEditDetails::buAddClick() {
  vleDetails_.CommitEdit();
  vleDetails_.AppendRow();
}

void TfEditDetails::buDelClick() {
  vleDetails_.CommitEdit();
  const TValueListEditor::TRow& first = vleDetails_.Row(0);
  if (first.Key.empty() && first.Value.empty()) return;  // nothing in the grid
  const int row = vleDetails_.CurrentRow();
  const TValueListEditor::TRow& current = vleDetails_.Row(row);
  // A row without a name stands for the key's default value only when it shows one; an empty
  // row deletes nothing.
  if (!current.Key.empty() || !current.Value.empty()) deleted_.push_back(current.Key);
  vleDetails_.DeleteRow(row);
}

void TfEditDetails::buOKClick() {
  vleDetails_.CommitEdit();
  std::vector<TValueRow> rows;
  for (const TValueListEditor::TRow& row : vleDetails_.Rows())
    rows.push_back({row.Key, row.Value, row.ReadOnly});
  // A refusal ends the writing; its message is shown and the dialog closes all the same.
  win::Guarded([&] { values_.Save(rows, deleted_); });
  End(IDOK);
}
