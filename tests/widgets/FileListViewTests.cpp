#include "widgets/DesktopListView.h"
#include "widgets/ExeListView.h"

#include "WidgetTestSupport.h"
#include "inventory/Utils.h"
#include "support/TestMachine.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>

using namespace widgets_test;
using testing_support::TTempDir;

void PrintTo(const TFileListRow& row, std::ostream* out) {
  *out << "{" << win::ToUtf8(row.Name) << " | " << win::ToUtf8(row.Path) << " | "
       << win::ToUtf8(row.Attached) << " | " << (row.Checked ? "checked" : "unchecked") << "}";
}

namespace {

// Entries made by a test in folders the test does not own (the desktops); only those are removed.
class TMadeEntries {
public:
  TMadeEntries() = default;
  TMadeEntries(const TMadeEntries&) = delete;
  TMadeEntries& operator=(const TMadeEntries&) = delete;
  ~TMadeEntries() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (it->second) RemoveDirectoryW(it->first.c_str());
      else DeleteFileW(it->first.c_str());
  }

  // A new file; a file already there fails the test and is left alone.
  std::wstring File(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL,
                    const std::string& content = {}) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     attributes, nullptr));
    if (!file) {
      ADD_FAILURE() << "cannot make " << win::ToUtf8(path) << " (it may exist already)";
      return path;
    }
    made_.emplace_back(path, false);
    DWORD written = 0;
    WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    return path;
  }
  std::wstring Folder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
      ADD_FAILURE() << "cannot make " << win::ToUtf8(path) << " (it may exist already)";
      return path;
    }
    made_.emplace_back(path, true);
    return path;
  }
  std::wstring Shortcut(const std::wstring& path, const std::wstring& target) {
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) {
      ADD_FAILURE() << "cannot make the shortcut " << win::ToUtf8(path);
      return path;
    }
    link->SetPath(target.c_str());
    if (file->Save(path.c_str(), TRUE) != S_OK) {
      ADD_FAILURE() << "cannot save the shortcut " << win::ToUtf8(path);
      return path;
    }
    made_.emplace_back(path, false);
    return path;
  }

private:
  std::vector<std::pair<std::wstring, bool>> made_;  // path, is a folder
};

std::optional<TFileListRow> RowAttachedTo(const std::vector<TFileListRow>& rows,
                                          const std::wstring& path) {
  auto it = std::find_if(rows.begin(), rows.end(),
                         [&](const TFileListRow& row) { return row.Attached == path; });
  if (it == rows.end()) return std::nullopt;
  return *it;
}

class FileListTest : public ::testing::Test {
protected:
  FileListTest() : form(500, 300) {}

  win::ComInit com;
  TTestForm form;
};

TEST_F(FileListTest, DesktopListShowsEveryEntryOfTheUsersOwnDesktopCutByFourCharacters) {
  const std::wstring desktop =
      win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY));
  const std::wstring common =
      win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY));
  ASSERT_GT(desktop.size(), 1u);
  ASSERT_GT(common.size(), 1u);
  ASSERT_FALSE(win::EqualsNoCase(desktop, common));
  const std::wstring target = testing_support::SystemExe(L"notepad.exe");

  TMadeEntries made;
  const std::wstring shortcut = made.Shortcut(desktop + L"ShellListFoo.lnk", target);
  const std::wstring readme = made.File(desktop + L"ShellListReadme.txt");
  const std::wstring projects = made.Folder(desktop + L"ShellListProjects");
  const std::wstring ini = made.File(desktop + L"ShellList.ini", FILE_ATTRIBUTE_HIDDEN);
  const std::wstring tiny = made.File(desktop + L"a.b");
  const std::wstring shared = made.Shortcut(common + L"ShellListShared.lnk", target);

  TDesktopListView list;
  list.Create(form.Handle(), 0, 0, 500, 300);
  const auto rows = list.Rows();

  const std::pair<std::wstring, TFileListRow> expected[] = {
      {shortcut, {L"ShellListFoo", target, shortcut, false}},
      {readme, {L"ShellListReadme", L"", readme, false}},
      {projects, {L"ShellListProj", L"", projects, false}},
      {ini, {L"ShellList", L"", ini, false}},
      {tiny, {L"", L"", tiny, false}},
  };
  for (const auto& [path, row] : expected) {
    auto listed = RowAttachedTo(rows, path);
    ASSERT_TRUE(listed) << win::ToUtf8(path) << " is not listed";
    EXPECT_TRUE(win::EqualsNoCase(listed->Path, row.Path)) << win::ToUtf8(listed->Path);
    EXPECT_EQ(listed->Name, row.Name);
    EXPECT_FALSE(listed->Checked);
  }
  EXPECT_FALSE(RowAttachedTo(rows, shared)) << "the all-users desktop is listed";
  for (const auto& row : rows)
    EXPECT_TRUE(win::StartsWithNoCase(row.Attached, desktop)) << win::ToUtf8(row.Attached);
  EXPECT_TRUE(list.CheckedRows().empty());

  // The shortcut's row shows the shell's icon of the shortcut file.
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Row(i).Attached == shortcut) item.iItem = i;
  ASSERT_TRUE(ListView_GetItem(list.Handle(), &item));
  EXPECT_EQ(item.iImage, TFileListView::GetIconIndex(shortcut));
  EXPECT_EQ(ListView_GetImageList(list.Handle(), LVSIL_SMALL), TUtils::GetSystemImageList(true));
}

// The system's reader trusts an icon file's directory: one that names more images than the file
// holds made it read past the end, and the process died as the wizard listed the desktop. Such a
// file is listed with the picture of a file the shell knows none for.
TEST_F(FileListTest, DesktopListShowsAnIconFileThatDoesNotHoldTogetherWithTheGenericPicture) {
  const std::wstring desktop =
      win::WithTrailingBackslash(TUtils::GetSpecialFolder(CSIDL_DESKTOPDIRECTORY));
  TMadeEntries made;
  const std::wstring broken = made.File(desktop + L"ShellListBroken.ico", FILE_ATTRIBUTE_NORMAL,
                                        testing_support::IconFileBytes(16, 40, "", 65535));
  TDesktopListView list;
  list.Create(form.Handle(), 0, 0, 500, 300);
  const std::vector<TFileListRow> rows = list.Rows();
  const auto listed = std::find_if(rows.begin(), rows.end(),
                                   [&](const TFileListRow& row) { return row.Attached == broken; });
  ASSERT_NE(listed, rows.end());
  EXPECT_EQ(listed->Name, L"ShellListBroken");
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = static_cast<int>(listed - rows.begin());
  ASSERT_TRUE(ListView_GetItem(list.Handle(), &item));
  EXPECT_EQ(item.iImage, 0);
}

TEST_F(FileListTest, ExeListAddsExistingFilesCheckedAsOftenAsAddedAndIgnoresMissingOnes) {
  TTempDir dir;
  const std::wstring tool = dir.MakeFile(L"tool.exe");
  TExeListView list;
  list.Create(form.Handle(), 0, 0, 500, 300);
  EXPECT_EQ(list.Count(), 0);

  EXPECT_TRUE(list.AddFile(tool));
  EXPECT_TRUE(list.AddFile(tool));
  EXPECT_FALSE(list.AddFile(dir.Path() + L"missing.exe"));
  EXPECT_FALSE(list.AddFile(dir.Path()));  // a folder is not a file

  const TFileListRow row{L"tool", tool, L"", true};
  EXPECT_EQ(list.Rows(), (std::vector<TFileListRow>{row, row}));
  ListView_SetCheckState(list.Handle(), 0, FALSE);
  EXPECT_EQ(list.CheckedRows(), (std::vector<TFileListRow>{row}));
}

TEST_F(FileListTest, ExeListRemovesEverySelectedRowAtOnce) {
  TTempDir dir;
  TExeListView list;
  list.Create(form.Handle(), 0, 0, 500, 300);
  for (const wchar_t* name : {L"one.exe", L"two.exe", L"three.exe", L"four.exe"})
    ASSERT_TRUE(list.AddFile(dir.MakeFile(name)));
  ListView_SetCheckState(list.Handle(), 2, FALSE);

  // The user clicks the first row and Ctrl+clicks the third (the unchecked one).
  auto clickRow = [&](int index, WPARAM keys) {
    RECT rc{};
    ListView_GetItemRect(list.Handle(), index, &rc, LVIR_LABEL);
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    SendMessageW(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageW(list.Handle(), WM_LBUTTONUP, keys, at);
  };
  clickRow(0, 0);
  clickRow(2, MK_CONTROL);
  Pump();
  ASSERT_EQ(ListView_GetSelectedCount(list.Handle()), 2u);

  list.RemoveSelected();
  std::vector<std::wstring> names;
  for (const auto& row : list.Rows()) names.push_back(row.Name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"two", L"four"}));
}

}  // namespace
