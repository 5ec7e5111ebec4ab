#include "uninstall/Printing.h"

#include "win/Error.h"
#include "win/Gdi.h"

#include <cderr.h>
#include <commdlg.h>
#include <winspool.h>

#include <string>

namespace {

// Margins in printer device units.
constexpr int kLeft = 100;
constexpr int kTopBottom = 200;

const wchar_t kNoPrinter[] = L"No printer is installed, or none is set as the default printer";

[[noreturn]] void Fail(const std::wstring& what, DWORD error = GetLastError()) {
  std::wstring reason = error ? win::SystemErrorText(error) : L"";
  throw win::TError(reason.empty() ? what : what + L": " + reason);
}

// One print job; aborted unless it is ended, so a failure leaves no half job in the queue.
class TPrintJob {
public:
  TPrintJob(HDC dc, const std::wstring& title) : dc_(dc) {
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    if (StartDocW(dc_, &info) <= 0) Fail(L"The print job could not be started");
  }
  ~TPrintJob() {
    if (!ended_) AbortDoc(dc_);
  }
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  void StartPage() {
    if (::StartPage(dc_) <= 0) Fail(L"The printer could not start a new page");
  }
  void EndPage() {
    if (::EndPage(dc_) <= 0) Fail(L"The printer could not finish a page");
  }
  void End() {
    ended_ = true;
    if (EndDoc(dc_) <= 0) Fail(L"The print job could not be finished");
  }

private:
  HDC dc_;
  bool ended_ = false;
};

// The memory the common dialogs hand out, locked for reading while the object lives.
class TGlobalLock {
public:
  explicit TGlobalLock(HGLOBAL memory) noexcept
      : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
  ~TGlobalLock() {
    if (data_) GlobalUnlock(memory_);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  const void* Data() const noexcept { return data_; }

private:
  HGLOBAL memory_;
  void* data_;
};

}  // namespace

void PrintLines(HDC printer, const std::vector<std::wstring>& lines, const LOGFONTW& screenFont,
                const std::wstring& documentTitle) {
  // The same point size on the printer: the screen font's size in whole points (as the user
  // chose it), then that size in the printer's pixels.
  LOGFONTW font = screenFont;
  int screenDpi = static_cast<int>(GetDpiForSystem());
  if (screenDpi <= 0) screenDpi = USER_DEFAULT_SCREEN_DPI;
  int points = MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 72, screenDpi);
  int height = MulDiv(points, GetDeviceCaps(printer, LOGPIXELSY), 72);
  font.lfHeight = font.lfHeight < 0 ? -height : height;
  font.lfWidth = MulDiv(font.lfWidth, GetDeviceCaps(printer, LOGPIXELSX), screenDpi);
  win::UniqueHFont printerFont(CreateFontIndirectW(&font));
  if (!printerFont) Fail(L"The printer font could not be made");
  win::SelectGuard select(printer, printerFont.Get());

  TEXTMETRICW metrics{};
  GetTextMetricsW(printer, &metrics);
  const int lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
  const int lastY = GetDeviceCaps(printer, VERTRES) - kTopBottom;

  TPrintJob job(printer, documentTitle);
  auto newPage = [&] {
    job.StartPage();
    // Some drivers reset the DC's objects at a new page.
    SelectObject(printer, printerFont.Get());
    SetBkMode(printer, TRANSPARENT);
  };
  newPage();
  int n = 0;
  for (const std::wstring& line : lines) {
    ++n;
    // A line that does not fit even as a page's first goes there all the same.
    if (n > 1 && kTopBottom + n * lineHeight > lastY) {
      job.EndPage();
      newPage();
      n = 1;
    }
    if (!line.empty())
      TabbedTextOutW(printer, kLeft, kTopBottom + n * lineHeight, line.c_str(),
                     static_cast<int>(line.size()), 0, nullptr, kLeft);
  }
  job.EndPage();
  job.End();
}

win::UniqueHdc ChoosePrinter(HWND owner) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.Flags = PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOWARNING;
  BOOL confirmed = PrintDlgW(&dialog);
  win::UniqueGlobalMemory devMode(dialog.hDevMode), devNames(dialog.hDevNames);
  if (!confirmed) {
    switch (DWORD error = CommDlgExtendedError()) {
      case 0: return {};  // cancelled
      case PDERR_NODEFAULTPRN:
      case PDERR_NODEVICES: throw win::TError(kNoPrinter);
      default:
        throw win::TError(L"The print dialog could not be shown (error " + std::to_wstring(error) +
                          L")");
    }
  }
  // The DC is made here rather than by the dialog, which reports a printer that cannot be opened
  // as if the user had cancelled.
  TGlobalLock names(devNames.Get()), mode(devMode.Get());
  std::wstring device;
  if (names.Data())
    device = static_cast<const wchar_t*>(names.Data()) +
             static_cast<const DEVNAMES*>(names.Data())->wDeviceOffset;
  win::UniqueHdc dc(
      CreateDCW(L"WINSPOOL", device.c_str(), nullptr, static_cast<const DEVMODEW*>(mode.Data())));
  // CreateDC leaves no reason behind.
  if (!dc) Fail(L"The printer \"" + device + L"\" could not be opened", 0);
  return dc;
}

win::UniqueHdc DefaultPrinterDc() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) throw win::TError(kNoPrinter);
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) throw win::TError(kNoPrinter);
  name.resize(wcslen(name.c_str()));
  win::UniqueHdc dc(CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr));
  if (!dc) Fail(L"The printer \"" + name + L"\" could not be opened", 0);
  return dc;
}

LOGFONTW PrintFontOf(HWND control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  GetObjectW(handle ? static_cast<HGDIOBJ>(handle) : GetStockObject(DEFAULT_GUI_FONT), sizeof font,
             &font);
  // The control shows it at its window's DPI, which on another monitor is not the system's.
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(GetDpiForSystem()),
                         static_cast<int>(win::WindowDpi(control)));
  return font;
}
