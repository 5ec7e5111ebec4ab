// The uninstall log window, driven as a user would: the window runs modally on the test's thread
// while a second thread finds it by its caption, clicks its buttons, presses keys, answers the
// print dialog and reads what the memo shows. Printing goes to the suite's PDF printer (started
// by scripts/test) and is read back with the host's pdftotext.
#include "uninstall/Log.h"

#include "dialogs/LogIds.h"
#include "support/GuiDriver.h"
#include "support/PrintedPdf.h"
#include "support/TestMachine.h"
#include "uninstall/Printing.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const char kHeader[] =
    "Tarvenholt Purgalot! Uninstall Log \r\n"
    "Contains information about programs you have uninstalled from your computer\r\n\r\n";
// The Georgian name is printed too: Wine's printer driver draws only the UI font's own letters,
// and Georgian is among them.
const char kRecords[] =
    "\r\n6/12/2026 9:5:3\r\nUninstalling \xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC"
    "\xD0\xBC\xD0\xB0 2.1\r\nUninstall OK. Uninstaller removed program from list.\r\n"
    "\r\n6/12/2026 9:7:41\r\nDeleting entry \xE1\x83\xA2\xE1\x83\x94\xE1\x83\xA5\xE1\x83\xA1"
    "\xE1\x83\xA2\xE1\x83\x98\r\n"
    "Deleted OK.\r\n\r\n7/12/2026 10:0:0\r\nUninstalling Caf\xE9 Viewer\r\n"
    "Uninstaller did not complete the uninstall process or did not remove program from list.\r\n";
// What the memo shows for kRecords: the ANSI line read in the ANSI code page (Windows-1252).
const wchar_t kRecordsShown[] =
    L"\r\n6/12/2026 9:5:3\r\nUninstalling \u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430 "
    L"2.1\r\nUninstall OK. Uninstaller removed program from list.\r\n"
    L"\r\n6/12/2026 9:7:41\r\nDeleting entry \u10E2\u10D4\u10E5\u10E1\u10E2\u10D8\r\n"
    L"Deleted OK.\r\n"
    L"\r\n7/12/2026 10:0:0\r\nUninstalling Caf\u00E9 Viewer\r\n"
    L"Uninstaller did not complete the uninstall process or did not remove program from list.";

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Shows the log window of the file on this thread while drive works it from a second thread;
// returns the result the window closed with.
template <class Drive>
INT_PTR RunLogWindow(const std::wstring& logPath, Drive drive) {
  TfLog form(logPath);
  std::thread driver([&] {
    HWND dialog = WaitForDialog(L"Uninstall Log");
    if (!dialog) {
      ADD_FAILURE() << "the log window did not open";
      if (HWND late = WaitForDialog(L"Uninstall Log")) PostMessageW(late, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    drive(dialog);
    if (!WaitUntil([&] { return !IsWindow(dialog); })) {
      ADD_FAILURE() << "the log window stayed open";
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  });
  INT_PTR result = form.ShowModal(nullptr);
  driver.join();
  return result;
}

std::wstring MemoText(HWND dialog) { return ControlText(GetDlgItem(dialog, IDC_LOG_MLOG)); }

// A click that may open a modal window, so the driver does not wait for it.
void PostClick(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PostKey(HWND hwnd, WPARAM key) {
  PostMessageW(hwnd, WM_KEYDOWN, key, 1);
  PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

// Answers the print dialog the log window opens with OK or Cancel.
void AnswerPrintDialog(int answer) {
  HWND print = WaitForDialog(L"Print");
  ASSERT_NE(print, nullptr) << "no print dialog";
  PostMessageW(print, WM_COMMAND, static_cast<WPARAM>(answer), 0);
}

// --- The printer's output, read back on the host -------------------------------------------

// The printed text of a PDF, as pdftotext lays it out.
std::wstring PdfText(const std::string& pdf) {
  std::wstring text;
  EXPECT_TRUE(win::TryFromUtf8(RunOnHost({"pdftotext", "-layout", pdf, "-"}), text));
  return text;
}

// The printed lines that hold text, blanks trimmed and runs of blanks made one; pdftotext reads
// an ASCII hyphen as a soft hyphen.
std::vector<std::wstring> TextLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wistringstream in(text);
  for (std::wstring line; std::getline(in, line);) {
    std::wstring clean;
    for (wchar_t c : line) {
      if (c == L'\u00AD') c = L'-';
      if (c == L'\f' || c == L'\r') continue;
      if (c == L' ' && (clean.empty() || clean.back() == L' ')) continue;
      clean += c;
    }
    while (!clean.empty() && clean.back() == L' ') clean.pop_back();
    if (!clean.empty()) lines.push_back(clean);
  }
  return lines;
}

// The lines of the next job the printer writes.
std::vector<std::wstring> NextLines(TPrinterOutput& output) {
  std::string pdf = output.Next();
  return pdf.empty() ? std::vector<std::wstring>() : TextLines(PdfText(pdf));
}

}  // namespace

TEST(LogWindow, OpensCentredShowingTheLogInEveryScriptReadOnly) {
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt", std::string(kHeader) + kRecords);
  std::wstring memo, memoAfterEdits, title, buttons, read;
  LONG_PTR memoStyle = 0;
  RECT window{}, work{};
  INT_PTR result = RunLogWindow(log, [&](HWND dialog) {
    memo = MemoText(dialog);
    HWND memoControl = GetDlgItem(dialog, IDC_LOG_MLOG);
    memoStyle = GetWindowLongPtrW(memoControl, GWL_STYLE);
    SendMessageW(memoControl, WM_CHAR, L'x', 1);
    SendMessageW(memoControl, WM_KEYDOWN, VK_DELETE, 1);
    for (UINT edit : {WM_CUT, WM_PASTE, WM_CLEAR}) SendMessageW(memoControl, edit, 0, 0);
    memoAfterEdits = MemoText(dialog);
    // A screen reader reads the log as a text field through the platform's interface.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* reader = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(memoControl, static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&reader)))) {
      VARIANT self{};
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      // An edit control's text is its value; Wine's interface knows no edit controls and gives
      // the text as the name.
      BSTR value = nullptr;
      if ((SUCCEEDED(reader->get_accValue(self, &value)) && value) ||
          (SUCCEEDED(reader->get_accName(self, &value)) && value))
        read.assign(value, SysStringLen(value));
      SysFreeString(value);
      reader->Release();
    }
    CoUninitialize();
    title = ControlText(GetDlgItem(dialog, IDC_LOG_TITLE));
    for (int id : {IDC_LOG_BUEDIT, IDC_LOG_BUCLEAR, IDOK, IDCANCEL})
      buttons += ControlText(GetDlgItem(dialog, id)) + L"|";
    GetWindowRect(dialog, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    PostClick(dialog, IDCANCEL);
  });

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(memo, L"Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs "
                  L"you have uninstalled from your computer\r\n\r\n" +
                      std::wstring(kRecordsShown));
  EXPECT_EQ(memoAfterEdits, memo);  // read-only
  EXPECT_EQ(read, memo);
  EXPECT_TRUE(memoStyle & WS_VSCROLL);
  EXPECT_EQ(title, L"View, edit or print the uninstall log file");
  EXPECT_EQ(buttons, L"Edit Log...|Clear Log|&Print...|&Cancel|");
  EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST(LogWindow, WithoutALogFileShowsNothingAndCreatesNoFile) {
  TTempDir dir;
  std::wstring log = dir.Path() + L"ULog.txt";
  std::wstring memo = L"not read";
  RunLogWindow(log, [&](HWND dialog) {
    memo = MemoText(dialog);
    PostClick(dialog, IDCANCEL);
  });
  EXPECT_EQ(memo, L"");
  EXPECT_FALSE(fs::exists(fs::path(log)));
}

TEST(LogWindow, ClearLogLeavesExactlyTheHeaderInFileAndMemoWithoutAsking) {
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "log with records" : "no log file");
    TTempDir dir;
    std::wstring log = dir.Path() + L"ULog.txt";
    if (existing) WriteAll(fs::path(log), std::string(kHeader) + kRecords);
    std::wstring memo;
    bool stayedOpen = false;
    INT_PTR result = RunLogWindow(log, [&](HWND dialog) {
      // No question is asked, so the click returns once the log is cleared.
      SendMessageW(GetDlgItem(dialog, IDC_LOG_BUCLEAR), BM_CLICK, 0, 0);
      memo = MemoText(dialog);
      stayedOpen = IsWindowVisible(dialog);
      PostClick(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(memo, L"Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs "
                    L"you have uninstalled from your computer");
    EXPECT_EQ(ReadAll(fs::path(log)), kHeader);
  }
}

TEST(LogWindow, ClearLogReportsALogThatCannotBeDeletedAndShowsItAsItIs) {
  TTempDir dir;
  const std::string content = std::string(kHeader) + kRecords;
  std::wstring log = dir.MakeFile(L"ULog.txt", content);
  // Another program has the log open and does not share deleting.
  win::UniqueFile holder(CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  std::wstring memo, error;
  RunLogWindow(log, [&](HWND dialog) {
    PostClick(dialog, IDC_LOG_BUCLEAR);
    HWND box = WaitForDialog(L"Tarvenholt Purgalot!");
    if (!box) {
      ADD_FAILURE() << "no error box";
    } else {
      error = ControlText(GetDlgItem(box, 0xFFFF));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }
    memo = MemoText(dialog);
    PostClick(dialog, IDCANCEL);
  });
  holder.Reset();
  EXPECT_TRUE(error.starts_with(L"The uninstall log " + log + L" cannot be cleared: ")) << error;
  EXPECT_EQ(memo, L"Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs "
                  L"you have uninstalled from your computer\r\n\r\n" +
                      std::wstring(kRecordsShown));
  EXPECT_EQ(ReadAll(fs::path(log)), content);
}

// Every byte of a log is shown as text, whatever wrote it: a NUL as a visible sign with the
// records after it, and a log an editor saved as UTF-16 or with a UTF-8 byte-order mark.
TEST(LogWindow, ShowsEveryByteOfTheLogInItsOwnEncoding) {
  using namespace std::string_literals;
  const std::wstring text =
      L"Tarvenholt Purgalot! Uninstall Log \r\n\r\n6/12/2026 9:5:3\r\nUninstalling Кофе\0日本\r\n"
      L"Uninstall OK. Uninstaller removed program from list.\r\n\0\0\r\n7/12/2026 10:0:0\r\n"
      L"Deleting entry Later\nDeleted OK.\r\n"s;
  std::wstring shown = text.substr(0, text.size() - 2);
  std::replace(shown.begin(), shown.end(), L'\0', L'\u2400');
  shown.replace(shown.find(L"Later\n"), 6, L"Later\r\n");
  auto utf16 = [&](bool big) {
    std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
      char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
      bytes += big ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
  };
  const std::pair<const char*, std::string> logs[] = {
      {"UTF-8", win::ToUtf8(text)},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + win::ToUtf8(text)},
      {"UTF-16 LE", utf16(false)},
      {"UTF-16 BE", utf16(true)},
  };
  for (const auto& [name, bytes] : logs) {
    SCOPED_TRACE(name);
    TTempDir dir;
    std::wstring log = dir.MakeFile(L"ULog.txt", bytes);
    std::wstring memo;
    RunLogWindow(log, [&](HWND dialog) {
      memo = MemoText(dialog);
      PostClick(dialog, IDCANCEL);
    });
    EXPECT_EQ(memo, shown);
  }
}

TEST(LogWindow, ShowsA50MegabyteLogWholeDownToItsLastRecord) {
  TTempDir dir;
  const std::string last =
      "\r\n8/12/2026 23:59:59\r\nDeleting entry The Very Last\r\nDeleted OK.\r\n";
  std::string bytes = kHeader;
  std::wstring expected =
      L"Tarvenholt Purgalot! Uninstall Log \r\nContains information about programs you have "
      L"uninstalled from your computer\r\n\r\n";
  while (bytes.size() < (50u << 20)) {
    bytes += kRecords;
    expected += kRecordsShown + std::wstring(L"\r\n");
  }
  bytes += last;
  expected += L"\r\n8/12/2026 23:59:59\r\nDeleting entry The Very Last\r\nDeleted OK.";
  std::wstring log = dir.MakeFile(L"ULog.txt", bytes);

  std::wstring memo;
  short lastX = -1, lastY = -1;
  RECT client{};
  RunLogWindow(log, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_LOG_MLOG);
    memo = ControlText(view);
    // The user drags the scroll box to the bottom: the last record is in sight.
    SendMessageW(view, WM_VSCROLL, SB_BOTTOM, 0);
    LRESULT at = SendMessageW(view, EM_POSFROMCHAR, memo.size() - 1, 0);
    lastX = static_cast<short>(LOWORD(at));
    lastY = static_cast<short>(HIWORD(at));
    GetClientRect(view, &client);
    PostClick(dialog, IDCANCEL);
  });
  EXPECT_EQ(memo.size(), expected.size());
  EXPECT_TRUE(memo == expected) << "the memo differs from the log";
  EXPECT_GE(lastX, 0);
  EXPECT_LT(lastX, client.right);
  EXPECT_GE(lastY, 0);
  EXPECT_LT(lastY, client.bottom);
}

TEST(LogWindow, ALongLineScrollsSidewaysToItsEnd) {
  TTempDir dir;
  std::string line;
  for (int i = 0; line.size() < (256u << 10); ++i) line += "Program" + std::to_string(i) + " ";
  line += "END";
  std::wstring log = dir.MakeFile(L"ULog.txt", "short\r\n" + line + "\r\nafter");
  std::wstring memo;
  POINT before{}, end{};
  RECT client{};
  RunLogWindow(log, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_LOG_MLOG);
    memo = ControlText(view);
    auto at = [&](size_t offset) {
      LRESULT pos = SendMessageW(view, EM_POSFROMCHAR, offset, 0);
      return POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    };
    size_t last = memo.find(L"END") + 2;
    before = at(last);
    SendMessageW(view, WM_HSCROLL, SB_BOTTOM, 0);  // the scroll box dragged to the right end
    end = at(last);
    GetClientRect(view, &client);
    PostClick(dialog, IDCANCEL);
  });
  EXPECT_EQ(memo, L"short\r\n" + std::wstring(line.begin(), line.end()) + L"\r\nafter");
  EXPECT_GE(before.x, client.right);  // out of sight at first
  EXPECT_GE(end.x, 0);
  EXPECT_LT(end.x, client.right);
  EXPECT_EQ(end.y, before.y);
}

TEST(LogWindow, TextDraggedOverIsCopiedToTheClipboard) {
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt", std::string(kHeader) + kRecords);
  std::wstring memo, copied;
  DWORD from = 0, to = 0;
  const std::wstring wanted = L"Deleting entry \u10E2\u10D4";
  RunLogWindow(log, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_LOG_MLOG);
    memo = MemoText(dialog);
    size_t start = memo.find(wanted);
    auto point = [&](size_t offset) {
      return static_cast<LPARAM>(SendMessageW(view, EM_POSFROMCHAR, offset, 0));
    };
    SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, point(start));
    SendMessageW(view, WM_MOUSEMOVE, MK_LBUTTON, point(start + wanted.size()));
    SendMessageW(view, WM_LBUTTONUP, 0, point(start + wanted.size()));
    SendMessageW(view, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    SendMessageW(view, WM_COPY, 0, 0);
    if (OpenClipboard(nullptr)) {
      if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
          copied = text;
          GlobalUnlock(data);
        }
      }
      CloseClipboard();
    }
    PostClick(dialog, IDCANCEL);
  });
  EXPECT_EQ(memo.substr(from, to - from), wanted);
  EXPECT_EQ(copied, wanted);
}

TEST(LogWindow, EscapeAndCancelCloseWithoutChangingTheLog) {
  TTempDir dir;
  const std::string content = std::string(kHeader) + kRecords;
  std::wstring log = dir.MakeFile(L"ULog.txt", content);
  struct TWay {
    const char* Name;
    void (*Close)(HWND dialog);
  };
  const TWay ways[] = {
      {"Cancel", [](HWND dialog) { PostClick(dialog, IDCANCEL); }},
      {"Escape on the focused button",
       [](HWND dialog) { PostKey(GetDlgItem(dialog, IDOK), VK_ESCAPE); }},
      {"Escape in the memo",
       [](HWND dialog) { PostKey(GetDlgItem(dialog, IDC_LOG_MLOG), VK_ESCAPE); }},
  };
  for (const TWay& way : ways) {
    SCOPED_TRACE(way.Name);
    EXPECT_EQ(RunLogWindow(log, way.Close), IDCANCEL);
    EXPECT_EQ(ReadAll(fs::path(log)), content);
  }
}

TEST(LogWindow, PrintConfirmedPrintsTheLogAndCloses) {
  TPrinterOutput printer;
  ASSERT_TRUE(printer.Ready());
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt", std::string(kHeader) + kRecords);
  std::wstring memo;
  INT_PTR result = RunLogWindow(log, [&](HWND dialog) {
    memo = MemoText(dialog);
    PostClick(dialog, IDOK);
    AnswerPrintDialog(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(NextLines(printer), TextLines(memo));
}

TEST(LogWindow, PrintCancelledPrintsNothingAndCloses) {
  TPrinterOutput printer;
  ASSERT_TRUE(printer.Ready());
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"ULog.txt", std::string(kHeader) + kRecords);
  bool logShown = true;
  INT_PTR result = RunLogWindow(log, [&](HWND dialog) {
    PostClick(dialog, IDOK);
    // The window goes before the print dialog comes, so that its owner has the keyboard after.
    if (WaitForDialog(L"Print")) logShown = IsWindowVisible(dialog) != FALSE;
    AnswerPrintDialog(IDCANCEL);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(logShown);
  // The queue prints in order: the next PDF is this job's, not one from the window.
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  PrintLines(DefaultPrinterDc().Get(), {L"after the cancelled print"}, font);
  EXPECT_EQ(NextLines(printer), std::vector<std::wstring>{L"after the cancelled print"});
}

TEST(LogWindow, EditLogOpensTheLogInTheTextEditorAndCloses) {
  TTempDir dir;
  std::wstring log = dir.MakeFile(L"EditedULog.txt", std::string(kHeader) + kRecords);
  INT_PTR result = RunLogWindow(log, [&](HWND dialog) { PostClick(dialog, IDC_LOG_BUEDIT); });
  EXPECT_EQ(result, IDCANCEL);
  HWND editor = nullptr;
  EXPECT_TRUE(WaitUntil([&] {
    editor = FindWindowW(nullptr, L"EditedULog.txt - Notepad");
    return editor != nullptr;
  }, std::chrono::seconds(60))) << "no editor window for the log";
  if (editor) PostMessageW(editor, WM_CLOSE, 0, 0);
}
