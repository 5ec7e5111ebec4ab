// TBoxTreeView: a tree view that shows a TCheckTree, with a check box in front of each node drawn
// as the item's state image. A click on the box toggles it as TCheckTree::Toggle says, unless the
// model's lock or OnCheckChanging refuses, in which case the click gets no handling at all. The
// space bar does not toggle; Ctrl+Space toggles the selected node's box, and the popup (right
// click, Shift+F10 or the menu key) ticks or unticks it. Expand buttons of unread nodes come from
// the model's probe, asked only for the items the control draws.
#pragma once

#include "widgets/CheckTree.h"
#include "win/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

class TBoxTreeView : private TCheckTreeObserver {
public:
  // The pictures of the image list, shared by node and state images.
  enum TImage : int {
    kImageComputer = 0,
    kImageFolderClosed = 1,
    kImageFolderOpen = 2,
    kImageBoxUnchecked = 3,
    kImageBoxChecked = 4,
    kImageDriveRemovable = 5,
    kImageDriveFixed = 6,
    kImageDriveCD = 7,
    kImageBoxPartial = 8,
    kImageDriveOther = 9,
    kImageCount = 10,
  };

  TBoxTreeView();
  ~TBoxTreeView();
  TBoxTreeView(const TBoxTreeView&) = delete;
  TBoxTreeView& operator=(const TBoxTreeView&) = delete;

  // A bordered tree view with lines and buttons, as a child of `parent`; sizes in pixels.
  void Create(HWND parent, int x, int y, int width, int height, int id = 0);
  HWND Handle() const noexcept { return hwnd_; }

  TCheckTree& Tree() noexcept { return tree_; }
  const TCheckTree& Tree() const noexcept { return tree_; }

  bool CheckBoxes() const noexcept { return checkBoxes_; }
  // Shows the boxes and lets them react to the mouse (true), or hides them (false).
  void SetCheckBoxes(bool on);

  // The pictures at the window's DPI (16 x 16 at 96 DPI).
  HIMAGELIST Images() const noexcept { return images_.Get(); }

  // The node's item (inserted now if it was still waiting).
  HTREEITEM ItemOf(const TCheckNode& node) const;
  // Nodes added that the control does not hold yet: a big branch goes in over a few turns of
  // the message loop once what is in view is shown.
  size_t WaitingCount() const noexcept { return pending_.size() - pendingAt_; }
  TCheckNode* NodeOf(HTREEITEM item) const;
  TCheckNode* Selected() const;
  void Select(TCheckNode& node);

  // Ticks or unticks the node as a click on its box does, asking the lock (when ticking) and
  // OnCheckChanging first; false when the node keeps its mark.
  bool SetTicked(TCheckNode& node, bool ticked);

  // The state image a mark is drawn with (0: none).
  static int StateIndex(TCheckMark mark) noexcept;

private:
  static LRESULT CALLBACK TreeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR self) noexcept;
  static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self) noexcept;
  bool ButtonDown(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // The popup at a screen point (-1, -1: below the selected item, as from the keyboard).
  void ShowPopup(LPARAM at);
  // The notices the view answers itself; the others go on to the parent.
  bool Notify(const NMHDR& header, LRESULT& result);
  void Insert(TCheckNode& node);
  void InsertPending(size_t count);
  void Flush();
  void Quieten();
  void SetDrawing(bool on);
  void MakeImages();
  void Detach() noexcept;

  void NodeAdded(TCheckNode& node) override;
  void NodeRemoving(TCheckNode& node) override;
  void NodeChanged(TCheckNode& node) override;
  void CaptionChanged(TCheckNode& node) override;
  void NodeExpandedChanged(TCheckNode& node) override;
  void TreeCleared() override;
  void Updating(bool begin) override;

  TCheckTree tree_;
  HWND hwnd_ = nullptr, parent_ = nullptr;
  win::UniqueHImageList images_;
  bool checkBoxes_ = true;
  // The node whose expanding or collapsing the control is asking about, and whether the view
  // itself is opening or closing an item: neither must be passed on twice.
  TCheckNode* asking_ = nullptr;
  bool syncing_ = false;
  bool updating_ = false;
  bool quiet_ = false;        // redrawing is off until the update ends
  bool heldVisible_ = false;  // visible when drawing was turned off
  int batchChanges_ = 0;
  std::vector<TCheckNode*> pending_;  // added during an update, in order; from pendingAt_ on
  size_t pendingAt_ = 0;              // not in the control yet
  bool insertPosted_ = false;
  bool eatSpace_ = false;  // the character of a Ctrl+Space that ticked
};
