// The main window's part: help from the menu, the toolbar and F1, the about box, and the splash
// during the window's creation.
#include "../app/MainWindowTestSupport.h"

#include "dialogs/AssistedIds.h"
#include "help/About.h"
#include "help/SPHTMLHelp.h"
#include "help/Splash.h"
#include "help/Welcome.h"
#include "inventory/Utils.h"

#include <fstream>
#include <thread>

namespace {

using namespace main_window_testing;

class TRecorder : public THelpEngine {
public:
  explicit TRecorder(std::vector<std::pair<HWND, std::wstring>>& calls) : calls_(calls) {}
  void HtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) override {
    if (command == HH_DISPLAY_TOC) calls_.emplace_back(owner, file);
    if (command == HH_DISPLAY_INDEX)
      calls_.emplace_back(owner, reinterpret_cast<const wchar_t*>(data));
    SetEvent(called.Get());
  }
  // Set by every call.
  win::UniqueHandleObj called{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

private:
  std::vector<std::pair<HWND, std::wstring>>& calls_;
};

class MainWindowHelpTest : public MainWindowTest {
protected:
  MainWindowHelpTest() {
    // The help file beside the executable, made for the test unless a build put one there.
    made = !TUtils::FileExists(file);
    if (made) std::ofstream(file.c_str(), std::ios::binary) << "ITSF";  // how a help file begins
  }
  ~MainWindowHelpTest() override {
    if (made) DeleteFileW(file.c_str());
  }
  const std::wstring file = TUtils::ExeFolder() + L"purgalot.chm";
  bool made = false;
};

TEST_F(MainWindowHelpTest, TheMenuTheToolbarAndF1OpenTheHelpContentsAndAboutAndTheWelcomeBoxOpenOverTheWindow) {
  std::vector<std::pair<HWND, std::wstring>> calls;
  {
    THtmlHelpModule module([&] { return std::make_unique<TRecorder>(calls); });
    HtmlHelpModule = &module;
    TfMain& w = Start();
    Command(cmHelpTopics);
    ClickToolbarButton(cmHelpTopics);
    PostMessageW(w.lvPrograms().Handle(), WM_KEYDOWN, VK_F1, 0);
    PumpWithShortcuts(w);
    EXPECT_EQ(calls, (std::vector<std::pair<HWND, std::wstring>>(3, {w.Handle(), file})));

    bool held = false;
    HWND owner = nullptr;
    std::thread driver([&] {
      HWND about = WaitForDialogOwnedBy(w.Handle());
      ASSERT_NE(about, nullptr);
      held = fAbout != nullptr;
      owner = GetWindow(about, GW_OWNER);
      PostClick(GetDlgItem(about, IDOK));
    });
    Command(cmAbout);
    driver.join();
    EXPECT_TRUE(held);
    EXPECT_EQ(owner, w.Handle());
    EXPECT_EQ(fAbout, nullptr);

    // "Welcome box" shows the box made at start-up again.
    TfWelcome welcome(TWelcomeSetting(key.Path() + L"\\Desktop"));
    fWelcome = &welcome;
    HWND welcomeOwner = nullptr;
    std::thread welcomeDriver([&] {
      HWND box = WaitForDialog(L"Welcome");
      ASSERT_NE(box, nullptr);
      welcomeOwner = GetWindow(box, GW_OWNER);
      PostClick(GetDlgItem(box, IDOK));
    });
    Command(cmWelcomeBox);
    welcomeDriver.join();
    EXPECT_EQ(welcomeOwner, w.Handle());
    Close();
  }
  EXPECT_EQ(HtmlHelpModule, nullptr);
}

TEST_F(MainWindowHelpTest, F1OrHelpInAWindowOpenedFromTheMainWindowOpensTheIndexAtItsSubject) {
  std::vector<std::pair<HWND, std::wstring>> calls;
  TRecorder* engine = nullptr;
  THtmlHelpModule module([&] {
    auto recorder = std::make_unique<TRecorder>(calls);
    engine = recorder.get();
    return recorder;
  });
  HtmlHelpModule = &module;
  TfMain& w = Start();
  // F1 in the audit report; the assisted uninstall's "Help" button.
  for (const bool button : {false, true}) {
    HWND dialog = nullptr;
    bool asked = false, withIcon = false;
    ResetEvent(engine->called.Get());
    std::thread driver([&] {
      dialog = WaitForDialogOwnedBy(w.Handle());
      ASSERT_NE(dialog, nullptr);
      // Every dialog shows the program's icon in its title bar.
      withIcon = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
      // What the system makes of the F1 key for the window with the focus.
      constexpr UINT kKeyF1 = 0x004D;
      if (button)
        PostClick(GetDlgItem(dialog, IDC_AS_HELP));
      else
        PostMessageW(info.hwndFocus ? info.hwndFocus : dialog, kKeyF1, 0, 0);
      asked = WaitForSingleObject(engine->called.Get(), 10000) == WAIT_OBJECT_0;
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Command(button ? cmAssisted : cmAuditReport);
    driver.join();
    EXPECT_TRUE(asked) << button;
    EXPECT_TRUE(withIcon) << button;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), (std::pair<HWND, std::wstring>{
                                dialog, button ? L"Assisted uninstall" : L"Audit report"}));
  }
  EXPECT_EQ(calls.size(), 2u);
  Close();
}

TEST_F(MainWindowHelpTest, TheSplashShowsWhileTheWindowIsBuiltAndNotInAnUnattendedRun) {
  struct TStep {
    HWND Splash;
    HWND Owner;
    bool MainVisible;
  };
  std::vector<TStep> steps;
  SplashSettings.Show = true;
  SplashSettings.StepMilliseconds = 0;
  SplashSettings.OnStep = [&](HWND splash, BYTE) {
    steps.push_back({splash, GetWindow(splash, GW_OWNER), fMain && IsWindowVisible(fMain->Handle()) != FALSE});
  };
  TfMain& w = Start();
  ASSERT_EQ(steps.size(), 52u);
  EXPECT_FALSE(steps.front().MainVisible);
  EXPECT_EQ(steps.front().Owner, w.Handle());
  EXPECT_FALSE(IsWindow(steps.front().Splash));  // closed by the end of creation
  Close();

  steps.clear();
  TfMain& unattended = Start({L"/RFS", dir.Path() + L"report.txt"});
  EXPECT_TRUE(unattended.Terminated());
  EXPECT_TRUE(steps.empty());
  SplashSettings = TSplashSettings();
}

}  // namespace
