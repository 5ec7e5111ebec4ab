// TCheckTree: the nodes of a check-box tree, their check marks and how a click moves them, without
// a window. TBoxTreeView shows one; the folder and registry controllers fill one and read it back.
//
// Marks: a box the user (or a search, or a checked ancestor) ticked is Checked; an ancestor that
// only shows that something below it is chosen is Partial. A Partial mark is never a choice: the
// collection descends through it but never takes the node itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TCheckMark { None, Unchecked, Checked, Partial };

// What a controller keeps with a node (a folder path, a key path); owned by the node.
class TNodeRecord {
public:
  virtual ~TNodeRecord() = default;
};

class TCheckNode {
public:
  TCheckNode(const TCheckNode&) = delete;
  TCheckNode& operator=(const TCheckNode&) = delete;

  const std::wstring& Caption() const noexcept { return caption_; }
  int Image() const noexcept { return image_; }
  int SelectedImage() const noexcept { return selectedImage_; }
  TCheckMark Mark() const noexcept { return mark_; }
  bool Expanded() const noexcept { return expanded_; }
  // Never ticked (a protected place): a click, CheckChildren or SetNodeChecked leave it as it is.
  // Unless set here, TCheckTree::IsLocked asks the tree's OnLock when it first matters.
  void SetLocked(bool locked) noexcept { lock_ = locked ? TLock::Yes : TLock::No; }
  // Locked as far as known yet (TCheckTree::IsLocked asks when it is not).
  bool Locked() const noexcept { return lock_ == TLock::Yes; }
  // Taken by the current collection.
  bool Added() const noexcept { return added_; }
  // The children have been read (by the controller's expanding handler).
  bool ChildrenRead() const noexcept { return childrenRead_; }
  void SetChildrenRead(bool read) noexcept { childrenRead_ = read; }

  TCheckNode* Parent() const noexcept { return parent_; }
  size_t ChildCount() const noexcept { return children_.size(); }
  TCheckNode& Child(size_t i) const { return *children_.at(i); }
  TCheckNode* FirstChild() const noexcept { return children_.empty() ? nullptr : children_.front().get(); }
  TCheckNode* NextSibling() const noexcept;

  TNodeRecord* Record() const noexcept { return record_.get(); }
  template <class T>
  T* RecordAs() const noexcept { return dynamic_cast<T*>(record_.get()); }

  // The view's handle of the item that shows this node.
  void* ViewItem = nullptr;

private:
  friend class TCheckTree;
  TCheckNode() = default;

  std::wstring caption_;
  int image_ = -1, selectedImage_ = -1;
  TCheckMark mark_ = TCheckMark::None;
  bool expanded_ = false, added_ = false, childrenRead_ = false;
  enum class TLock : char { Unknown, No, Yes } lock_ = TLock::Unknown;
  // Whether unread children exist: asked of the probe once, when first needed.
  enum class TProbe { Unknown, Some, None } probe_ = TProbe::Unknown;
  TCheckNode* parent_ = nullptr;
  std::vector<std::unique_ptr<TCheckNode>>* siblings_ = nullptr;  // the list holding it
  size_t index_ = 0;                                              // its place there
  std::vector<std::unique_ptr<TCheckNode>> children_;
  std::unique_ptr<TNodeRecord> record_;
};

// What a view is told so that it shows the tree as it is.
class TCheckTreeObserver {
public:
  virtual void NodeAdded(TCheckNode& node) = 0;
  // Before the node and its branch go.
  virtual void NodeRemoving(TCheckNode& node) = 0;
  // Pictures or mark changed, or whether it has children.
  virtual void NodeChanged(TCheckNode& node) = 0;
  virtual void CaptionChanged(TCheckNode& node) = 0;
  virtual void NodeExpandedChanged(TCheckNode& node) = 0;
  virtual void TreeCleared() = 0;
  // Many changes follow (true) or are over (false): a view may hold back its drawing meanwhile.
  virtual void Updating(bool begin) = 0;

protected:
  ~TCheckTreeObserver() = default;
};

class TCheckTree {
public:
  TCheckTree() = default;
  TCheckTree(const TCheckTree&) = delete;
  TCheckTree& operator=(const TCheckTree&) = delete;

  void SetObserver(TCheckTreeObserver* observer) noexcept { observer_ = observer; }

  // Adds a node as the last child of `parent` (null: at the top level).
  TCheckNode& AddNode(TCheckNode* parent, const std::wstring& caption, int image, int selectedImage,
                      TCheckMark mark, std::unique_ptr<TNodeRecord> record = nullptr);
  void RemoveNode(TCheckNode& node);
  void RemoveChildren(TCheckNode& node);
  void Clear();

  size_t TopCount() const noexcept { return top_.size(); }
  TCheckNode* First() const noexcept { return top_.empty() ? nullptr : top_.front().get(); }
  TCheckNode& Top(size_t i) const { return *top_.at(i); }

  void SetCaption(TCheckNode& node, const std::wstring& caption);
  void SetImages(TCheckNode& node, int image, int selectedImage);
  void SetImage(TCheckNode& node, int image) { SetImages(node, image, node.selectedImage_); }
  // Sets the mark as it is (a locked node is never Checked); nothing else moves.
  void SetMark(TCheckNode& node, TCheckMark mark);

  // Absolute index: depth-first through all nodes, expanded or not, from 0 at the first node.
  TCheckNode* NodeAt(int index) const;
  int IndexOf(const TCheckNode& node) const;
  int Count() const;

  bool IsChecked(int index) const;
  // Checked (true) or Unchecked (false); nothing else changes.
  void SetChecked(int index, bool checked);
  void SetChecked(TCheckNode& node, bool checked);
  // Marks the node's children, and theirs down through expanded nodes, Checked or Unchecked.
  void CheckChildren(TCheckNode& node);
  void UncheckChildren(TCheckNode& node);
  // Each ancestor below the first node: Unchecked when nothing below it is Checked or Partial,
  // else Checked when the user ticked it, else Partial.
  void UpdateParents(TCheckNode& node);
  // Whether the node or a sibling is Checked or Partial; for a top-level node, one of its
  // children.
  bool AnyChildChecked(const TCheckNode& node) const;
  void SetNodeChecked(TCheckNode& node, bool checked);
  // The mark a child read now takes from its parent: Checked under a Checked parent.
  static TCheckMark MarkForNewChild(const TCheckNode& parent) noexcept;

  // A click on the node's box: whether it may change (the lock and OnCheckChanging), then the
  // change itself (Checked becomes Unchecked, anything else Checked, the branch and the ancestors
  // following).
  bool CanToggle(TCheckNode& node);
  void Toggle(TCheckNode& node);

  // Opens or closes a node, asking the handlers first; false when they refuse. A node is only
  // open while it has children. No node opens while the expanding handler runs.
  bool Expand(TCheckNode& node);
  bool Collapse(TCheckNode& node);
  // Whether the node shows an expand button: its children when read, else the probe's answer
  // (asked once).
  bool HasChildren(TCheckNode& node);
  // Forgets the probe's answer, as after the node's content changed.
  void ResetProbe(TCheckNode& node) noexcept { node.probe_ = TCheckNode::TProbe::Unknown; }

  // The collection: walks the children of `from` that are Checked or Partial, depth-first, and
  // hands `take` each node that was itself checked and is chosen as a whole: an unread or empty
  // node at once, a node with children after them, when every child is Checked and was taken.
  // `take` returns whether it took the node (a protected place is listed but not taken). Clears
  // the Added flags of the branch first.
  void Collect(TCheckNode& from, const std::function<bool(TCheckNode&)>& take);

  // May veto a click (set the flag to false): called before a click changes a mark.
  std::function<void(TCheckNode& node, bool& canCheck)> OnCheckChanging;
  // Before a node opens or closes; false refuses. The expanding handler reads the children; it
  // returns false when the tree was rebuilt meanwhile.
  std::function<bool(TCheckNode& node)> OnExpanding;
  std::function<bool(TCheckNode& node)> OnCollapsing;
  // Whether a node whose children are not read yet has any.
  std::function<bool(TCheckNode& node)> OnProbe;
  // Whether a node may never be ticked; asked once per node, only for nodes about to be ticked.
  std::function<bool(const TCheckNode& node)> OnLock;
  bool IsLocked(TCheckNode& node);

  // Holds the view's drawing back while a branch is filled.
  class TUpdate {
  public:
    explicit TUpdate(TCheckTree& tree) : tree_(tree) { tree_.BeginUpdate(); }
    ~TUpdate() { tree_.EndUpdate(); }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;

  private:
    TCheckTree& tree_;
  };
  void BeginUpdate();
  void EndUpdate();

private:
  void MarkBranch(TCheckNode& node, TCheckMark mark);
  void CollectBelow(TCheckNode& node, const std::function<bool(TCheckNode&)>& take);
  static void ClearAdded(TCheckNode& node) noexcept;
  void Changed(TCheckNode& node);

  std::vector<std::unique_ptr<TCheckNode>> top_;
  TCheckTreeObserver* observer_ = nullptr;
  int updating_ = 0;
  bool expanding_ = false;
};
