// The audit window, shown for real and worked from a second thread as a user works it.
#include "uninstall/Audit.h"

#include "UninstallTestSupport.h"
#include "dialogs/AuditIds.h"
#include "support/PrintedPdf.h"
#include "inventory/Utils.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <dlgs.h>
#include <winspool.h>

using namespace testing_support;

namespace {

// Two programs, which the list keeps in caption order.
struct TTwoPrograms : TProgramList {
  TTwoPrograms() {
    for (const wchar_t* name : {L"Zeta Tool", L"Alpha Suite"}) {
      TUninstListItem& entry = *Add().Entry;
      entry.SetName(name);
      entry.SetSize(L"2.00 MB");
      entry.SetLastUsed(L"");
      entry.SetFrequency(L"rarely");
      entry.SetUninstallCommand(L"");
    }
  }
};

const wchar_t kSaveTitle[] = L"Save Report As";
const wchar_t kErrorTitle[] = L"Tarvenholt Purgalot!";

// Types a file name into the save dialog and confirms it.
void TypeFileName(HWND save, const std::wstring& file) {
  ASSERT_NE(save, nullptr) << "no save dialog";
  ASSERT_TRUE(EnterFileName(save, file)) << "no file name box";
}

void AnswerSaveDialog(const std::wstring& file) { TypeFileName(WaitForDialog(kSaveTitle), file); }

std::wstring BoxText(HWND box) { return ControlText(GetDlgItem(box, 0xFFFF)); }

// Answers a message box and waits until it is gone.
void Answer(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, button, 0);
  ASSERT_TRUE(WaitUntil([box] { return !IsWindow(box); }));
}

// A file the test made read-only, made writable again for its removal.
struct TReadOnlyFile {
  explicit TReadOnlyFile(std::wstring file) : Path(std::move(file)) {
    SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~TReadOnlyFile() { SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_NORMAL); }
  std::wstring Path;
};

// Cancels every dialog and message box this process shows.
void CancelOpenDialogs() {
  EnumWindows(
      [](HWND hwnd, LPARAM) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t className[16] = {};
        GetClassNameW(hwnd, className, 16);
        if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) &&
            lstrcmpW(className, L"#32770") == 0)
          PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
      },
      0);
}

class AuditWindowTest : public ::testing::Test {
protected:
  // Every script leaves the window closed. One left open (the fault some tests look for) would
  // keep ShowModal waiting for ever, so it is then cancelled with whatever it shows.
  INT_PTR Show(bool detailedOffered, std::function<void(HWND)> script, HWND owner = nullptr) {
    TfAudit dialog(programs, detailedOffered);
    dialog.OnPrintFailed = [this] { printFailedTold = true; };
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Audit Report");
      if (hwnd) script(hwnd);
      if (!hwnd || WaitUntil([hwnd] { return !IsWindow(hwnd); })) return;
      ADD_FAILURE() << "the audit window did not close";
      WaitUntil([hwnd] {
        CancelOpenDialogs();
        PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);  // also when it is hidden
        return !IsWindow(hwnd);
      });
    });
    return dialog.ShowModal(owner);
  }

  TTwoPrograms programs;
  TTempDir dir;
  bool printFailedTold = false;
};

TEST_F(AuditWindowTest, SavesTheEditedHeaderWithTheChosenFormat) {
  std::wstring memo;
  bool detailedVisible = false;
  INT_PTR result = Show(true, [&](HWND dialog) {
    memo = ControlText(GetDlgItem(dialog, IDC_AUD_MEMO));
    detailedVisible = IsWindowVisible(GetDlgItem(dialog, IDC_AUD_DETAILED)) != FALSE;
    SendMessageW(GetDlgItem(dialog, IDC_AUD_MEMO), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L" Inventory of the lab\r\n\r\r\n Before the upgrade"));
    SendMessageW(GetDlgItem(dialog, IDC_AUD_LONG), BM_CLICK, 0, 0);
    PostClick(GetDlgItem(dialog, IDC_AUD_SAVE));
    AnswerSaveDialog(dir.Path() + L"lab");
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(memo.rfind(L" Software Audit Report for: ", 0), 0u);
  EXPECT_NE(memo.find(L"\r\n By Tarvenholt Purgalot! \r\n"), std::wstring::npos);
  EXPECT_TRUE(detailedVisible);
  EXPECT_EQ(ReadBytes(dir.Path() + L"lab.txt"),
            " Inventory of the lab\r\n\r\r\n Before the upgrade\r\n\r\r\n"
            "Alpha Suite\r\nUninstall Command: \r\n\r\r\n"
            "Zeta Tool\r\nUninstall Command: \r\n\r\r\n");
}

TEST_F(AuditWindowTest, TheDetailedFormatIsOfferedOnlyOnTheNtFamily) {
  bool detailedVisible = true;
  INT_PTR result = Show(false, [&](HWND dialog) {
    detailedVisible = IsWindowVisible(GetDlgItem(dialog, IDC_AUD_DETAILED)) != FALSE;
    PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);  // Escape closes
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(detailedVisible);
}

TEST_F(AuditWindowTest, CancellingTheSaveDialogWritesNothingAndCloses) {
  INT_PTR result = Show(true, [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDC_AUD_SAVE));
    HWND save = WaitForDialog(kSaveTitle);
    ASSERT_NE(save, nullptr);
    PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(result, IDOK);
  WIN32_FIND_DATAW data;
  win::UniqueFind none(FindFirstFileW((dir.Path() + L"*.txt").c_str(), &data));
  EXPECT_FALSE(none);
}

// "Save to file..." and "Print..." close the report whatever is chosen. The report goes first and
// the common dialog comes over the window that opened it: a window manager that still hands the
// keyboard back to the report when the common dialog closes would otherwise leave no window
// active and every key lost.
TEST_F(AuditWindowTest, SaveAndPrintDialogsComeOverTheOwnerWhichHasTheKeyboardAfterwards) {
  win::UniqueHwnd owner(CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        100, 100, 300, 200, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(owner);
  enum { kSave, kCancelSave, kCancelPrint };
  for (const int way : {kSave, kCancelSave, kCancelPrint}) {
    SetForegroundWindow(owner.Get());
    SetFocus(owner.Get());
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == owner.Get(); }));
    HWND boxOwner = nullptr;
    bool reportShown = true;
    EXPECT_EQ(IDOK, Show(true, [&](HWND dialog) {
      PostClick(GetDlgItem(dialog, way == kCancelPrint ? IDOK : IDC_AUD_SAVE));
      HWND box = WaitForDialog(way == kCancelPrint ? L"Print" : kSaveTitle);
      ASSERT_NE(box, nullptr);
      boxOwner = GetWindow(box, GW_OWNER);
      reportShown = IsWindowVisible(dialog) != FALSE;
      if (way == kSave)
        TypeFileName(box, dir.Path() + L"kept");
      else
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }, owner.Get())) << way;
    EXPECT_EQ(owner.Get(), boxOwner) << way;
    EXPECT_FALSE(reportShown) << way;
    PumpUntil([&] { return GetActiveWindow() == owner.Get(); }, 2000);
    EXPECT_EQ(owner.Get(), GetActiveWindow()) << way;
    EXPECT_EQ(owner.Get(), GetFocus()) << way;
  }
  EXPECT_TRUE(TUtils::FileExists(dir.Path() + L"kept.txt"));
}

TEST_F(AuditWindowTest, PrintsThroughThePrintDialog) {
  TPrinterOutput output;
  ASSERT_TRUE(output.Ready());
  Show(true, [&](HWND dialog) {
    SendMessageW(GetDlgItem(dialog, IDC_AUD_SHORT), BM_CLICK, 0, 0);
    PostClick(GetDlgItem(dialog, IDOK));
    HWND print = WaitForDialog(L"Print");
    ASSERT_NE(print, nullptr);
    PostMessageW(print, WM_COMMAND, IDOK, 0);
  });
  std::string pdf = output.Next();
  ASSERT_FALSE(pdf.empty());
  std::string text = RunOnHost({"pdftotext", "-layout", pdf, "-"});
  EXPECT_NE(text.find("Software Audit Report for:"), std::string::npos) << text;
  EXPECT_LT(text.find("Alpha Suite"), text.find("Zeta Tool")) << text;  // in list order
}

TEST_F(AuditWindowTest, OpensWithTheCaretAtTheStartOfTheHeader) {
  std::wstring header, typed;
  DWORD start = 1, end = 1;
  Show(true, [&](HWND dialog) {
    HWND memo = GetDlgItem(dialog, IDC_AUD_MEMO);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(WaitUntil([&] {
      return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) &&
             thread.hwndFocus == memo;
    }));
    SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    header = ControlText(memo);
    // The user's first key, to whatever has the focus.
    PostMessageW(thread.hwndFocus, WM_CHAR, L'X', 1);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(memo) != header; }));
    typed = ControlText(memo);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(typed, L"X" + header);
}

TEST_F(AuditWindowTest, TheSaveDialogAsksBeforeReplacingTheFileThatWillBeWritten) {
  std::wstring existing = dir.MakeFile(L"report.txt", "last week's report");
  std::wstring question;
  bool saveDialogStaysOpen = false;
  INT_PTR result = Show(true, [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDC_AUD_SAVE));
    HWND save = WaitForDialog(kSaveTitle);
    TypeFileName(save, dir.Path() + L"report");  // ".txt" is added to it
    HWND box = WaitForDialogOwnedBy(save);
    ASSERT_NE(box, nullptr) << "replaced without asking";
    question = BoxText(box);
    Answer(box, IDNO);
    saveDialogStaysOpen = IsWindowVisible(save) != FALSE;
    TypeFileName(save, dir.Path() + L"other");
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(question, existing + L" already exists.\r\nDo you want to replace it?");
  EXPECT_TRUE(saveDialogStaysOpen);
  EXPECT_EQ(ReadBytes(existing), "last week's report");
  EXPECT_NE(ReadBytes(dir.Path() + L"other.txt").find("Alpha Suite"), std::string::npos);
}

TEST_F(AuditWindowTest, AFailedSaveShowsTheErrorAndTheWindowStaysOpenForAnotherTry) {
  TReadOnlyFile locked(dir.MakeFile(L"locked.txt", "kept"));
  std::wstring error;
  bool stillOpen = false;
  INT_PTR result = Show(true, [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDC_AUD_SAVE));
    HWND save = WaitForDialog(kSaveTitle);
    TypeFileName(save, dir.Path() + L"locked");
    HWND question = WaitForDialogOwnedBy(save);
    ASSERT_NE(question, nullptr);
    Answer(question, IDYES);
    HWND box = WaitForDialog(kErrorTitle);
    ASSERT_NE(box, nullptr) << "no error shown";
    error = BoxText(box);
    Answer(box, IDOK);
    stillOpen = IsWindowVisible(dialog) != FALSE;
    PostClick(GetDlgItem(dialog, IDC_AUD_SAVE));
    AnswerSaveDialog(dir.Path() + L"second");
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(error.rfind(L"The report could not be saved as \"" + locked.Path + L"\"", 0), 0u)
      << win::ToUtf8(error);
  EXPECT_EQ(ReadBytes(locked.Path), "kept");
  // The second try writes the whole report, its program list included.
  EXPECT_NE(ReadBytes(dir.Path() + L"second.txt").find("\r\r\nAlpha Suite\r\nZeta Tool\r\n"),
            std::string::npos);
}

// A printer the test adds beside the suite's PDF printer and takes away again, as when a printer
// is removed while the print dialog is open.
class TVanishingPrinter {
public:
  static constexpr const wchar_t* kName = L"Purgalot Vanishing Printer";
  TVanishingPrinter() {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(kName);
    info.pPortName = const_cast<wchar_t*>(L"LPT1:");
    info.pDriverName = const_cast<wchar_t*>(L"PDF");
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    handle_ = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  }
  ~TVanishingPrinter() { Remove(); }
  bool Added() const noexcept { return handle_ != nullptr; }
  void Remove() {
    if (handle_) DeletePrinter(handle_), ClosePrinter(handle_);
    handle_ = nullptr;
  }

private:
  HANDLE handle_ = nullptr;
};

TEST_F(AuditWindowTest, APrinterThatCannotBeOpenedShowsTheErrorAndCloses) {
  TVanishingPrinter printer;
  ASSERT_TRUE(printer.Added()) << GetLastError();
  std::wstring error;
  INT_PTR result = Show(true, [&](HWND dialog) {
    PostClick(GetDlgItem(dialog, IDOK));
    HWND print = WaitForDialog(L"Print");
    ASSERT_NE(print, nullptr);
    HWND printers = GetDlgItem(print, cmb4);  // the dialog's printer list
    SendMessageW(printers, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(TVanishingPrinter::kName));
    SendMessageW(print, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(printers));
    printer.Remove();
    PostMessageW(print, WM_COMMAND, IDOK, 0);
    HWND box = WaitForDialog(kErrorTitle);
    ASSERT_NE(box, nullptr) << "no error shown";
    error = BoxText(box);
    Answer(box, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(error, L"The printer \"" + std::wstring(TVanishingPrinter::kName) +
                       L"\" could not be opened.")
      << win::ToUtf8(error);
  EXPECT_TRUE(printFailedTold);  // the main window comes to the front
}

}  // namespace
