// The open and save dialogs, answered from a second thread as a user types into them, with names
// longer than the dialog itself can take.
#include "win/FileDialog.h"

#include "support/GuiDriver.h"
#include "support/TestMachine.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;

namespace {

// A file about 300 characters deep below the folder, in folders of its own; returns its path
// relative to the folder.
std::wstring MakeDeepFile(TTempDir& dir) {
  std::wstring relative;
  for (wchar_t letter : {L'a', L'b', L'c', L'd', L'e'}) relative += std::wstring(50, letter) + L"\\";
  relative += L"deep tool.exe";
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

// Types the name into the dialog with the caption, which refuses it with a message box: the box
// is answered with the button, and the dialog, still open, is cancelled. What the box said.
template <class Show>
std::wstring RefusedWithABox(Show show, const std::wstring& caption, const std::wstring& typed,
                             int button) {
  std::wstring said = L"<no message box>";
  const std::optional<std::wstring> chosen = Answered(show, [&] {
    HWND dialog = WaitForDialog(caption);
    EXPECT_TRUE(EnterFileName(dialog, typed));
    if (HWND box = WaitForDialogOwnedBy(dialog)) {
      said = ControlText(GetDlgItem(box, 0xFFFF));
      PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
      EXPECT_TRUE(WaitUntil([box] { return !IsWindow(box); }));
    }
    EXPECT_TRUE(IsWindowVisible(dialog));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(chosen);
  return said;
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return folder;
}

TEST(FileDialog, APathTooLongForTheDialogIsCheckedAndTakenTyped) {
  TTempDir dir;
  const std::wstring relative = MakeDeepFile(dir);
  const std::wstring file = dir.Path() + relative;
  ASSERT_GT(file.size(), 300u);
  ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  win::TFileDialogOptions options;
  options.InitialFolder = dir.Path();
  options.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  std::vector<std::wstring> asked;
  options.Accept = [&asked](HWND, const std::wstring& name) {
    asked.push_back(name);
    return true;
  };
  auto open = [&options] { return win::OpenFileName(options); };

  // The whole path, and the path from the dialog's folder; a short name the dialog takes itself.
  const std::wstring shortName = dir.MakeFile(L"near.exe");
  const std::pair<std::wstring, std::wstring> cases[] = {
      {file, file}, {relative, file}, {L"near.exe", shortName}};
  const std::wstring folder = CurrentFolder();
  for (const auto& [typed, expected] : cases) {
    const std::optional<std::wstring> chosen =
        Answered(open, [&typed] { EXPECT_TRUE(AnswerFileDialog(L"Open", typed)); });
    EXPECT_EQ(chosen, expected) << win::ToUtf8(typed);
  }
  EXPECT_EQ(asked, (std::vector<std::wstring>{file, file, shortName}));
  EXPECT_EQ(CurrentFolder(), folder) << "a folder the user may delete is never the current one";

  // A file that is not there: the dialog says so and stays open until cancelled.
  const std::wstring missing = dir.Path() + std::wstring(300, L'm') + L".exe";
  EXPECT_EQ(RefusedWithABox(open, L"Open", missing, IDOK),
            missing + L"\r\nFile not found.\r\nCheck the file name and try again.");
  EXPECT_EQ(asked.size(), 3u);
}

TEST(FileDialog, ALongNameToSaveGetsTheDefaultExtensionAndTheReplaceQuestion) {
  TTempDir dir;
  const std::wstring folder = dir.MakeFolder(std::wstring(150, L'f')) + L"\\";
  const std::wstring typed = folder + std::wstring(150, L'n');
  win::TFileDialogOptions options;
  options.InitialFolder = dir.Path();
  options.DefaultExtension = L"txt";
  options.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  auto save = [&options] { return win::SaveFileName(options); };

  EXPECT_EQ(Answered(save, [&typed] { EXPECT_TRUE(AnswerFileDialog(L"Save As", typed)); }),
            typed + L".txt");

  // Once the file is there, "No" keeps the dialog open.
  dir.MakeFile(std::wstring(150, L'f') + L"\\" + std::wstring(150, L'n') + L".txt");
  EXPECT_EQ(RefusedWithABox(save, L"Save As", typed, IDNO),
            typed + L".txt already exists.\r\nDo you want to replace it?");
}

}  // namespace
