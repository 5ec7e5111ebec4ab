// The welcome box and its setting: a first run, later runs, the ways out and a malformed value.
#include "help/Welcome.h"

#include "dialogs/WelcomeIds.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;

namespace {

class WelcomeTest : public ::testing::Test {
protected:
  // The settings key of this test's tree; it does not exist until something writes it.
  std::wstring KeyPath() const { return key.Path() + L"\\Desktop"; }
  TWelcomeSetting Setting() const { return TWelcomeSetting(KeyPath()); }

  // Shows the box as the program does; script drives it from another thread, given the dialog.
  INT_PTR Offer(TfWelcome& box, const std::function<void(HWND)>& script) {
    std::thread driver([&] {
      HWND dialog = WaitForDialog(L"Welcome");
      ASSERT_NE(dialog, nullptr);
      script(dialog);
    });
    INT_PTR result = box.Offer(nullptr, [this] { ++assistedOpened; });
    driver.join();
    return result;
  }
  static bool Checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  // A click handled to its end before this returns.
  static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  // The stored value and its type; type 0 when missing.
  std::pair<DWORD, DWORD> Stored() const {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, KeyPath().c_str(), L"ShowWelcomeBox", RRF_RT_ANY, &type,
                     &value, &size) != ERROR_SUCCESS)
      return {0, 0};
    return {type, value};
  }

  TTestKey key;
  int assistedOpened = 0;
};

TEST_F(WelcomeTest, OnAFirstRunUntickingIsKeptAndTheBoxStaysAwayAtTheNextStart) {
  ASSERT_FALSE(key.Exists(L"Desktop"));
  TfWelcome first(Setting());
  EXPECT_TRUE(first.ShowAtStartup());
  bool startedTicked = false, startedNormal = false;
  std::wstring title;
  EXPECT_EQ(Offer(first,
                  [&](HWND dialog) {
                    startedTicked = Checked(dialog, IDC_WEL_SHOW);
                    startedNormal = Checked(dialog, IDC_WEL_NORMAL) && !Checked(dialog, IDC_WEL_MANUAL);
                    title = ControlText(GetDlgItem(dialog, IDC_WEL_TOP));
                    Click(dialog, IDC_WEL_SHOW);
                    Click(dialog, IDOK);
                  }),
            IDOK);
  EXPECT_TRUE(startedTicked);
  EXPECT_TRUE(startedNormal);
  EXPECT_EQ(title, L"Welcome to Tarvenholt Purgalot!");
  EXPECT_EQ(assistedOpened, 0);
  EXPECT_EQ(Stored(), std::make_pair(DWORD(REG_DWORD), DWORD(0)));

  TfWelcome second(Setting());
  EXPECT_FALSE(second.ShowAtStartup());
}

TEST_F(WelcomeTest, OnLaterRunsEachClickIsStoredAtOnce) {
  key.SetDword(L"Desktop", L"ShowWelcomeBox", 1);
  TfWelcome box(Setting());
  ASSERT_TRUE(box.ShowAtStartup());
  std::vector<std::pair<DWORD, DWORD>> whileOpen;
  bool ticked = false;
  Offer(box, [&](HWND dialog) {
    ticked = Checked(dialog, IDC_WEL_SHOW);
    Click(dialog, IDC_WEL_SHOW);
    whileOpen.push_back(Stored());
    Click(dialog, IDC_WEL_SHOW);
    whileOpen.push_back(Stored());
    Click(dialog, IDC_WEL_SHOW);
    whileOpen.push_back(Stored());
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(ticked);
  const std::pair<DWORD, DWORD> off{REG_DWORD, 0}, on{REG_DWORD, 1};
  EXPECT_EQ(whileOpen, (std::vector<std::pair<DWORD, DWORD>>{off, on, off}));
  EXPECT_FALSE(TfWelcome(Setting()).ShowAtStartup());
  // Shown again from the menu, the box shows the choice as it was left.
  bool tickedAgain = true;
  Offer(box, [&](HWND dialog) {
    tickedAgain = Checked(dialog, IDC_WEL_SHOW);
    Click(dialog, IDOK);
  });
  EXPECT_FALSE(tickedAgain);
}

TEST_F(WelcomeTest, EscEnterAndTheArrowKeysChooseAsShownAndTheTitleBarCloseOpensNothing) {
  TfWelcome box(Setting());
  EXPECT_EQ(Offer(box,
                  [&](HWND dialog) {
                    Click(dialog, IDC_WEL_MANUAL);
                    PostMessageW(GetDlgItem(dialog, IDC_WEL_MANUAL), WM_KEYDOWN, VK_ESCAPE, 0);
                  }),
            IDOK);
  EXPECT_TRUE(box.ManualChosen());
  EXPECT_EQ(assistedOpened, 1);

  bool stillManual = false;
  EXPECT_NE(Offer(box,
                  [&](HWND dialog) {
                    stillManual = Checked(dialog, IDC_WEL_MANUAL);
                    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                  }),
            IDOK);
  EXPECT_TRUE(stillManual);
  EXPECT_EQ(assistedOpened, 1);

  // Enter is Continue too; with the normal uninstall chosen nothing opens.
  EXPECT_EQ(Offer(box,
                  [&](HWND dialog) {
                    Click(dialog, IDC_WEL_NORMAL);
                    PostMessageW(GetDlgItem(dialog, IDC_WEL_NORMAL), WM_KEYDOWN, VK_RETURN, 0);
                  }),
            IDOK);
  EXPECT_EQ(assistedOpened, 1);

  // Down moves from one choice to the other, never onto a text, so Enter means what is shown.
  EXPECT_EQ(Offer(box,
                  [&](HWND dialog) {
                    Click(dialog, IDC_WEL_NORMAL);
                    PostMessageW(GetDlgItem(dialog, IDC_WEL_NORMAL), WM_KEYDOWN, VK_DOWN, 0);
                    PostMessageW(GetDlgItem(dialog, IDC_WEL_MANUAL), WM_KEYDOWN, VK_RETURN, 0);
                  }),
            IDOK);
  EXPECT_TRUE(box.ManualChosen());
  EXPECT_EQ(assistedOpened, 2);
  EXPECT_EQ(Stored().first, 0u);  // nothing written without a click on the check box
}

TEST_F(WelcomeTest, AValueOfTheWrongKindIsReportedOnceAndTakenAsMissing) {
  key.SetString(L"Desktop", L"ShowWelcomeBox", L"0");
  TMessageBoxWatcher error;
  TfWelcome box(Setting());
  error.Finish();
  ASSERT_TRUE(error.Seen());
  EXPECT_EQ(error.Title(), L"Tarvenholt Purgalot!");
  EXPECT_EQ(error.Text(), L"Invalid data type for 'ShowWelcomeBox'.");
  EXPECT_TRUE(box.ShowAtStartup());

  bool ticked = false, errorAgain = true;
  Offer(box, [&](HWND dialog) {
    // Only this process's boxes count: another test program may show one of the same title.
    errorAgain = false;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", L"Tarvenholt Purgalot!"));) {
      DWORD process = 0;
      GetWindowThreadProcessId(w, &process);
      errorAgain = errorAgain || process == GetCurrentProcessId();
    }
    ticked = Checked(dialog, IDC_WEL_SHOW);
    Click(dialog, IDC_WEL_SHOW);
    Click(dialog, IDOK);
  });
  EXPECT_FALSE(errorAgain);
  EXPECT_TRUE(ticked);
  // The click puts a value of the right kind in its place.
  EXPECT_EQ(Stored(), std::make_pair(DWORD(REG_DWORD), DWORD(0)));
}

}  // namespace
