// The check-box tree's marks, clicks, addressing, opening and collection, without a window.
#include "widgets/CheckTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using M = TCheckMark;

// Root (no box) - A - B - D, E; A also holds C. Every node but the root unchecked.
class CheckTreeTest : public ::testing::Test {
protected:
  CheckTreeTest() {
    root = &tree.AddNode(nullptr, L"Root", 0, 0, M::None);
    a = &Add(root, L"A");
    b = &Add(a, L"B");
    d = &Add(b, L"D");
    e = &Add(b, L"E");
    c = &Add(a, L"C");
  }
  TCheckNode& Add(TCheckNode* parent, const std::wstring& caption) {
    return tree.AddNode(parent, caption, 1, 2, M::Unchecked);
  }
  // Opens nodes without handlers, as a view would after they were read.
  void Open(std::initializer_list<TCheckNode*> nodes) {
    for (TCheckNode* n : nodes) ASSERT_TRUE(tree.Expand(*n));
  }
  std::vector<std::wstring> Collected(std::vector<TCheckNode*> refused = {}) {
    std::vector<std::wstring> taken;
    tree.Collect(*root, [&](TCheckNode& n) {
      taken.push_back(n.Caption());
      for (TCheckNode* r : refused)
        if (r == &n) return false;
      return true;
    });
    return taken;
  }

  TCheckTree tree;
  TCheckNode *root, *a, *b, *c, *d, *e;
};

TEST_F(CheckTreeTest, CheckingANodeMarksItsOpenBranchAndOnlyTheDirectChildrenOfClosedOnes) {
  // B closed: checking A marks B and C, not D and E.
  tree.SetNodeChecked(*a, true);
  EXPECT_EQ(M::Checked, b->Mark());
  EXPECT_EQ(M::Checked, c->Mark());
  EXPECT_EQ(M::Unchecked, d->Mark());
  EXPECT_EQ(M::Unchecked, e->Mark());

  tree.SetNodeChecked(*a, false);
  Open({root, a, b});
  tree.Toggle(*a);
  for (TCheckNode* n : {a, b, c, d, e}) EXPECT_EQ(M::Checked, n->Mark()) << n->Caption();
  EXPECT_EQ(M::None, root->Mark());
  tree.Toggle(*a);
  for (TCheckNode* n : {a, b, c, d, e}) EXPECT_EQ(M::Unchecked, n->Mark()) << n->Caption();
}

TEST_F(CheckTreeTest, AMarkThatComesUpFromAChildIsPartialAndGoesWithTheLastChild) {
  Open({root, a, b});
  tree.Toggle(*d);
  tree.Toggle(*e);
  EXPECT_EQ(M::Partial, b->Mark());
  EXPECT_EQ(M::Partial, a->Mark());
  EXPECT_EQ(M::None, root->Mark()) << "the first node is never marked";
  EXPECT_FALSE(tree.IsChecked(tree.IndexOf(*b)));

  tree.Toggle(*d);
  EXPECT_EQ(M::Partial, b->Mark());
  tree.Toggle(*e);
  EXPECT_EQ(M::Unchecked, b->Mark());
  EXPECT_EQ(M::Unchecked, a->Mark());

  // A node the user ticked keeps its own mark while a child is chosen, and loses it with the
  // last one.
  tree.Toggle(*b);
  tree.Toggle(*d);
  EXPECT_EQ(M::Checked, b->Mark());
  EXPECT_EQ(M::Checked, e->Mark());
  tree.Toggle(*e);
  EXPECT_EQ(M::Unchecked, b->Mark());
  EXPECT_EQ(M::Unchecked, a->Mark());

  // Clicking a Partial node ticks it and its branch.
  tree.Toggle(*d);
  ASSERT_EQ(M::Partial, b->Mark());
  tree.Toggle(*b);
  EXPECT_EQ(M::Checked, b->Mark());
  EXPECT_EQ(M::Checked, e->Mark());
  EXPECT_EQ(M::Partial, a->Mark());
  // A child read later takes only a real tick.
  EXPECT_EQ(M::Checked, TCheckTree::MarkForNewChild(*b));
  EXPECT_EQ(M::Unchecked, TCheckTree::MarkForNewChild(*a));
}

TEST_F(CheckTreeTest, ALockedNodeIsNeverTickedNorTickedThroughButShowsAChosenChild) {
  Open({root, a, b});
  b->SetLocked(true);
  EXPECT_FALSE(tree.CanToggle(*b));
  tree.SetNodeChecked(*b, true);
  EXPECT_EQ(M::Unchecked, b->Mark());
  tree.SetChecked(*b, true);
  EXPECT_EQ(M::Unchecked, b->Mark());

  tree.Toggle(*a);
  EXPECT_EQ(M::Checked, c->Mark());
  EXPECT_EQ(M::Unchecked, b->Mark());
  EXPECT_EQ(M::Unchecked, d->Mark()) << "ticking stops at a locked node";

  tree.Toggle(*a);
  tree.Toggle(*d);
  EXPECT_EQ(M::Partial, b->Mark());
  EXPECT_FALSE(tree.CanToggle(*b)) << "a Partial locked node would become Checked";
  EXPECT_TRUE(tree.CanToggle(*d));
}

TEST_F(CheckTreeTest, OnCheckChangingCanRefuseAClick) {
  std::vector<TCheckNode*> asked;
  tree.OnCheckChanging = [&](TCheckNode& n, bool& canCheck) {
    asked.push_back(&n);
    canCheck = &n != c;
  };
  EXPECT_FALSE(tree.CanToggle(*c));
  EXPECT_TRUE(tree.CanToggle(*b));
  EXPECT_FALSE(tree.CanToggle(*root)) << "no box, nothing to ask";
  EXPECT_EQ((std::vector<TCheckNode*>{c, b}), asked);
}

TEST_F(CheckTreeTest, NodesAreAddressedDepthFirstThroughClosedNodesToo) {
  const std::vector<TCheckNode*> order{root, a, b, d, e, c};
  ASSERT_EQ(6, tree.Count());
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(order[static_cast<size_t>(i)], tree.NodeAt(i)) << i;
    EXPECT_EQ(i, tree.IndexOf(*order[static_cast<size_t>(i)])) << i;
  }
  EXPECT_EQ(nullptr, tree.NodeAt(6));
  tree.SetChecked(4, true);
  EXPECT_TRUE(tree.IsChecked(4));
  EXPECT_EQ(M::Checked, e->Mark());
  EXPECT_EQ(M::Unchecked, b->Mark()) << "SetChecked moves nothing else";
  EXPECT_TRUE(tree.AnyChildChecked(*d));
  EXPECT_FALSE(tree.AnyChildChecked(*c));
  EXPECT_TRUE(tree.AnyChildChecked(*root) == false);

  tree.RemoveNode(*b);
  EXPECT_EQ(c, tree.NodeAt(2));
  EXPECT_EQ(nullptr, a->FirstChild()->NextSibling());
}

TEST_F(CheckTreeTest, OpeningAsksTheHandlersAndTheProbeOnlyOnce) {
  TCheckNode& lazy = Add(root, L"Lazy");
  TCheckNode& empty = Add(root, L"Empty");
  int probes = 0;
  tree.OnProbe = [&](TCheckNode&) { return ++probes, true; };
  tree.OnExpanding = [&](TCheckNode& n) {
    if (&n == &lazy) {
      tree.AddNode(&n, L"Read", 1, 2, TCheckTree::MarkForNewChild(n));
      n.SetChildrenRead(true);
    }
    if (&n == &empty) n.SetChildrenRead(true);
    return &n != c;
  };
  bool mayClose = false;
  tree.OnCollapsing = [&](TCheckNode&) { return mayClose; };

  EXPECT_TRUE(tree.HasChildren(lazy));
  EXPECT_TRUE(tree.HasChildren(lazy));
  EXPECT_EQ(1, probes);

  EXPECT_FALSE(tree.Expand(*c)) << "refused";
  EXPECT_FALSE(c->Expanded());
  tree.SetNodeChecked(lazy, true);
  EXPECT_TRUE(tree.Expand(lazy));
  EXPECT_TRUE(lazy.Expanded());
  EXPECT_EQ(M::Checked, lazy.FirstChild()->Mark());
  EXPECT_FALSE(tree.Collapse(lazy));
  EXPECT_TRUE(lazy.Expanded());
  mayClose = true;
  EXPECT_TRUE(tree.Collapse(lazy));
  EXPECT_FALSE(lazy.Expanded());

  EXPECT_TRUE(tree.HasChildren(empty));
  EXPECT_TRUE(tree.Expand(empty));
  EXPECT_FALSE(empty.Expanded()) << "nothing to show";
  EXPECT_FALSE(tree.HasChildren(empty));
}

TEST_F(CheckTreeTest, TheCollectionTakesOnlyWhatWasTickedChildrenBeforeTheirParent) {
  Open({root, a, b});
  // A's subfolders B and C; ticking D and E alone takes D and E, not the parents they mark.
  tree.Toggle(*d);
  tree.Toggle(*e);
  EXPECT_EQ((std::vector<std::wstring>{L"D", L"E"}), Collected());
  EXPECT_TRUE(d->Added());
  EXPECT_FALSE(b->Added());
  tree.Toggle(*d);
  EXPECT_EQ((std::vector<std::wstring>{L"E"}), Collected());
  EXPECT_FALSE(d->Added()) << "each collection starts afresh";

  tree.Toggle(*b);
  EXPECT_EQ((std::vector<std::wstring>{L"D", L"E", L"B"}), Collected());
  // A child that is listed but not taken (protected) keeps its parent out.
  EXPECT_EQ((std::vector<std::wstring>{L"D", L"E"}), Collected({e}));
  EXPECT_FALSE(b->Added());

  // A closed ticked node is taken at once, its unread content with it; A holds both B and C.
  tree.Toggle(*b);
  tree.Toggle(*a);
  EXPECT_EQ((std::vector<std::wstring>{L"D", L"E", L"B", L"C", L"A"}), Collected());
  tree.Collapse(*b);
  tree.Toggle(*b);
  tree.Toggle(*b);
  EXPECT_EQ(M::Checked, d->Mark()) << "closed: its children keep their marks";
  EXPECT_EQ((std::vector<std::wstring>{L"D", L"E", L"B", L"C", L"A"}), Collected());
}

}  // namespace
