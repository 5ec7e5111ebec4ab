// The audit window, shown for real and worked from a second thread as a user works it.
#include "uninstall/Audit.h"

#include "UninstallTestSupport.h"
#include "dialogs/AuditIds.h"
#include "support/PrintedPdf.h"

#include <gtest/gtest.h>

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

// Types a file name into the save dialog and confirms it.
void AnswerSaveDialog(const std::wstring& file) {
  HWND save = WaitForDialog(L"Save Report As");
  ASSERT_NE(save, nullptr) << "no save dialog";
  HWND edit = GetDlgItem(save, 1148);  // the file name box of the common dialog
  if (!edit) edit = FindWindowExW(save, nullptr, L"Edit", nullptr);
  if (!edit) {
    HWND combo = FindWindowExW(save, nullptr, L"ComboBoxEx32", nullptr);
    edit = combo ? FindWindowExW(FindWindowExW(combo, nullptr, L"ComboBox", nullptr), nullptr,
                                 L"Edit", nullptr)
                 : nullptr;
  }
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
  PostMessageW(save, WM_COMMAND, IDOK, 0);
}

class AuditWindowTest : public ::testing::Test {
protected:
  INT_PTR Show(bool detailedOffered, std::function<void(HWND)> script) {
    TfAudit dialog(programs, detailedOffered);
    TDialogDriver driver([&] {
      HWND hwnd = WaitForDialog(L"Audit Report");
      if (hwnd) script(hwnd);
    });
    return dialog.ShowModal(nullptr);
  }

  TTwoPrograms programs;
  TTempDir dir;
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
    HWND save = WaitForDialog(L"Save Report As");
    ASSERT_NE(save, nullptr);
    PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(result, IDOK);
  WIN32_FIND_DATAW data;
  win::UniqueFind none(FindFirstFileW((dir.Path() + L"*.txt").c_str(), &data));
  EXPECT_FALSE(none);
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

}  // namespace
