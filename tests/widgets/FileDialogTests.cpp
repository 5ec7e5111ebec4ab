// The open and save dialogs, answered from a second thread as a user types into them, with names
// longer than the dialog itself can take.
#include "win/FileDialog.h"

#include "WidgetTestSupport.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace testing_support;

namespace {

// A file about 300 characters deep below the folder, in folders of its own; returns its path
// relative to the folder.
std::wstring MakeDeepFile(TTempDir& dir, const std::wstring& name) {
  std::wstring relative;
  for (wchar_t letter : {L'a', L'b', L'c', L'd', L'e'}) relative += std::wstring(50, letter) + L"\\";
  relative += name;
  dir.MakeFile(relative);
  return relative;
}

// Runs the dialog on this thread while the user's side answers it from another.
template <class Show, class User>
std::optional<std::wstring> Answered(Show show, User user) {
  std::thread answering(user);
  std::optional<std::wstring> chosen = show();
  answering.join();
  return chosen;
}

// A visible message box over the dialog, if one is up.
HWND BoxOver(HWND dialog) {
  struct TSearch {
    HWND Owner;
    HWND Found = nullptr;
  } search{dialog};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto& search = *reinterpret_cast<TSearch*>(data);
        if (GetWindow(hwnd, GW_OWNER) == search.Owner && IsWindowVisible(hwnd)) search.Found = hwnd;
        return !search.Found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// Types the name into the dialog's file name box and presses Enter, or clicks its Save or Open
// button.
void Type(HWND dialog, const std::wstring& name, bool click = false) {
  HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
  ASSERT_TRUE(edit) << "no file name box";
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  if (click)
    PostClick(GetDlgItem(dialog, IDOK));
  else
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
}

// Answers the message boxes that come over the dialog with the buttons given in turn until the
// dialog closes, or until the answers are used up and the dialog stays open with no box over it;
// one box more than the answers is answered with the last (or OK) and recorded. What they said.
std::vector<std::wstring> AnswerBoxes(HWND dialog, const std::vector<int>& answers = {}) {
  std::vector<std::wstring> said;
  while (said.size() <= answers.size()) {
    HWND box = nullptr;
    if (!answers.empty() && said.size() == answers.size()) {
      // Whatever the last answer brings about is done once the dialog answers a message.
      SendMessageW(dialog, WM_NULL, 0, 0);
      box = BoxOver(dialog);
    } else {
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || (box = BoxOver(dialog)); }));
    }
    if (!box) break;
    said.push_back(ControlText(GetDlgItem(box, 0xFFFF)));
    const int button = answers.empty() ? IDOK : answers[std::min(said.size(), answers.size()) - 1];
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    EXPECT_TRUE(WaitUntil([box] { return !IsWindow(box); }));
  }
  return said;
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return folder;
}

TEST(FileDialog, OpensInTheModernFormTakesTypedPathsOfAnyLengthAndGivesTheFocusBack) {
  TTempDir dir;
  const std::wstring relative = MakeDeepFile(dir, L"deep tool.exe");
  const std::wstring deep = dir.Path() + relative;
  const std::wstring refusedDeep = dir.Path() + MakeDeepFile(dir, L"refused.exe");
  const std::wstring nearby = dir.MakeFile(L"near.exe");
  const std::wstring refused = dir.MakeFile(L"refused.exe");
  ASSERT_GT(deep.size(), 300u);
  ASSERT_NE(GetFileAttributesW(deep.c_str()), INVALID_FILE_ATTRIBUTES);

  widgets_test::TTestForm owner(300, 100);
  HWND field = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 200,
                               24, owner.Handle(), nullptr, nullptr, nullptr);
  win::TFileDialogOptions options;
  options.Owner = owner.Handle();
  options.InitialFolder = dir.Path();
  options.Filter = L"Programs (*.exe)\0*.exe\0";
  options.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  std::vector<std::wstring> asked;  // read once the dialog has closed
  std::atomic<size_t> askings = 0;
  std::atomic<HWND> askedOver = nullptr;
  options.Accept = [&](HWND dialog, const std::wstring& file) {
    asked.push_back(file);
    askedOver = dialog;
    ++askings;
    return file.find(L"refused") == std::wstring::npos;
  };
  auto open = [&options] { return win::OpenFileName(options); };
  const std::wstring folder = CurrentFolder();

  // Names the caller refuses keep the dialog open, those the dialog checks and those too long
  // for it alike; the names it takes come back whole, typed with their folder or without.
  const std::pair<std::wstring, std::wstring> cases[] = {
      {deep, deep}, {relative, deep}, {L"near.exe", nearby}};
  for (const auto& [typed, expected] : cases) {
    SetFocus(field);
    bool modern = false;
    std::vector<std::wstring> said;
    const std::optional<std::wstring> chosen = Answered(open, [&, &typed = typed] {
      HWND dialog = WaitForDialog(L"Open");
      modern = FindWindowExW(dialog, nullptr, L"ExplorerBrowserControl", nullptr) != nullptr;
      for (const std::wstring& name : {refused, refusedDeep}) {
        const size_t before = askings;
        Type(dialog, name);
        EXPECT_TRUE(WaitUntil([&] { return askings > before; })) << win::ToUtf8(name);
        EXPECT_EQ(askedOver.load(), dialog);
      }
      EXPECT_TRUE(IsWindowVisible(dialog));
      Type(dialog, typed, true);
      said = AnswerBoxes(dialog);
      if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(modern) << "the dialog lost its modern form";
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(chosen, expected) << win::ToUtf8(typed);
    EXPECT_EQ(asked, (std::vector<std::wstring>{refused, refusedDeep, expected}));
    asked.clear();
    EXPECT_EQ(GetFocus(), field) << "the keyboard is back on the owner";
  }
  EXPECT_EQ(CurrentFolder(), folder) << "a folder the user may delete is never the current one";

  // A file that is not there, and a path longer than Windows allows: the dialog says why and
  // stays open until cancelled.
  const std::wstring missing = dir.Path() + std::wstring(300, L'm') + L".exe";
  const std::wstring tooLong = dir.Path() + std::wstring(32000, L'x') + L"\\y.exe";
  std::vector<std::wstring> said;
  EXPECT_EQ(Answered(open,
                     [&] {
                       HWND dialog = WaitForDialog(L"Open");
                       for (const std::wstring& name : {missing, tooLong}) {
                         Type(dialog, name);
                         for (const std::wstring& text : AnswerBoxes(dialog, {IDOK}))
                           said.push_back(text);
                       }
                       EXPECT_TRUE(IsWindowVisible(dialog));
                       PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                     }),
            std::nullopt);
  EXPECT_EQ(said, (std::vector<std::wstring>{
                      missing + L"\r\nFile not found.\r\nCheck the file name and try again.",
                      tooLong + L"\r\nPath does not exist.\r\nCheck the path and try again."}));
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(GetFocus(), field);
}

TEST(FileDialog, ANameToSaveGetsTheDefaultExtensionAndTheReplaceQuestionOnce) {
  TTempDir dir;
  const std::wstring deepFolder = std::wstring(150, L'f') + L"\\";
  dir.MakeFolder(deepFolder);
  const std::wstring longName = dir.Path() + deepFolder + std::wstring(150, L'n');
  const std::wstring shortName = dir.Path() + L"report";
  const wchar_t* textFiles = L"Text files (*.txt)\0*.txt\0";
  // A filter under which the dialog adds no extension itself: the default one is added after it.
  const wchar_t* allFiles = L"All files (*.*)\0*.*\0";
  const std::wstring question = L".txt already exists.\r\nDo you want to replace it?";
  struct TCase {
    const wchar_t* Filter;
    std::wstring Typed;
    bool Exists;
    std::vector<int> Answers;
    std::optional<std::wstring> Chosen;
    std::vector<std::wstring> Said;
  };
  // A name the dialog would take, but not with the extension it adds.
  const std::wstring edge = longName.substr(0, MAX_PATH - 3);
  const TCase cases[] = {
      {textFiles, edge, false, {}, edge + L".txt", {}},
      {textFiles, shortName, false, {}, shortName + L".txt", {}},
      {textFiles, longName, false, {}, longName + L".txt", {}},
      {textFiles, shortName, true, {IDYES}, shortName + L".txt", {shortName + question}},
      {textFiles, longName, true, {IDYES}, longName + L".txt", {longName + question}},
      {allFiles, shortName, true, {IDYES}, shortName + L".txt", {shortName + question}},
      {allFiles, shortName + L".txt", true, {IDYES}, shortName + L".txt", {shortName + question}},
      // The dialog adds ".txt" to a name ending in ".TXT": it is written as typed.
      {textFiles, shortName + L".TXT", true, {IDYES}, shortName + L".TXT",
       {shortName + L".TXT" + question.substr(4)}},
      // "No" keeps the dialog open, whoever asked.
      {textFiles, shortName, true, {IDNO}, std::nullopt, {shortName + question}},
      {allFiles, shortName, true, {IDNO}, std::nullopt, {shortName + question}},
      {textFiles, longName, true, {IDNO}, std::nullopt, {longName + question}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(win::ToUtf8(c.Typed) + (c.Filter == allFiles ? " (all files)" : ""));
    const std::wstring written = c.Chosen.value_or(c.Typed + L".txt");
    DeleteFileW(written.c_str());
    if (c.Exists) dir.MakeFile(written.substr(dir.Path().size()));
    win::TFileDialogOptions options;
    options.InitialFolder = dir.Path();
    options.Filter = c.Filter;
    options.DefaultExtension = L"txt";
    options.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    std::vector<std::wstring> said;
    const std::optional<std::wstring> chosen =
        Answered([&options] { return win::SaveFileName(options); }, [&] {
          HWND dialog = WaitForDialog(L"Save As");
          Type(dialog, c.Typed);
          said = AnswerBoxes(dialog, c.Answers);
          EXPECT_EQ(IsWindowVisible(dialog) != FALSE, !c.Chosen) << "open after the answers";
          if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_EQ(chosen, c.Chosen);
    EXPECT_EQ(said, c.Said);
  }
}

}  // namespace
