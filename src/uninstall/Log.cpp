#include "uninstall/Log.h"

#include "dialogs/LogIds.h"
#include "images/ImageIds.h"
#include "uninstall/Printing.h"
#include "win/Gdi.h"

TfLog::TfLog(std::wstring logPath) : win::TDialog(IDD_LOG), path_(std::move(logPath)) {}

INT_PTR TfLog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      FormCreate();
      return FALSE;  // the focus is set already
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wp);
      auto control = reinterpret_cast<HWND>(lp);
      if (HBRUSH brush = header_.CtlColor(dc, control)) return reinterpret_cast<INT_PTR>(brush);
      break;
    }
    case WM_DESTROY:
      FormClose();
      break;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfLog::OnCommand(int id, int) {
  switch (id) {
    case IDC_LOG_BUEDIT: buEditClick(); break;
    case IDC_LOG_BUCLEAR: buClearClick(); break;
    case IDOK: buPrintClick(); break;
    case IDCANCEL: End(IDCANCEL); break;  // "&Cancel", Escape and the close box
  }
}

void TfLog::FormCreate() {
  header_.Attach(Handle(), IDC_LOG_PANEL1, IDC_LOG_TITLE, IDC_LOG_IMAGE2);
  header_.SetPicture(IDI_WIZ_LOG);
  boldFont_ = BoldFontOf(Item(IDOK));
  SendMessageW(Item(IDOK), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  log_.CreateInPlaceOf(Item(IDC_LOG_MLOG));
  CenterOn(nullptr);
  SetFocus(Item(IDOK));

  logging_.emplace(&memo_);
  logging_->ShowLog(path_);  // a log that cannot be read is reported; the window opens all the same
  ShowMemo();
}

void TfLog::FormClose() { logging_.reset(); }

void TfLog::buEditClick() {
  logging_->EditLog(path_);
  End(IDCANCEL);
}

void TfLog::buClearClick() {
  logging_->ClearLog(path_);  // a log that stays is reported, and shown as it is
  logging_->WriteToFile(TLogging::kHeader, path_, true);
  ShowMemo();
}

void TfLog::buPrintClick() {
  // The button closes the window whatever happens; an error then goes on to the error box.
  struct TCloseAfter {
    TfLog& form;
    ~TCloseAfter() { form.End(IDOK); }
  } closeAfter{*this};
  // The window closes whatever the choice: it goes first, and the dialog comes over its owner.
  HideWhileWorking();
  win::UniqueHdc printer = ChoosePrinter(DialogOwner());
  if (printer) PrintLines(printer.Get(), memo_.Lines(), MemoFont());
}

void TfLog::ShowMemo() { log_.SetText(&memo_); }

LOGFONTW TfLog::MemoFont() const {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(Item(IDC_LOG_MLOG), WM_GETFONT, 0, 0));
  GetObjectW(handle ? handle : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(GetDpiForSystem()),
                         static_cast<int>(win::WindowDpi(Handle())));
  return font;
}
