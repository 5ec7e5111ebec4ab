// The registry tree against the real registry: the root level, keys read when opened, the search,
// links and the collection, under keys each test makes for itself.
#include "assisted/TreeRegCtrl.h"
#include "widgets/BoxTreeView.h"

#include "../widgets/WidgetTestSupport.h"
#include "support/TestMachine.h"
#include "win/RegistryTree.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using testing_support::TTestKey;

namespace {

using M = TCheckMark;

std::wstring CaptionShown(HWND tree, HTREEITEM item) {
  wchar_t text[260] = {};
  TVITEMW tvi{};
  tvi.mask = TVIF_TEXT | TVIF_HANDLE;
  tvi.hItem = item;
  tvi.pszText = text;
  tvi.cchTextMax = 260;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
  return text;
}

bool ShownExpanded(const TBoxTreeView& view, const TCheckNode& node) {
  return (SendMessageW(view.Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(view.ItemOf(node)),
                       TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// The state picture each item of the window shows, depth first, expanded or not.
void CollectShownBoxes(HWND tree, HTREEITEM item, std::vector<int>& boxes) {
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    boxes.push_back(static_cast<int>(
        (TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12));
    CollectShownBoxes(tree, TreeView_GetChild(tree, item), boxes);
  }
}

// Whether the window shows a ticked or partly ticked box anywhere.
bool AnyTickShown(HWND tree) {
  std::vector<int> boxes;
  CollectShownBoxes(tree, TreeView_GetRoot(tree), boxes);
  return std::any_of(boxes.begin(), boxes.end(), [](int box) {
    return box == TBoxTreeView::kImageBoxChecked || box == TBoxTreeView::kImageBoxPartial;
  });
}

TCheckNode* ChildNamed(const TCheckNode& parent, const std::wstring& caption) {
  for (size_t i = 0; i < parent.ChildCount(); ++i)
    if (parent.Child(i).Caption() == caption) return &parent.Child(i);
  return nullptr;
}

TCheckNode* RootNode(const TTreeRegCtrl& ctrl, HKEY root) {
  for (size_t i = 0; i < ctrl.ComputerNode()->ChildCount(); ++i) {
    TCheckNode& node = ctrl.ComputerNode()->Child(i);
    if (node.RecordAs<TKeyNodeData>()->RootKey == root) return &node;
  }
  return nullptr;
}

// Any node of the branch with a mark other than none or unchecked.
bool AnyMarked(const TCheckNode& node) {
  if (node.Mark() == M::Checked || node.Mark() == M::Partial) return true;
  for (size_t i = 0; i < node.ChildCount(); ++i)
    if (AnyMarked(node.Child(i))) return true;
  return false;
}

// A tree without a window, with the controller on it, and the test's own key below HKCU.
class TreeRegCtrlTest : public ::testing::Test {
protected:
  TreeRegCtrlTest() : ctrl(tree) { ctrl.SetEnable(true); }
  // The test key's path as the tree spells it.
  std::wstring Base() const { return L"\\" + key.Path(); }
  void MakeKey(const std::wstring& sub) { key.SetDword(sub, L"Made", 1); }
  // Opens the tree down to the test key (or a key below it) and returns its node.
  TCheckNode& Open(const std::wstring& sub = L"") {
    const std::wstring target = sub.empty() ? Base() : Base() + L"\\" + sub;
    ctrl.LocateRoot(HKEY_CURRENT_USER, target);
    TCheckNode* node = RootNode(ctrl, HKEY_CURRENT_USER);
    for (size_t at = 1; node && at <= target.size();) {
      const size_t end = std::min(target.find(L'\\', at), target.size());
      node = ChildNamed(*node, target.substr(at, end - at));
      at = end + 1;
    }
    if (!node) throw std::runtime_error("key not in the tree");
    return *node;
  }

  TTestKey key;
  TCheckTree tree;
  TTreeRegCtrl ctrl;
};

TEST(TreeRegCtrlViewTest, OpensAtTheInitialKeyAsTheWindowShowsIt) {
  widgets_test::TTestForm form(320, 480);
  TBoxTreeView view;
  view.Create(form.Handle(), 0, 0, 320, 480);
  TTreeRegCtrl ctrl(view.Tree());
  ctrl.SetEnable(true);
  ctrl.SetInitialRoot(HKEY_CURRENT_USER);
  ctrl.SetInitialKey(L"\\Software");

  const HWND hwnd = view.Handle();
  TCheckNode& computer = *ctrl.ComputerNode();
  EXPECT_EQ(L"My Computer", CaptionShown(hwnd, TreeView_GetRoot(hwnd)));
  EXPECT_TRUE(ShownExpanded(view, computer));
  // The root keys that open for reading, in their order.
  std::vector<std::wstring> expected, shown;
  const std::pair<HKEY, const wchar_t*> roots[] = {
      {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"}, {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
      {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"}, {HKEY_USERS, L"HKEY_USERS"},
      {HKEY_PERFORMANCE_DATA, L"HKEY_PERFORMANCE_DATA"},
      {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, L"HKEY_DYN_DATA"}};
  for (auto& [root, caption] : roots) {
    win::UniqueHKey opened;
    if (RegOpenKeyExW(root, nullptr, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS)
      expected.push_back(caption);
  }
  for (HTREEITEM item = TreeView_GetChild(hwnd, TreeView_GetRoot(hwnd)); item;
       item = TreeView_GetNextSibling(hwnd, item))
    shown.push_back(CaptionShown(hwnd, item));
  EXPECT_EQ(expected, shown);
  ASSERT_GE(shown.size(), 4u);

  // Opened down to the key in the window, the key's subkeys shown, and no box ticked.
  TCheckNode& user = *RootNode(ctrl, HKEY_CURRENT_USER);
  EXPECT_TRUE(ShownExpanded(view, user));
  TCheckNode* software = ChildNamed(user, L"Software");
  ASSERT_NE(nullptr, software);
  EXPECT_EQ(L"\\Software", software->RecordAs<TKeyNodeData>()->Path);
  EXPECT_TRUE(ShownExpanded(view, *software));
  ASSERT_GT(software->ChildCount(), 0u);
  const HTREEITEM firstSubkey = TreeView_GetChild(hwnd, view.ItemOf(*software));
  ASSERT_NE(nullptr, firstSubkey);
  EXPECT_EQ(software->Child(0).Caption(), CaptionShown(hwnd, firstSubkey));
  RECT onScreen{};
  EXPECT_TRUE(TreeView_GetItemRect(hwnd, firstSubkey, &onScreen, TRUE));
  EXPECT_FALSE(AnyTickShown(hwnd)) << "a search ticks nothing";
  EXPECT_FALSE(AnyMarked(computer));
  EXPECT_EQ(TBoxTreeView::kImageFolderOpen, user.Image());

  // Rebuilt at HKEY_CLASSES_ROOT itself: that key opens, nothing below it, nothing ticked.
  ctrl.SetEnable(true);
  ctrl.SetInitialRoot(HKEY_CLASSES_ROOT);
  ctrl.SetInitialKey(L"");
  TCheckNode& classes = *RootNode(ctrl, HKEY_CLASSES_ROOT);
  EXPECT_TRUE(ShownExpanded(view, classes));
  ASSERT_GT(classes.ChildCount(), 0u);
  EXPECT_NE(nullptr, TreeView_GetChild(hwnd, view.ItemOf(classes)));
  for (size_t i = 0; i < classes.ChildCount(); ++i)
    ASSERT_FALSE(classes.Child(i).Expanded()) << i;
  EXPECT_FALSE(RootNode(ctrl, HKEY_CURRENT_USER)->Expanded());
  EXPECT_FALSE(AnyTickShown(hwnd));
}

TEST_F(TreeRegCtrlTest, KeysAreReadWhenOpenedWithTheirButtonsPicturesAndMarks) {
  MakeKey(L"A\\X");
  MakeKey(L"B");
  for (int i = 0; i < 1100; ++i) MakeKey(L"Many\\" + std::to_wstring(i));
  TCheckNode& base = Open();
  ASSERT_TRUE(base.Expanded());
  ASSERT_EQ(3u, base.ChildCount());
  TCheckNode& a = base.Child(0);
  TCheckNode& b = base.Child(1);
  EXPECT_EQ(Base() + L"\\A", a.RecordAs<TKeyNodeData>()->Path);
  EXPECT_EQ(HKEY_CURRENT_USER, b.RecordAs<TKeyNodeData>()->RootKey);
  EXPECT_FALSE(a.ChildrenRead());
  EXPECT_TRUE(tree.HasChildren(a));
  EXPECT_FALSE(tree.HasChildren(b));

  EXPECT_EQ(TBoxTreeView::kImageFolderOpen, base.Image());
  ASSERT_TRUE(tree.Collapse(base));
  EXPECT_EQ(TBoxTreeView::kImageFolderClosed, base.Image());
  ASSERT_TRUE(tree.Expand(base));
  EXPECT_EQ(TBoxTreeView::kImageFolderOpen, base.Image());
  EXPECT_EQ(3u, base.ChildCount()) << "read once";

  // Ticked while closed: what is read later comes ticked.
  tree.Toggle(a);
  ASSERT_TRUE(tree.Expand(a));
  ASSERT_EQ(1u, a.ChildCount());
  EXPECT_EQ(M::Checked, a.Child(0).Mark());
  EXPECT_EQ(M::Partial, base.Mark());

  // A big key lets the window breathe while it is read.
  int pumps = 0;
  ctrl.ProcessMessages = [&] { ++pumps; };
  TCheckNode& many = Open(L"Many");
  EXPECT_EQ(1100u, many.ChildCount());
  EXPECT_GE(pumps, 2);
}

// The read lets messages run; a click that opens the same key (or another) meanwhile reads
// nothing twice, and a tree rebuilt meanwhile stops the read.
TEST_F(TreeRegCtrlTest, AKeyOpenedAgainWhileItIsReadIsReadOnce) {
  constexpr size_t kCount = 1100;
  for (size_t i = 0; i < kCount; ++i) MakeKey(L"Many\\" + std::to_wstring(i));
  MakeKey(L"Other\\Inner");
  TCheckNode& base = Open();
  TCheckNode& many = *ChildNamed(base, L"Many");
  TCheckNode& other = *ChildNamed(base, L"Other");
  int pumps = 0, opened = 0;
  ctrl.ProcessMessages = [&] {
    if (++pumps > 1) return;
    opened += tree.Expand(many);
    opened += tree.Expand(other);
  };
  ASSERT_TRUE(tree.Expand(many));
  ctrl.ProcessMessages = nullptr;
  EXPECT_GE(pumps, 2);
  EXPECT_EQ(0, opened);
  EXPECT_FALSE(other.ChildrenRead());
  EXPECT_EQ(kCount, many.ChildCount());

  // Each key one row.
  tree.SetNodeChecked(many, true);
  TDeleteRows rows;
  ctrl.AddCheckedToList(rows);
  std::set<std::wstring> paths;
  for (const TDeleteRow& row : rows) paths.insert(row.Path());
  EXPECT_EQ(kCount + 1, rows.size());
  EXPECT_EQ(rows.size(), paths.size());

  // Rebuilt while the key is read: the read stops, the new tree stands.
  ctrl.SetEnable(true);
  TCheckNode& fresh = *ChildNamed(Open(), L"Many");
  ctrl.ProcessMessages = [&] { ctrl.SetEnable(true); };
  EXPECT_FALSE(tree.Expand(fresh));
  ctrl.ProcessMessages = nullptr;
  ASSERT_EQ(1u, tree.TopCount());
  EXPECT_EQ(&tree.Top(0), ctrl.ComputerNode());
  EXPECT_FALSE(RootNode(ctrl, HKEY_CURRENT_USER)->ChildrenRead());
  EXPECT_EQ(kCount, Open(L"Many").ChildCount());
}

TEST_F(TreeRegCtrlTest, ASearchFollowsOneLineAndItsPrefixTestIgnoresNameBoundaries) {
  MakeKey(L"Soft\\Inner");
  MakeKey(L"Software\\App");
  std::vector<std::wstring> status;
  ctrl.OnStatus = [&](const std::wstring& text) { status.push_back(text); };
  ctrl.SetInitialRoot(HKEY_CURRENT_USER);
  ctrl.SetInitialKey(Base() + L"\\Software\\App");
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(L"Searching ... " + Base() + L"\\Soft\\Inner", status.back());

  TCheckNode& base = Open();
  TCheckNode* soft = ChildNamed(base, L"Soft");
  TCheckNode* software = ChildNamed(base, L"Software");
  ASSERT_TRUE(soft && software);
  EXPECT_TRUE(soft->Expanded()) << "\\Soft begins \\Software";
  EXPECT_FALSE(software->Expanded()) << "never came back to a later sibling";
  EXPECT_FALSE(software->ChildrenRead());
  EXPECT_FALSE(AnyMarked(*ctrl.ComputerNode()));
}

TEST_F(TreeRegCtrlTest, ALinkIsShownButNeverReadThrough) {
  MakeKey(L"Target\\Deep");
  key.AddLink(L"Link", L"Target");
  TCheckNode& base = Open();
  TCheckNode* link = ChildNamed(base, L"Link");
  TCheckNode* target = ChildNamed(base, L"Target");
  ASSERT_TRUE(link && target);
  EXPECT_TRUE(tree.HasChildren(*target));
  EXPECT_FALSE(tree.HasChildren(*link)) << "no expand button";

  ctrl.LocateRoot(HKEY_CURRENT_USER, Base() + L"\\Link\\Deep");
  EXPECT_EQ(0u, link->ChildCount());
  EXPECT_FALSE(link->Expanded());
  EXPECT_TRUE(link->RecordAs<TKeyNodeData>()->IsLink);

  // Ticked, the link is one row of its own (deleted as a link); nothing behind it is listed.
  tree.SetNodeChecked(*link, true);
  TDeleteRows rows;
  ctrl.AddCheckedToList(rows);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(Base() + L"\\Link", rows[0].Item.Path);
}

TEST_F(TreeRegCtrlTest, TheCollectionListsTickedKeysPerRootButNeverARootOrAKeyMarkedFromBelow) {
  // The same path under HKEY_LOCAL_MACHINE, made and removed here.
  struct TMachineKey {
    std::wstring path;
    ~TMachineKey() { win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, path); }
  } machine{key.Path()};
  win::UniqueHKey made;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (machine.path + L"\\Same").c_str(), 0,
                                           nullptr, 0, KEY_READ, nullptr, made.Put(), nullptr));
  MakeKey(L"Same");

  TCheckNode& userSame = Open(L"Same");
  ctrl.LocateRoot(HKEY_LOCAL_MACHINE, Base() + L"\\Same");
  TCheckNode* machineBase = RootNode(ctrl, HKEY_LOCAL_MACHINE);
  for (const wchar_t* name : {L"Software", L"PurgalotTests"})
    machineBase = machineBase ? ChildNamed(*machineBase, name) : nullptr;
  ASSERT_NE(nullptr, machineBase);
  machineBase = ChildNamed(*machineBase, key.Path().substr(key.Path().rfind(L'\\') + 1));
  ASSERT_NE(nullptr, machineBase);
  TCheckNode* machineSame = ChildNamed(*machineBase, L"Same");
  ASSERT_NE(nullptr, machineSame);

  // Each key is its parent's only subkey: the parents show a mark but are not listed.
  tree.SetNodeChecked(userSame, true);
  tree.SetNodeChecked(*machineSame, true);
  EXPECT_EQ(M::Partial, userSame.Parent()->Mark());
  TDeleteRows rows;
  ctrl.AddCheckedToList(rows);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(HKEY_CURRENT_USER, rows[0].Item.RootKey);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, rows[1].Item.RootKey);
  for (const TDeleteRow& row : rows) {
    EXPECT_EQ(Base() + L"\\Same", row.Path());
    EXPECT_EQ(L"Registry", row.Kind);
    EXPECT_TRUE(row.Checked);
  }

  // A root key is never ticked, nor, when ticking from above, its protected first-level keys:
  // only a key ticked below them is listed, and the root shows it.
  ctrl.SetEnable(true);
  ctrl.SetInitialRoot(HKEY_CURRENT_USER);
  ctrl.SetInitialKey(L"");
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    TCheckNode& node = *RootNode(ctrl, root);
    EXPECT_FALSE(tree.CanToggle(node)) << node.Caption();
    tree.Toggle(node);
    tree.SetNodeChecked(node, true);
    EXPECT_EQ(M::Unchecked, node.Mark()) << node.Caption();
  }
  TCheckNode& user = *RootNode(ctrl, HKEY_CURRENT_USER);
  ASSERT_GT(user.ChildCount(), 0u);
  for (size_t i = 0; i < user.ChildCount(); ++i)
    EXPECT_EQ(M::Unchecked, user.Child(i).Mark()) << user.Child(i).Caption();
  rows.clear();
  ctrl.AddCheckedToList(rows);
  EXPECT_TRUE(rows.empty());
  tree.SetNodeChecked(Open(L"Same"), true);
  EXPECT_EQ(M::Partial, user.Mark());
  rows.clear();
  ctrl.AddCheckedToList(rows);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(Base() + L"\\Same", rows[0].Path());
}

}  // namespace
