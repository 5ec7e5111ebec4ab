// The main window's part: help from the menu, the toolbar and F1, the about box, and the splash
// during the window's creation.
#include "../app/MainWindowTestSupport.h"

#include "help/About.h"
#include "help/SPHTMLHelp.h"
#include "help/Splash.h"
#include "inventory/Utils.h"

#include <fstream>
#include <thread>

namespace {

using namespace main_window_testing;

class TRecorder : public THelpEngine {
public:
  explicit TRecorder(std::vector<std::pair<HWND, std::wstring>>& calls) : calls_(calls) {}
  void HtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR) override {
    if (command == HH_DISPLAY_TOC) calls_.emplace_back(owner, file);
  }

private:
  std::vector<std::pair<HWND, std::wstring>>& calls_;
};

using MainWindowHelpTest = MainWindowTest;

TEST_F(MainWindowHelpTest, TheMenuTheToolbarAndF1OpenTheHelpContentsAndAboutOpensOverTheWindow) {
  // The help file beside the executable, made for the test unless a build put one there.
  const std::wstring file = TUtils::ExeFolder() + L"purgalot.chm";
  const bool made = !TUtils::FileExists(file);
  if (made) std::ofstream(file.c_str()) << "x";
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
    Close();
  }
  EXPECT_EQ(HtmlHelpModule, nullptr);
  if (made) DeleteFileW(file.c_str());
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
