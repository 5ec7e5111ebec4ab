// The about window and the build it reads from "version.id".
#include "help/About.h"

#include "dialogs/AboutIds.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;

namespace {

TEST(ReadVersionFile, KeepsTheBuildAloneAndIsEmptyWithoutTheFile) {
  TTempDir dir;
  EXPECT_EQ(ReadVersionFile(dir.MakeFile(L"a.id", "4711\r\n")), L"4711");
  EXPECT_EQ(ReadVersionFile(dir.MakeFile(L"b.id", std::string(" \t1a2b3c+\n\0after", 17))),
            L"1a2b3c+");
  EXPECT_EQ(ReadVersionFile(dir.MakeFile(L"c.id", "\r\n")), L"");
  EXPECT_EQ(ReadVersionFile(dir.Path() + L"missing.id"), L"");
}

TEST(About, ShowsTheProductVersionAndTheBuildFromVersionId) {
  TTempDir dir;
  dir.MakeFile(L"version.id", "20261207\r\n");
  TfAbout about(dir.Path());
  std::vector<std::wstring> texts;
  std::thread driver([&] {
    HWND dialog = WaitForDialog(L"About");
    ASSERT_NE(dialog, nullptr);
    for (int id : {IDC_ABT_TOP, IDC_ABT_VERSION, IDC_ABT_VERSION_NUMBER, IDC_ABT_BUILD,
                   IDC_ABT_BUILD_NUMBER, IDC_ABT_LICENSE})
      texts.push_back(ControlText(GetDlgItem(dialog, id)));
    // Without "license.txt" the button does nothing, and the window stays.
    SendMessageW(GetDlgItem(dialog, IDC_ABT_LICENSE), BM_CLICK, 0, 0);
    texts.push_back(IsWindowVisible(dialog) ? L"open" : L"closed");
    PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(about.ShowModal(nullptr), IDOK);
  driver.join();
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Tarvenholt Purgalot!\u2122 2006", L"Version: ",
                                              L"5.1", L"Build:", L"20261207",
                                              L"View License Agreement", L"open"}));
}

}  // namespace
