#include "editing/Details.h"

#include "dialogs/DetailsIds.h"
#include "editing/DetailsPage.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <shellapi.h>

#include <vector>

TfDetails* fDetails = nullptr;

namespace {

constexpr int kCaptionX = 20;
constexpr int kValueX = 180;
constexpr int kColumnGap = 4;
constexpr int kLabelHeight = 18;
constexpr int kFontPoints = 10;

}  // namespace

TfDetails::TfDetails(TUninstListItem& entry) : win::TDialog(IDD_DETAILS), entry_(entry) {}

TfDetails::~TfDetails() = default;

void TfDetails::OnInitDialog() {
  header_.Attach(Handle(), IDC_DET_BANNER, IDC_DET_TITLE, IDC_DET_PICTURE);
  header_.SetPicture(IDI_CMD_DETAILS);

  // The page takes the place the template keeps for it.
  HWND place = Item(IDC_DET_PAGE);
  RECT rect{};
  GetWindowRect(place, &rect);
  MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&rect), 2);
  DestroyWindow(place);
  sbDetails_ = std::make_unique<TDetailsPage>();
  sbDetails_->Create(Handle(), rect, IDC_DET_PAGE);
  sbDetails_->OnLinkClick = [this](HWND label) {
    LabelClick(static_cast<size_t>(GetDlgCtrlID(label) - IDC_DET_FIRST_LABEL) / 2);
  };

  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfHeight = -MulDiv(kFontPoints, static_cast<int>(win::WindowDpi(Handle())), 72);
  font_.Reset(CreateFontIndirectW(&font));
  font.lfUnderline = TRUE;
  linkFont_.Reset(CreateFontIndirectW(&font));

  FormCreate();
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

void TfDetails::FormCreate() {
  launched_ = false;
  rows_ = ReadDetailRows(entry_);
  int bottom = 0;
  for (const TDetailRow& row : rows_) {
    AddLabel(kCaptionX, row.Top, row.Caption, TDetailLink::None);
    AddLabel(kValueX, row.Top, row.Value, row.Link);
    bottom = row.Top + kDetailRowHeight;
  }
  sbDetails_->SetContentHeight(win::Scale(Handle(), bottom + kDetailRowHeight));
}

HWND TfDetails::AddLabel(int x, int top, const std::wstring& caption, TDetailLink link) {
  HWND page = sbDetails_->Handle();
  RECT client{};
  GetClientRect(page, &client);
  int left = win::Scale(page, x);
  int width = x == kCaptionX ? win::Scale(page, kValueX - kCaptionX - kColumnGap)
                             : client.right - left - win::Scale(page, kCaptionX);
  DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS;
  if (link != TDetailLink::None) style |= SS_NOTIFY;
  // Labels are numbered in the order they are made, two per row.
  const int id = IDC_DET_FIRST_LABEL + labelCount_++;
  HWND label = CreateWindowExW(0, L"Static", caption.c_str(), style, left, win::Scale(page, top),
                               width, win::Scale(page, kLabelHeight), page,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  HFONT font = link == TDetailLink::None ? font_.Get() : linkFont_.Get();
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (link != TDetailLink::None) sbDetails_->MarkLink(label);
  return label;
}

void TfDetails::LabelClick(size_t row) {
  if (row >= rows_.size()) return;
  if (rows_[row].Link == TDetailLink::Run)
    LaunchCmd(rows_[row]);
  else if (rows_[row].Link == TDetailLink::Open)
    ExecuteAction(rows_[row]);
}

void TfDetails::ExecuteAction(const TDetailRow& row) {
  ShellExecuteW(Handle(), nullptr, row.Target().c_str(), nullptr, nullptr, SW_SHOW);
}

void TfDetails::LaunchCmd(const TDetailRow& row) {
  // Even a command that does not start may have changed something: the list is scanned again.
  launched_ = true;
  RunCommand(row.Target(), SW_SHOW);
}

bool TfDetails::RunCommand(const std::wstring& commandLine, int showState) {
  return static_cast<bool>(TUtils::StartProcess(commandLine, showState));
}

INT_PTR TfDetails::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfDetails::OnCommand(int id, int) {
  if (id == IDOK || id == IDCANCEL) End(IDOK);
}
