#include "assisted/TreeShellCtrl.h"

#include "widgets/WidgetTestSupport.h"
#include "support/TestMachine.h"
#include "widgets/BoxTreeView.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

using testing_support::TTempDir;

namespace {

// The folder the link fixture makes in the prefix's C: drive.
const std::wstring kLinks = L"C:\\purgalot_folder_tree_links\\";

// A folder path as the file system spells it, with a trailing backslash.
std::wstring Spelled(const std::wstring& path) {
  wchar_t buffer[4 * MAX_PATH];
  DWORD length = GetLongPathNameW(path.c_str(), buffer, 4 * MAX_PATH);
  EXPECT_GT(length, 0u) << win::ToUtf8(path);
  return length ? win::WithTrailingBackslash(buffer) : path;
}

std::vector<std::wstring> Captions(const TCheckNode& node) {
  std::vector<std::wstring> captions;
  for (size_t i = 0; i < node.ChildCount(); ++i) captions.push_back(node.Child(i).Caption());
  return captions;
}

std::vector<std::wstring> Paths(const TDeleteRows& rows) {
  std::vector<std::wstring> paths;
  for (const auto& row : rows) {
    paths.push_back(row.Item.Path);
    EXPECT_EQ(row.Kind, kKindFolder);
    EXPECT_EQ(row.Path(), row.Item.Path);
    EXPECT_EQ(row.Item.RootKey, nullptr);
  }
  return paths;
}

std::wstring NoBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

class FolderTreeTest : public ::testing::Test {
protected:
  FolderTreeTest() : root(Spelled(dir.Path())) {
    shell.SetCheckTree(&tree);
    shell.SetEnable(true);
  }

  TCheckNode& Node(const std::wstring& path) {
    TCheckNode* node = shell.NodeOfPath(path);
    if (!node) throw std::runtime_error("no node for " + win::ToUtf8(path));
    return *node;
  }
  TDeleteRows Collect() {
    TDeleteRows rows;
    shell.AddCheckedToList(rows);
    return rows;
  }

  TTempDir dir;
  const std::wstring root;  // dir, as the file system spells it
  TCheckTree tree;
  TTreeShellCtrl shell;
};

TEST_F(FolderTreeTest, DrivesRootShowsEveryDriveLetterWithCaptionAndPicture) {
  ASSERT_EQ(tree.TopCount(), 1u);
  TCheckNode& drives = tree.Top(0);
  EXPECT_EQ(&drives, shell.DrivesNode());
  EXPECT_EQ(drives.Caption(), L"Drives");
  EXPECT_EQ(drives.Image(), TBoxTreeView::kImageComputer);
  EXPECT_EQ(drives.Mark(), TCheckMark::None);
  EXPECT_TRUE(drives.Expanded());

  // Every letter in use, however many: counted from the drive bit mask, not the drive strings.
  std::vector<std::wstring> letters;
  for (int bit = 0; bit < 26; ++bit)
    if (GetLogicalDrives() & (1u << bit))
      letters.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + bit)) + L":\\");
  ASSERT_EQ(drives.ChildCount(), letters.size());
  for (size_t i = 0; i < letters.size(); ++i) {
    TCheckNode& drive = drives.Child(i);
    ASSERT_TRUE(TTreeShellCtrl::DataOf(drive));
    EXPECT_EQ(TTreeShellCtrl::DataOf(drive)->Path, letters[i]);
    EXPECT_EQ(drive.Mark(), TCheckMark::Unchecked);
    EXPECT_FALSE(drive.ChildrenRead());
  }
  TCheckNode& c = Node(L"C:\\");
  EXPECT_EQ(c.Caption(), TTreeShellCtrl::GetVolumeLabel(L"C:\\") + L" (C:)");
  EXPECT_EQ(c.Image(), TBoxTreeView::kImageDriveFixed);
  EXPECT_EQ(c.SelectedImage(), TBoxTreeView::kImageDriveFixed);

  // The captions of the kinds of drive this machine may lack.
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'A', DRIVE_REMOVABLE, L""), L"Drive  (A:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'D', DRIVE_CDROM, L""), L"CD Drive  (D:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'E', DRIVE_FIXED, L"Data"), L"Data (E:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'F', DRIVE_FIXED, L""), L" (F:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'N', DRIVE_REMOTE, L""), L"Network Drive  (N:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'R', DRIVE_RAMDISK, L""), L"RAM Disk  (R:)");
  EXPECT_EQ(TTreeShellCtrl::DriveCaption(L'X', DRIVE_NO_ROOT_DIR, L""), L"Drive  (X:)");
  EXPECT_EQ(TTreeShellCtrl::DriveImage(DRIVE_REMOVABLE), TBoxTreeView::kImageDriveRemovable);
  EXPECT_EQ(TTreeShellCtrl::DriveImage(DRIVE_CDROM), TBoxTreeView::kImageDriveCD);
  EXPECT_EQ(TTreeShellCtrl::DriveImage(DRIVE_REMOTE), TBoxTreeView::kImageDriveOther);
  EXPECT_EQ(TTreeShellCtrl::DriveImage(DRIVE_UNKNOWN), TBoxTreeView::kImageDriveOther);
  // A drive that cannot be asked has no label, and no system box says so.
  EXPECT_EQ(TTreeShellCtrl::GetVolumeLabel(L""), L"");

  shell.SetEnable(false);
  EXPECT_EQ(tree.TopCount(), 0u);
  EXPECT_EQ(shell.DrivesNode(), nullptr);
  EXPECT_FALSE(shell.SelectFolder(L"C:\\"));
}

TEST_F(FolderTreeTest, HiddenAndSystemFoldersAreNeverShownNorFound) {
  dir.MakeFolder(L"Shown\\Inner");
  dir.MakeFolder(L"Hidden\\Inner");
  dir.MakeFolder(L"System\\Inner");
  ASSERT_TRUE(SetFileAttributesW((root + L"Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW((root + L"System").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(GetFileAttributesW((root + L"Hidden").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(GetFileAttributesW((root + L"System").c_str()) & FILE_ATTRIBUTE_SYSTEM);

  shell.SetInitialLocation(root);
  EXPECT_EQ(shell.InitialLocation(), root);
  TCheckNode& folder = Node(root);
  EXPECT_TRUE(folder.Expanded());
  EXPECT_EQ(Captions(folder), std::vector<std::wstring>{L"Shown"});
  EXPECT_EQ(folder.Mark(), TCheckMark::Unchecked) << "an initial location ticks nothing";

  EXPECT_FALSE(shell.SelectFolder(root + L"Hidden\\"));
  EXPECT_FALSE(shell.SelectFolder(root + L"Hidden\\Inner\\"));
  EXPECT_FALSE(shell.SelectFolder(root + L"System\\Inner\\"));
  EXPECT_EQ(Captions(folder), std::vector<std::wstring>{L"Shown"});
  EXPECT_TRUE(Collect().empty());
  EXPECT_TRUE(shell.SelectFolder(root + L"Shown\\Inner\\"));
  EXPECT_EQ(Paths(Collect()), std::vector<std::wstring>{root + L"Shown\\Inner"});
}

// Windows hides AppData and ProgramData, which hold both Start-menu Programs folders and the
// per-user programs; Wine hides neither, so the test hides them while it runs.
class THiddenFolder {
public:
  explicit THiddenFolder(std::wstring path)
      : path_(std::move(path)), attributes_(GetFileAttributesW(path_.c_str())) {
    EXPECT_NE(attributes_, INVALID_FILE_ATTRIBUTES) << win::ToUtf8(path_);
    EXPECT_TRUE(SetFileAttributesW(path_.c_str(), attributes_ | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  }
  ~THiddenFolder() { SetFileAttributesW(path_.c_str(), attributes_); }
  THiddenFolder(const THiddenFolder&) = delete;
  THiddenFolder& operator=(const THiddenFolder&) = delete;

private:
  std::wstring path_;
  DWORD attributes_;
};

TEST_F(FolderTreeTest, KnownFoldersAndTheFoldersThatHoldThemAreShownThoughHidden) {
  const std::wstring profile = Spelled(win::ExpandEnvironment(L"%USERPROFILE%"));
  const std::wstring programData = Spelled(win::ExpandEnvironment(L"%ProgramData%"));
  const THiddenFolder appData(profile + L"AppData"), common(NoBackslash(programData));
  dir.MakeFolder(L"Hidden\\Inner");
  const THiddenFolder unknown(root + L"Hidden");

  for (const std::wstring& programs :
       {Spelled(profile + L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"),
        Spelled(programData + L"Microsoft\\Windows\\Start Menu\\Programs")}) {
    shell.SetInitialLocation(programs);
    EXPECT_TRUE(shell.NodeOfPath(programs)) << win::ToUtf8(programs);
  }
  const std::vector<std::wstring> inProfile = Captions(Node(profile));
  EXPECT_EQ(std::count(inProfile.begin(), inProfile.end(), L"AppData"), 1);

  // A hidden folder that is no known folder stays hidden.
  shell.SetInitialLocation(root);
  EXPECT_TRUE(Captions(Node(root)).empty());
  EXPECT_FALSE(shell.SelectFolder(root + L"Hidden\\Inner\\"));
}

// Folders of this test made and removed by their literal names: Win32 drops a trailing dot or
// blank of a name and would reach the neighbour instead.
class TLiteralFolders {
public:
  explicit TLiteralFolders(const std::wstring& root) : root_(L"\\\\?\\" + root) {}
  ~TLiteralFolders() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  TLiteralFolders(const TLiteralFolders&) = delete;
  TLiteralFolders& operator=(const TLiteralFolders&) = delete;
  void Make(const std::wstring& relative) {
    made_.push_back(root_ + relative);
    EXPECT_TRUE(CreateDirectoryW(made_.back().c_str(), nullptr)) << win::ToUtf8(relative);
  }

private:
  std::wstring root_;
  std::vector<std::wstring> made_;
};

TEST_F(FolderTreeTest, FoldersNamedWithATrailingDotOrBlankAreReadAndListedByTheirExactNames) {
  dir.MakeFolder(L"Photos\\Holiday");
  TLiteralFolders odd(root);
  odd.Make(L"Photos.");
  odd.Make(L"Photos.\\Scans");
  odd.Make(L"Photos ");
  shell.SetInitialLocation(root);
  std::vector<std::wstring> shown = Captions(Node(root));
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Photos", L"Photos ", L"Photos."}));

  TCheckNode& dotted = Node(root + L"Photos.\\");
  ASSERT_TRUE(tree.Expand(dotted));
  EXPECT_EQ(Captions(dotted), std::vector<std::wstring>{L"Scans"});
  TCheckNode& plain = Node(root + L"Photos\\");
  ASSERT_TRUE(tree.Expand(plain));
  EXPECT_EQ(Captions(plain), std::vector<std::wstring>{L"Holiday"});
  TCheckNode& blank = Node(root + L"Photos \\");
  tree.Expand(blank);
  EXPECT_EQ(blank.ChildCount(), 0u);

  // Found and handed over by the literal names.
  shell.SetEnable(true);
  ASSERT_TRUE(shell.SelectFolder(root + L"Photos.\\Scans\\"));
  ASSERT_TRUE(shell.SelectFolder(root + L"Photos \\"));
  std::vector<std::wstring> collected = Paths(Collect());
  std::sort(collected.begin(), collected.end());
  EXPECT_EQ(collected, (std::vector<std::wstring>{root + L"Photos ", root + L"Photos.\\Scans"}));
}

TEST_F(FolderTreeTest, FolderWithoutVisibleSubfoldersLosesItsExpandButtonWhenOpened) {
  dir.MakeFolder(L"Leaf\\Secret");
  dir.MakeFile(L"Leaf\\file.txt");
  ASSERT_TRUE(SetFileAttributesW((root + L"Leaf\\Secret").c_str(), FILE_ATTRIBUTE_HIDDEN));
  dir.MakeFolder(L"Branch\\Twig");
  shell.SetInitialLocation(root);

  TCheckNode& leaf = Node(root + L"Leaf\\");
  TCheckNode& branch = Node(root + L"Branch\\");
  EXPECT_TRUE(tree.HasChildren(leaf)) << "unopened folders show an expand button";
  EXPECT_TRUE(tree.HasChildren(branch));
  EXPECT_TRUE(tree.Expand(leaf));
  EXPECT_TRUE(tree.Expand(branch));
  EXPECT_TRUE(leaf.ChildrenRead());
  EXPECT_EQ(leaf.ChildCount(), 0u);
  EXPECT_FALSE(tree.HasChildren(leaf));
  EXPECT_FALSE(leaf.Expanded());
  EXPECT_TRUE(tree.HasChildren(branch));
  EXPECT_TRUE(branch.Expanded());
  EXPECT_EQ(Captions(branch), std::vector<std::wstring>{L"Twig"});
}

TEST_F(FolderTreeTest, SearchMatchesTheFileSystemsSpellingAtWholeFolderNames) {
  dir.MakeFolder(L"Foo\\Bar");
  dir.MakeFolder(L"Prog\\Inner");
  dir.MakeFolder(L"Prog Files\\Tool");

  // Another letter case opens the way down to the folder but ticks nothing.
  EXPECT_FALSE(shell.SelectFolder(win::ToLower(root + L"Foo\\")));
  TCheckNode& foo = Node(root + L"Foo\\");
  EXPECT_TRUE(foo.Expanded());
  EXPECT_EQ(foo.Mark(), TCheckMark::Unchecked);
  EXPECT_TRUE(Collect().empty());

  // C:\...\Prog\ is no prefix of C:\...\Prog Files\Tool\.
  EXPECT_TRUE(shell.SelectFolder(root + L"Prog Files\\Tool\\"));
  EXPECT_FALSE(Node(root + L"Prog\\").ChildrenRead());
  EXPECT_EQ(Node(root + L"Prog Files\\Tool\\").Mark(), TCheckMark::Checked);
  EXPECT_EQ(Node(root + L"Prog Files\\").Mark(), TCheckMark::Partial);
  EXPECT_EQ(Node(root).Mark(), TCheckMark::Partial);
  EXPECT_EQ(Paths(Collect()), std::vector<std::wstring>{root + L"Prog Files\\Tool"});
}

// One click on a drive would choose every unprotected folder on it; on the Windows folder, the
// system.
TEST_F(FolderTreeTest, DrivesAndProtectedFoldersCanNeverBeTicked) {
  TCheckNode& c = Node(L"C:\\");
  EXPECT_FALSE(tree.CanToggle(c));
  tree.Toggle(c);
  tree.SetNodeChecked(c, true);
  EXPECT_EQ(c.Mark(), TCheckMark::Unchecked);
  ASSERT_TRUE(tree.Expand(c));
  EXPECT_EQ(c.Mark(), TCheckMark::Unchecked);
  for (size_t i = 0; i < c.ChildCount(); ++i)
    EXPECT_EQ(c.Child(i).Mark(), TCheckMark::Unchecked) << win::ToUtf8(c.Child(i).Caption());

  // The Windows folder and what lies in it.
  const std::wstring windows = Spelled(L"C:\\windows\\");
  ASSERT_TRUE(tree.Expand(Node(windows)));
  const std::wstring system32 = Spelled(windows + L"system32\\");
  for (const std::wstring& path : {windows, system32}) {
    TCheckNode& node = Node(path);
    EXPECT_FALSE(tree.CanToggle(node)) << win::ToUtf8(path);
    tree.SetNodeChecked(node, true);
    EXPECT_EQ(node.Mark(), TCheckMark::Unchecked) << win::ToUtf8(path);
  }
  EXPECT_TRUE(Collect().empty());

  // A folder ticked below a drive shows on the drive, which still gives no row.
  dir.MakeFolder(L"Tool");
  ASSERT_TRUE(shell.SelectFolder(root + L"Tool\\"));
  EXPECT_EQ(c.Mark(), TCheckMark::Partial);
  EXPECT_EQ(Paths(Collect()), std::vector<std::wstring>{root + L"Tool"});
}

TEST_F(FolderTreeTest, CollectionTakesOnlyFoldersTickedForThemselvesSubfoldersFirst) {
  dir.MakeFolder(L"A\\B\\D");
  dir.MakeFolder(L"A\\B\\E");
  const std::wstring a = root + L"A\\", b = a + L"B\\", d = b + L"D\\", e = b + L"E\\";
  ASSERT_TRUE(shell.SelectFolder(d));
  ASSERT_TRUE(shell.SelectFolder(e));
  EXPECT_EQ(Node(b).Mark(), TCheckMark::Partial);
  EXPECT_EQ(Node(a).Mark(), TCheckMark::Partial);
  EXPECT_EQ(Paths(Collect()), (std::vector<std::wstring>{NoBackslash(d), NoBackslash(e)}));

  tree.SetNodeChecked(Node(d), false);
  EXPECT_EQ(Paths(Collect()), std::vector<std::wstring>{NoBackslash(e)});

  // B ticked for itself: its opened branch follows, and B comes after its subfolders.
  tree.SetNodeChecked(Node(b), true);
  EXPECT_EQ(Node(d).Mark(), TCheckMark::Checked);
  const TDeleteRows rows = Collect();
  EXPECT_EQ(Paths(rows), (std::vector<std::wstring>{NoBackslash(d), NoBackslash(e), NoBackslash(b)}));
  for (const auto& row : rows) {
    EXPECT_TRUE(row.Checked);
    EXPECT_EQ(row.Status(), kStatusToDelete);
  }
  // Loaded later under a ticked folder: ticked too.
  dir.MakeFolder(L"A\\B\\D\\Late");
  EXPECT_TRUE(tree.Expand(Node(d)));
  EXPECT_EQ(Node(d + L"Late\\").Mark(), TCheckMark::Checked);
}

TEST_F(FolderTreeTest, FolderLinkIsShownAndTickableButNothingIsReadThroughIt) {
  const std::wstring holder = kLinks + L"holder\\", link = holder + L"Link\\";
  const DWORD attributes = GetFileAttributesW((holder + L"Link").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the link fixture did not run";
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_FALSE(TTreeShellCtrl::ListSubfolders(link).empty()) << "the link shows its target";

  shell.SetInitialLocation(holder);
  TCheckNode& node = Node(link);
  EXPECT_EQ(Captions(Node(holder)), (std::vector<std::wstring>{L"Link", L"Plain"}));
  EXPECT_FALSE(tree.HasChildren(node));
  EXPECT_TRUE(tree.HasChildren(Node(holder + L"Plain\\")));
  EXPECT_FALSE(shell.SelectFolder(link + L"Inner\\"));
  EXPECT_EQ(node.ChildCount(), 0u);
  EXPECT_FALSE(tree.HasChildren(node));

  EXPECT_TRUE(shell.SelectFolder(link));
  EXPECT_EQ(node.Mark(), TCheckMark::Checked);
  EXPECT_EQ(Paths(Collect()), std::vector<std::wstring>{NoBackslash(link)});
}

TEST_F(FolderTreeTest, BigFolderLetsMessagesRunWhileItIsReadAndOpensNothingElseMeanwhile) {
  constexpr int kCount = 300;
  for (int i = 0; i < kCount; ++i) dir.MakeFolder(L"Big\\Sub " + std::to_wstring(i));
  dir.MakeFolder(L"Other\\Inner");
  shell.SetInitialLocation(root);
  TCheckNode& big = Node(root + L"Big\\");
  TCheckNode& other = Node(root + L"Other\\");
  int pumps = 0, opened = 0;
  shell.ProcessMessages = [&] {
    ++pumps;
    if (tree.Expand(other)) ++opened;
  };
  EXPECT_TRUE(tree.Expand(big));
  EXPECT_GE(pumps, 1);
  EXPECT_EQ(opened, 0);
  EXPECT_FALSE(other.ChildrenRead());
  EXPECT_EQ(big.ChildCount(), static_cast<size_t>(kCount));
  EXPECT_TRUE(tree.Expand(other));
  EXPECT_EQ(Captions(other), std::vector<std::wstring>{L"Inner"});

  // The tree rebuilt while the folder is read: the read stops and the new tree stands.
  shell.SetEnable(true);
  shell.SetInitialLocation(root);
  shell.ProcessMessages = [&] { shell.SetEnable(true); };
  EXPECT_FALSE(tree.Expand(Node(root + L"Big\\")));
  shell.ProcessMessages = nullptr;
  ASSERT_EQ(tree.TopCount(), 1u);
  EXPECT_EQ(&tree.Top(0), shell.DrivesNode());
  EXPECT_FALSE(Node(L"C:\\").ChildrenRead());
  EXPECT_TRUE(shell.SelectFolder(root + L"Big\\Sub 7\\"));
}

TEST_F(FolderTreeTest, MoreThanSixteenDriveLettersAreAllShown) {
  // Letters of this process's own, all on the test's folder, until 20 are in use. Wine keeps such
  // a definition until the process ends.
  wchar_t defined = 0;
  for (wchar_t letter = L'D'; letter <= L'Y' && __builtin_popcount(GetLogicalDrives()) < 20;
       ++letter) {
    if (!(GetLogicalDrives() & (1u << (letter - L'A')))) {
      if (!defined) defined = letter;
      ASSERT_TRUE(DefineDosDeviceW(0, (std::wstring(1, letter) + L":").c_str(),
                                   NoBackslash(root).c_str()));
    }
  }
  const DWORD mask = GetLogicalDrives();
  ASSERT_GE(__builtin_popcount(mask), 20);
  // The definitions live as long as the wineserver: a run before this one may have made them.
  for (wchar_t letter = L'D'; !defined && letter <= L'Y'; ++letter) {
    const UINT type = GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str());
    if ((mask & (1u << (letter - L'A'))) &&
        (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR))
      defined = letter;
  }
  ASSERT_NE(defined, 0);

  shell.SetEnable(true);
  TCheckNode& drives = *shell.DrivesNode();
  ASSERT_EQ(drives.ChildCount(), static_cast<size_t>(__builtin_popcount(mask)));
  for (size_t i = 0; i < drives.ChildCount(); ++i) {
    const std::wstring& path = TTreeShellCtrl::DataOf(drives.Child(i))->Path;
    const UINT type = GetDriveTypeW(path.c_str());
    EXPECT_TRUE(mask & (1u << (path[0] - L'A'))) << win::ToUtf8(path);
    const std::wstring label = type == DRIVE_FIXED ? TTreeShellCtrl::GetVolumeLabel(path) : L"";
    EXPECT_EQ(drives.Child(i).Caption(), TTreeShellCtrl::DriveCaption(path[0], type, label));
    EXPECT_EQ(drives.Child(i).Image(), TTreeShellCtrl::DriveImage(type));
  }
  // A letter on a folder rather than a volume is a drive of no known kind.
  TCheckNode& other = Node(std::wstring(1, defined) + L":\\");
  EXPECT_EQ(other.Caption(), L"Drive  (" + std::wstring(1, defined) + L":)");
  EXPECT_EQ(other.Image(), TBoxTreeView::kImageDriveOther);
  const wchar_t last = static_cast<wchar_t>(L'A' + 31 - __builtin_clz(mask));
  EXPECT_EQ(TTreeShellCtrl::DataOf(drives.Child(drives.ChildCount() - 1))->Path,
            std::wstring(1, last) + L":\\");
}

// In a real window: the search opens the items down to the folder, ticks it and reports its
// steps in the status bar; a click on the box unticks it again.
TEST(FolderTreeViewTest, SearchOpensTheItemsDownToTheFolderAndTicksIt) {
  TTempDir dir;
  const std::wstring root = Spelled(dir.Path());
  dir.MakeFolder(L"Vendor\\Tool\\Data");
  const std::wstring vendor = root + L"Vendor\\", tool = vendor + L"Tool\\";

  widgets_test::TTestForm form(400, 420);
  TBoxTreeView view;
  view.Create(form.Handle(), 0, 0, 400, 396);
  HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                form.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(status);
  TTreeShellCtrl shell;
  shell.SetCheckTreeView(&view);
  shell.SetStatusBar(status);
  std::vector<std::wstring> steps;
  shell.OnStatus = [&](const std::wstring& text) { steps.push_back(text); };
  shell.SetEnable(true);

  ASSERT_TRUE(shell.SelectFolder(tool));
  TCheckNode* node = shell.NodeOfPath(tool);
  ASSERT_TRUE(node);
  HWND tv = view.Handle();
  HTREEITEM item = view.ItemOf(*node);
  auto stateOf = [&](HTREEITEM it) {
    return static_cast<int>((TreeView_GetItemState(tv, it, TVIS_STATEIMAGEMASK) >> 12) & 0xF);
  };
  EXPECT_EQ(stateOf(item), TBoxTreeView::kImageBoxChecked);
  EXPECT_EQ(stateOf(view.ItemOf(*shell.NodeOfPath(vendor))), TBoxTreeView::kImageBoxPartial);
  for (HTREEITEM up = TreeView_GetParent(tv, item); up; up = TreeView_GetParent(tv, up))
    EXPECT_TRUE(TreeView_GetItemState(tv, up, TVIS_EXPANDED) & TVIS_EXPANDED);
  EXPECT_FALSE(TreeView_GetItemState(tv, item, TVIS_EXPANDED) & TVIS_EXPANDED);

  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), L"Searching ... C:\\");
  EXPECT_EQ(steps.back(), L"Searching ... " + vendor);
  // A simple status bar answers for its one part.
  wchar_t text[4 * MAX_PATH] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), L"Searching ... " + vendor);

  // The user unticks it with a click on its box.
  TreeView_EnsureVisible(tv, item);
  widgets_test::Pump();
  RECT rc{};
  ASSERT_TRUE(TreeView_GetItemRect(tv, item, &rc, TRUE));
  POINT box{-1, (rc.top + rc.bottom) / 2};
  for (int x = 0; x < rc.left && box.x < 0; ++x) {
    TVHITTESTINFO hit{};
    hit.pt = {x, box.y};
    TreeView_HitTest(tv, &hit);
    if (hit.hItem == item && (hit.flags & TVHT_ONITEMSTATEICON)) box.x = x + 4;
  }
  ASSERT_GE(box.x, 0) << "no check box drawn";
  testing_support::TCapture shown(form.Handle());
  // The release waits in the queue, as a real one would, for the control's drag-detect loop.
  const LPARAM at = MAKELPARAM(box.x, box.y);
  PostMessageW(tv, WM_LBUTTONUP, 0, at);
  SendMessageW(tv, WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(node->Mark(), TCheckMark::Unchecked);
  EXPECT_EQ(stateOf(item), TBoxTreeView::kImageBoxUnchecked);
  TDeleteRows rows;
  shell.AddCheckedToList(rows);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
