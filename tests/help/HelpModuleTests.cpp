// The help module: what reaches the HTML Help engine for each request, what happens without a
// help file or without the engine, and the engine's end.
#include "help/SPHTMLHelp.h"

#include "inventory/Utils.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct TCall {
  HWND Owner;
  std::wstring File;
  UINT Command;
  DWORD_PTR Data;
  std::wstring Text;  // the keyword, for an index request
  bool operator==(const TCall&) const = default;
};

void PrintTo(const TCall& c, std::ostream* os) {
  *os << "{owner " << c.Owner << ", command " << c.Command << ", data " << c.Data << "}";
}

class TRecordingEngine : public THelpEngine {
public:
  explicit TRecordingEngine(std::vector<TCall>& calls, bool* destroyed = nullptr)
      : calls_(calls), destroyed_(destroyed) {}
  ~TRecordingEngine() override {
    if (destroyed_) *destroyed_ = true;
  }
  void HtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) override {
    std::wstring text =
        command == HH_DISPLAY_INDEX ? reinterpret_cast<const wchar_t*>(data) : L"";
    calls_.push_back({owner, file, command, command == HH_DISPLAY_INDEX ? 0 : data, text});
  }

private:
  std::vector<TCall>& calls_;
  bool* destroyed_;
};

const HWND kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
// How every compiled help file begins.
const std::string kHelpFileStart("ITSF\x03\0\0\0", 8);

TEST(HelpViewer, EachRequestReachesTheEngineWithItsCommandAndArguments) {
  TTempDir dir;
  const std::wstring file = dir.MakeFile(L"purgalot.chm", kHelpFileStart);
  const std::wstring other = dir.MakeFile(L"other.chm", kHelpFileStart);
  std::vector<TCall> calls;
  TRecordingEngine engine(calls);
  TSPHelpViewer viewer(engine);
  viewer.SetHelpFile(file);

  viewer.ShowTableOfContents(kOwner);
  viewer.ShowHelp(kOwner, L"Uninstall");
  viewer.ShowTopic(kOwner, L"intro.htm");
  viewer.ShowContextHelp(kOwner, 42, L"");
  viewer.ShowContextHelp(kOwner, 7, other);  // the named file only says there is help
  viewer.SoftShutDown();

  const std::vector<TCall> expected = {
      {kOwner, file, 1, 0, L""},
      {kOwner, file, 2, 0, L"Uninstall"},
      {kOwner, file + L" ::/intro.htm", 0, 0, L""},
      {kOwner, file, 15, 42, L""},
      {kOwner, file, 15, 7, L""},
      {nullptr, L"", 18, 0, L""},
  };
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(viewer.GetHelpStrings(L"Uninstall"), std::vector<std::wstring>{L"HtmlHelp: Uninstall"});
  EXPECT_EQ(viewer.GetViewerName(), L"HtmlHelp");
  EXPECT_EQ(viewer.ResolveHelpFile(), file);
  EXPECT_EQ(viewer.ResolveHelpFile(other), other);
}

TEST(HelpViewer, WithoutTheHelpFileNoRequestReachesTheEngineAndNothingShows) {
  TTempDir dir;
  std::vector<TCall> calls;
  TRecordingEngine engine(calls);
  TSPHelpViewer viewer(engine);
  viewer.SetHelpFile(dir.Path() + L"purgalot.chm");
  TMessageBoxWatcher watcher;
  viewer.ShowTableOfContents(kOwner);
  viewer.ShowHelp(kOwner, L"Uninstall");
  viewer.ShowTopic(kOwner, L"intro.htm");
  viewer.ShowContextHelp(kOwner, 42, L"");
  // The application's file is there, but the one the request names is not.
  viewer.SetHelpFile(dir.MakeFile(L"purgalot.chm", kHelpFileStart));
  viewer.ShowContextHelp(kOwner, 42, dir.Path() + L"missing.chm");
  watcher.Finish();
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(watcher.Seen());
  EXPECT_EQ(viewer.ResolveHelpFile(dir.Path() + L"missing.chm"), L"");
}

TEST(HelpViewer, AFileThatIsNotAHelpFileIsReportedAndNeverReachesTheEngine) {
  TTempDir dir;
  std::vector<TCall> calls;
  TRecordingEngine engine(calls);
  TSPHelpViewer viewer(engine);
  for (const std::string& content : {std::string(), std::string("<html>ITSF</html>")}) {
    const std::wstring file = dir.MakeFile(L"purgalot.chm", content);
    viewer.SetHelpFile(file);
    for (int request = 0; request < 4; ++request) {
      TMessageBoxWatcher watcher;
      if (request == 0) viewer.ShowTableOfContents(nullptr);
      if (request == 1) viewer.ShowHelp(nullptr, L"Uninstall");
      if (request == 2) viewer.ShowTopic(nullptr, L"intro.htm");
      if (request == 3) viewer.ShowContextHelp(nullptr, 42, L"");
      watcher.Finish();
      ASSERT_TRUE(watcher.Seen()) << request;
      EXPECT_EQ(watcher.Title(), L"Tarvenholt Purgalot!");
      EXPECT_EQ(watcher.Text(), L"The help file \"" + file +
                                    L"\" cannot be shown: it is not a compiled help file, or it is "
                                    L"damaged. Install the program again to restore it.");
    }
  }
  EXPECT_TRUE(calls.empty());
}

TEST(HelpModule, AMissingEngineIsReportedOnceWithTheWarningAndHelpStaysSilent) {
  EXPECT_EQ(THhCtrlEngine::Load(L"no-such-help-engine.ocx"), nullptr);
  for (bool throws : {false, true}) {
    TMessageBoxWatcher watcher;
    THtmlHelpModule module([throws]() -> std::unique_ptr<THelpEngine> {
      if (throws) throw std::runtime_error("set-up failed");
      return nullptr;
    });
    watcher.Finish();
    ASSERT_TRUE(watcher.Seen());
    EXPECT_EQ(watcher.Title(), L"Warning!");
    EXPECT_EQ(watcher.Text(), L"Unable to view HTML help (*.chm). Update windows help system. "
                              L"Get new \"HHCTRL.OCX\" library.");
    EXPECT_TRUE(watcher.HasIcon());
    EXPECT_EQ(module.Viewer(), nullptr);
    // Requests then find no viewer and show nothing.
    HtmlHelpModule = &module;
    TMessageBoxWatcher none;
    SetApplicationHelpFile(L"C:\\purgalot.chm");
    ShowHelpContents(nullptr);
    none.Finish();
    EXPECT_FALSE(none.Seen());
    HtmlHelpModule = nullptr;
  }
  // An unattended run has nobody to read it.
  TMessageBoxWatcher quiet;
  THtmlHelpModule module([] { return std::unique_ptr<THelpEngine>(); }, true);
  quiet.Finish();
  EXPECT_FALSE(quiet.Seen());
}

TEST(HelpModule, AtTheEndEveryHelpWindowIsClosedBeforeTheEngineGoes) {
  std::vector<TCall> calls;
  bool destroyed = false;
  {
    THtmlHelpModule module([&] { return std::make_unique<TRecordingEngine>(calls, &destroyed); });
    ASSERT_NE(module.Viewer(), nullptr);
    EXPECT_TRUE(calls.empty());
    // The main loop has ended and the program is going: the quit must outlive the shutdown's
    // own message pump.
    PostQuitMessage(5);
  }
  EXPECT_TRUE(destroyed);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Command, 18u);
  EXPECT_EQ(calls[0].Owner, nullptr);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST(HelpModule, TheRealEngineOpensTheBuiltHelpFileInItsViewer) {
  const std::wstring file = TUtils::ExeFolder() + L"..\\dist\\purgalot.chm";
  ASSERT_TRUE(TUtils::FileExists(file));
  THtmlHelpModule module;
  ASSERT_NE(module.Viewer(), nullptr);
  module.Viewer()->SetHelpFile(file);
  module.Viewer()->ShowTableOfContents(nullptr);
  HWND viewer = nullptr;
  EXPECT_TRUE(PumpUntil([&] {
    viewer = FindWindowW(L"HH Parent", nullptr);
    return viewer && IsWindowVisible(viewer);
  }));
  module.Viewer()->SoftShutDown();
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }));
}

}  // namespace
