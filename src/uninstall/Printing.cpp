#include "uninstall/Printing.h"

#include "win/Gdi.h"
#include "win/Text.h"

#include <cderr.h>
#include <commdlg.h>
#include <winspool.h>

#include <stdexcept>

namespace {

// Margins in printer device units.
constexpr int kLeft = 100;
constexpr int kTopBottom = 200;

const wchar_t kNoPrinter[] = L"No printer is installed, or none is set as the default printer";

struct HGlobalTraits {
  using Type = HGLOBAL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { GlobalFree(h); }
};
using UniqueHGlobal = win::UniqueHandle<HGlobalTraits>;

// The system's text for an error code, without its line break and full stop.
std::wstring SystemMessage(DWORD error) {
  wchar_t buffer[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, buffer, 512, nullptr);
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                           text.back() == L' '))
    text.pop_back();
  return text;
}

[[noreturn]] void Fail(const std::wstring& what, DWORD error = GetLastError()) {
  std::wstring reason = error ? SystemMessage(error) : L"";
  throw std::runtime_error(win::ToUtf8(reason.empty() ? what : what + L": " + reason));
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
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE |
                 PD_NOWARNING;
  BOOL confirmed = PrintDlgW(&dialog);
  UniqueHGlobal devMode(dialog.hDevMode), devNames(dialog.hDevNames);
  win::UniqueHdc dc(dialog.hDC);
  if (confirmed) {
    if (!dc) Fail(L"The chosen printer could not be opened");
    return dc;
  }
  switch (DWORD error = CommDlgExtendedError()) {
    case 0: return {};  // cancelled
    case PDERR_NODEFAULTPRN:
    case PDERR_NODEVICES: throw std::runtime_error(win::ToUtf8(kNoPrinter));
    default:
      throw std::runtime_error("The print dialog could not be shown (error " +
                               std::to_string(error) + ")");
  }
}

win::UniqueHdc DefaultPrinterDc() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) throw std::runtime_error(win::ToUtf8(kNoPrinter));
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) throw std::runtime_error(win::ToUtf8(kNoPrinter));
  name.resize(wcslen(name.c_str()));
  win::UniqueHdc dc(CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr));
  if (!dc) Fail(L"The printer \"" + name + L"\" could not be opened");
  return dc;
}
