// The check-box tree view in a real window: clicks on the boxes, the veto, the keyboard, hidden
// boxes and the expand buttons of unread nodes.
#include "widgets/BoxTreeView.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

using namespace widgets_test;

namespace {

using M = TCheckMark;

int ShownState(const TBoxTreeView& view, const TCheckNode& node) {
  const auto state = static_cast<UINT>(SendMessageW(view.Handle(), TVM_GETITEMSTATE,
                                                    reinterpret_cast<WPARAM>(view.ItemOf(node)),
                                                    TVIS_STATEIMAGEMASK | TVIS_EXPANDED));
  return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

bool ShownExpanded(const TBoxTreeView& view, const TCheckNode& node) {
  return (SendMessageW(view.Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(view.ItemOf(node)),
                       TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

// The first point of the node's row, from the left, where the control reports the given part.
bool FindPart(const TBoxTreeView& view, const TCheckNode& node, UINT part, POINT& at) {
  RECT label{};
  if (!TreeView_GetItemRect(view.Handle(), view.ItemOf(node), &label, TRUE)) return false;
  for (int x = 0; x < label.right; ++x) {
    TVHITTESTINFO hit{};
    hit.pt = {x, (label.top + label.bottom) / 2};
    SendMessageW(view.Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if ((hit.flags & part) && hit.hItem == view.ItemOf(node)) {
      at = hit.pt;
      return true;
    }
  }
  return false;
}

// A click as the mouse makes it: the release waits in the queue while the press is handled, as
// the control follows the button until it comes up.
void ClickAt(HWND hwnd, POINT at) {
  const LPARAM lp = MAKELPARAM(at.x, at.y);
  PostMessageW(hwnd, WM_LBUTTONUP, 0, lp);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, lp);
  Pump();
}

// Root (no box) - A, B (B1, B2), all open; an edit box beside the tree holds the focus.
class BoxTreeViewTest : public ::testing::Test {
protected:
  BoxTreeViewTest() : form(420, 300) {
    view.Create(form.Handle(), 0, 0, 300, 300);
    edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 310, 10, 100, 22,
                           form.Handle(), nullptr, nullptr, nullptr);
    TCheckTree& tree = view.Tree();
    root = &tree.AddNode(nullptr, L"Root", TBoxTreeView::kImageComputer,
                         TBoxTreeView::kImageComputer, M::None);
    a = &Add(root, L"A");
    b = &Add(root, L"B");
    b1 = &Add(b, L"B1");
    b2 = &Add(b, L"B2");
    for (TCheckNode* n : {root, a, b, b1, b2}) n->SetChildrenRead(true);
    tree.Expand(*root);
    tree.Expand(*b);
    SetFocus(edit);
    UpdateWindow(view.Handle());
    Pump();
  }
  TCheckNode& Add(TCheckNode* parent, const std::wstring& caption) {
    return view.Tree().AddNode(parent, caption, TBoxTreeView::kImageFolderClosed,
                               TBoxTreeView::kImageFolderOpen, M::Unchecked);
  }
  void ClickBox(TCheckNode& node) {
    POINT at{};
    ASSERT_TRUE(FindPart(view, node, TVHT_ONITEMSTATEICON, at)) << "no box on the row";
    ClickAt(view.Handle(), at);
  }

  // Whether the 16 x 16 square from the point's column, on its row, shows the box's outline.
  bool ShowsBoxOutline(POINT at) {
    InvalidateRect(view.Handle(), nullptr, TRUE);
    TCapture shot(view.Handle());
    for (int y = at.y - 8; y < at.y + 8; ++y)
      for (int x = at.x; x < at.x + 16; ++x) {
        const COLORREF c = shot.At(x, y);
        if (std::abs(GetRValue(c) - 0x5E) < 6 && std::abs(GetGValue(c) - 0x6B) < 6 &&
            std::abs(GetBValue(c) - 0x7C) < 6)
          return true;
      }
    return false;
  }

  TTestForm form;
  TBoxTreeView view;
  HWND edit = nullptr;
  TCheckNode *root, *a, *b, *b1, *b2;
};

TEST_F(BoxTreeViewTest, AClickOnTheBoxTogglesTheBranchAndTheAncestorsShowIt) {
  EXPECT_EQ(0, ShownState(view, *root));
  EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *b1));

  ClickBox(*b1);
  EXPECT_EQ(M::Checked, b1->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxChecked, ShownState(view, *b1));
  EXPECT_EQ(TBoxTreeView::kImageBoxPartial, ShownState(view, *b));
  EXPECT_EQ(0, ShownState(view, *root));
  EXPECT_EQ(view.Handle(), GetFocus()) << "the control's own handling of the click ran";

  ClickBox(*b);
  for (TCheckNode* n : {b, b1, b2})
    EXPECT_EQ(TBoxTreeView::kImageBoxChecked, ShownState(view, *n)) << n->Caption();
  ClickBox(*b);
  for (TCheckNode* n : {b, b1, b2})
    EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *n)) << n->Caption();

  // A click on the caption is an ordinary click.
  POINT label{};
  ASSERT_TRUE(FindPart(view, *a, TVHT_ONITEMLABEL, label));
  ClickAt(view.Handle(), label);
  EXPECT_EQ(M::Unchecked, a->Mark());
  EXPECT_EQ(a, view.Selected());
}

TEST_F(BoxTreeViewTest, ARefusedClickGetsNoHandlingAtAll) {
  int asked = 0;
  bool allow = false;
  view.Tree().OnCheckChanging = [&](TCheckNode& n, bool& canCheck) {
    EXPECT_EQ(a, &n);
    ++asked;
    canCheck = allow;
  };
  // The tree's own handling of a click would take the focus. (Another test's window may take
  // the activation meanwhile, so only "not to the tree" is asked.)
  SetFocus(edit);
  ClickBox(*a);
  EXPECT_EQ(1, asked);
  EXPECT_EQ(M::Unchecked, a->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *a));
  EXPECT_NE(view.Handle(), GetFocus()) << "not even the focus moved";

  a->SetLocked(true);
  allow = true;
  SetFocus(edit);
  ClickBox(*a);
  EXPECT_EQ(1, asked) << "a locked node refuses before anyone is asked";
  EXPECT_EQ(M::Unchecked, a->Mark());
  EXPECT_NE(view.Handle(), GetFocus());

  a->SetLocked(false);
  ClickBox(*a);
  EXPECT_EQ(2, asked);
  EXPECT_EQ(M::Checked, a->Mark());
  EXPECT_EQ(view.Handle(), GetFocus());
}

// A key as the keyboard sends it to the focused control, with Ctrl held or not.
void Key(HWND hwnd, WPARAM key, bool ctrl) {
  BYTE keys[256]{};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(keys);
  SendMessageW(hwnd, WM_KEYDOWN, key, 1);
  if (key == VK_SPACE) SendMessageW(hwnd, WM_CHAR, L' ', 1);
  SendMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  Pump();
}

TEST_F(BoxTreeViewTest, SpaceDoesNotToggleButCtrlSpaceAndThePopupTickFromTheKeyboard) {
  view.Select(*b1);
  SetFocus(view.Handle());
  Key(view.Handle(), VK_SPACE, false);
  EXPECT_EQ(b1, view.Selected());
  EXPECT_EQ(M::Unchecked, b1->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *b1));

  Key(view.Handle(), VK_SPACE, true);
  EXPECT_EQ(M::Checked, b1->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxChecked, ShownState(view, *b1));
  EXPECT_EQ(TBoxTreeView::kImageBoxPartial, ShownState(view, *b));
  EXPECT_EQ(b1, view.Selected()) << "the space did not search for a name";
  Key(view.Handle(), VK_SPACE, true);
  EXPECT_EQ(M::Unchecked, b1->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *b));

  // A locked node keeps its box, from the keyboard as from the mouse.
  a->SetLocked(true);
  view.Select(*a);
  Key(view.Handle(), VK_SPACE, true);
  EXPECT_EQ(M::Unchecked, a->Mark());

  // The popup from the keyboard offers what applies to the selected node and does it.
  auto choose = [&](TCheckNode& node, wchar_t key, std::wstring& items) {
    view.Select(node);
    std::thread user([&] {
      HWND popup = testing_support::WaitForWindowOfClass(L"#32768");
      if (!popup) return;
      HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64]{};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const bool grayed =
            (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
        items += std::wstring(text) + (grayed ? L" (off)" : L"") + L";";
      }
      PostMessageW(view.Handle(), WM_KEYDOWN, key, 1);
    });
    SendMessageW(view.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.Handle()), -1);
    user.join();
    Pump();
  };
  std::wstring items;
  view.Select(*b1);
  Key(view.Handle(), VK_SPACE, true);
  ASSERT_EQ(M::Partial, b->Mark());
  choose(*b, L'U', items);
  EXPECT_EQ(L"&Tick\tCtrl+Space;&Untick\tCtrl+Space;", items) << "both apply to a partial branch";
  for (TCheckNode* n : {b, b1, b2}) EXPECT_EQ(M::Unchecked, n->Mark()) << n->Caption();
  items.clear();
  choose(*b, L'T', items);
  EXPECT_EQ(L"&Tick\tCtrl+Space;&Untick\tCtrl+Space (off);", items);
  for (TCheckNode* n : {b, b1, b2}) EXPECT_EQ(M::Checked, n->Mark()) << n->Caption();
  items.clear();
  choose(*b2, L'U', items);
  EXPECT_EQ(L"&Tick\tCtrl+Space (off);&Untick\tCtrl+Space;", items);
  EXPECT_EQ(M::Unchecked, b2->Mark());
  EXPECT_EQ(TBoxTreeView::kImageBoxUnchecked, ShownState(view, *b2));
}

TEST_F(BoxTreeViewTest, WithoutCheckBoxesNoBoxIsShownAndTheClickIsOrdinary) {
  EXPECT_EQ(view.Images(), TreeView_GetImageList(view.Handle(), TVSIL_STATE));
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(view.Images(), &cx, &cy));
  EXPECT_EQ(16, cx);  // the test form is at 96 DPI
  EXPECT_EQ(TBoxTreeView::kImageCount, ImageList_GetImageCount(view.Images()));
  POINT box{};
  ASSERT_TRUE(FindPart(view, *a, TVHT_ONITEMSTATEICON, box));

  EXPECT_TRUE(ShowsBoxOutline(box));

  view.SetCheckBoxes(false);
  EXPECT_EQ(nullptr, TreeView_GetImageList(view.Handle(), TVSIL_STATE));
  EXPECT_FALSE(ShowsBoxOutline(box));
  ClickAt(view.Handle(), box);
  EXPECT_EQ(M::Unchecked, a->Mark());

  view.SetCheckBoxes(true);
  ClickBox(*a);
  EXPECT_EQ(M::Checked, a->Mark());
}

TEST_F(BoxTreeViewTest, ExpandButtonsOfUnreadNodesAreProbedOnlyWhenDrawn) {
  constexpr int kCount = 400;
  TCheckTree& tree = view.Tree();
  TCheckNode& big = Add(root, L"Big");
  std::vector<TCheckNode*> children;
  int probes = 0;
  tree.OnProbe = [&](TCheckNode& n) {
    ++probes;
    return n.Caption().back() != L'1';  // "... 1" has nothing below it
  };
  std::vector<TCheckNode*> expanded;
  tree.OnExpanding = [&](TCheckNode& n) {
    expanded.push_back(&n);
    if (n.ChildrenRead()) return true;
    n.SetChildrenRead(true);
    if (&n == &big) {
      TCheckTree::TUpdate update(tree);
      for (int i = 0; i < kCount; ++i)
        children.push_back(&Add(&n, L"Key " + std::to_wstring(i)));
    } else {
      Add(&n, L"Below");
    }
    return true;
  };
  tree.SetNodeChecked(*b, false);
  tree.Collapse(*b);
  ASSERT_TRUE(tree.Expand(big));
  EXPECT_TRUE(ShownExpanded(view, big));
  SendMessageW(view.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(view.ItemOf(*children[0])));
  UpdateWindow(view.Handle());
  Pump();
  EXPECT_GT(probes, 0);
  EXPECT_LT(probes, 60) << "only the rows in view are probed";

  // Where the probe said none, the button's place does nothing.
  POINT button{};
  ASSERT_TRUE(FindPart(view, *children[1], TVHT_ONITEMBUTTON, button));
  ClickAt(view.Handle(), button);
  EXPECT_EQ(&big, expanded.back());
  EXPECT_FALSE(children[1]->Expanded());
  ASSERT_TRUE(FindPart(view, *children[0], TVHT_ONITEMBUTTON, button));
  ClickAt(view.Handle(), button);
  EXPECT_EQ(children[0], expanded.back());
  EXPECT_TRUE(children[0]->Expanded());
  EXPECT_TRUE(ShownExpanded(view, *children[0]));
  ASSERT_EQ(1u, children[0]->ChildCount());

  // Closed by the user, the model follows; opened again, nothing is read twice.
  ClickAt(view.Handle(), button);
  EXPECT_FALSE(children[0]->Expanded());
  ClickAt(view.Handle(), button);
  EXPECT_TRUE(children[0]->Expanded());
  EXPECT_EQ(1u, children[0]->ChildCount());
}

TEST_F(BoxTreeViewTest, ABigBranchGoesInFromTheMessageLoopInOrderAndWithItsMarks) {
  constexpr int kCount = 3000;
  TCheckTree& tree = view.Tree();
  TCheckNode& big = Add(root, L"Big");
  tree.OnExpanding = [&](TCheckNode& n) {
    if (&n == &big && !n.ChildrenRead()) {
      TCheckTree::TUpdate update(tree);
      for (int i = 0; i < kCount; ++i) Add(&n, L"Key " + std::to_wstring(i));
      n.SetChildrenRead(true);
    }
    return true;
  };
  ASSERT_TRUE(tree.Expand(big));
  EXPECT_GT(view.WaitingCount(), 0u) << "only what can be in view went in at once";
  // Ticked while most of it waits: every item shows the mark it has when it goes in.
  tree.Toggle(big);
  ASSERT_TRUE(PumpUntil([&] { return view.WaitingCount() == 0; }));

  const HWND hwnd = view.Handle();
  EXPECT_EQ(static_cast<UINT>(tree.Count()), TreeView_GetCount(hwnd));
  int i = 0;
  for (HTREEITEM item = TreeView_GetChild(hwnd, view.ItemOf(big)); item;
       item = TreeView_GetNextSibling(hwnd, item), ++i) {
    TVITEMW shown{};
    shown.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
    shown.hItem = item;
    shown.stateMask = TVIS_STATEIMAGEMASK;
    ASSERT_TRUE(TreeView_GetItem(hwnd, &shown));
    ASSERT_EQ(&big.Child(static_cast<size_t>(i)), reinterpret_cast<TCheckNode*>(shown.lParam)) << i;
    ASSERT_EQ(TBoxTreeView::kImageBoxChecked,
              static_cast<int>((shown.state & TVIS_STATEIMAGEMASK) >> 12)) << i;
  }
  EXPECT_EQ(kCount, i);

  // Many changes at once on a hidden tree (a wizard page not shown) leave it hidden.
  ShowWindow(hwnd, SW_HIDE);
  tree.Toggle(big);
  EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(M::Unchecked, big.Child(kCount - 1).Mark());
}

}  // namespace
