#include "widgets/BoxTreeView.h"

#include "images/ImageIds.h"
#include "win/Error.h"
#include "win/Gdi.h"
#include "win/Subclass.h"
#include "win/Window.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

static_assert(IDI_TREE_COUNT == TBoxTreeView::kImageCount);

namespace {

// Subclass ids: one for the control, one (this object) for the parent that gets its notices.
constexpr UINT_PTR kTreeSubclass = 1;
// Posted to the control while items wait to be inserted; each one inserts the next step.
constexpr UINT kInsertMore = WM_APP + 0x2E1;
constexpr size_t kInsertStep = 1000;

// The popup's items: the keys are the same for both, as the box shows which one applies.
const wchar_t kTick[] = L"&Tick\tCtrl+Space";
const wchar_t kUntick[] = L"&Untick\tCtrl+Space";
enum : UINT { kTickCommand = 1, kUntickCommand = 2 };

}  // namespace

TBoxTreeView::TBoxTreeView() { tree_.SetObserver(this); }

TBoxTreeView::~TBoxTreeView() {
  tree_.SetObserver(nullptr);
  if (hwnd_) {
    HWND hwnd = hwnd_;
    Detach();
    DestroyWindow(hwnd);
  }
}

void TBoxTreeView::Create(HWND parent, int x, int y, int width, int height, int id) {
  parent_ = parent;
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                              TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                          x, y, width, height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw win::TError(L"The tree view could not be created");
  SendMessageW(hwnd_, TVM_SETUNICODEFORMAT, TRUE, 0);
  SendMessageW(hwnd_, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  win::SetSubclass(hwnd_, TreeProc, kTreeSubclass, reinterpret_cast<DWORD_PTR>(this));
  win::SetSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this),
                   reinterpret_cast<DWORD_PTR>(this));
  MakeImages();
  // Nodes added before the window existed.
  std::function<void(TCheckNode&)> show = [&](TCheckNode& node) {
    NodeAdded(node);
    for (size_t i = 0; i < node.ChildCount(); ++i) show(node.Child(i));
    if (node.Expanded()) NodeExpandedChanged(node);
  };
  for (size_t i = 0; i < tree_.TopCount(); ++i) show(tree_.Top(i));
}

void TBoxTreeView::Detach() noexcept {
  win::RemoveSubclass(hwnd_, TreeProc, kTreeSubclass);
  if (parent_) win::RemoveSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this));
  hwnd_ = nullptr;
  parent_ = nullptr;
}

void TBoxTreeView::MakeImages() {
  const int size = win::Scale(hwnd_, 16);
  win::UniqueHImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kImageCount, 0));
  for (int i = 0; i < kImageCount; ++i) {
    win::UniqueHIcon icon(static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TREE_FIRST + i), IMAGE_ICON, size, size, 0)));
    ImageList_AddIcon(list.Get(), icon.Get());
  }
  SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list.Get()));
  SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_STATE,
               reinterpret_cast<LPARAM>(checkBoxes_ ? list.Get() : nullptr));
  images_ = std::move(list);
}

void TBoxTreeView::SetCheckBoxes(bool on) {
  checkBoxes_ = on;
  if (hwnd_)
    SendMessageW(hwnd_, TVM_SETIMAGELIST, TVSIL_STATE,
                 reinterpret_cast<LPARAM>(on ? images_.Get() : nullptr));
}

int TBoxTreeView::StateIndex(TCheckMark mark) noexcept {
  switch (mark) {
    case TCheckMark::Unchecked: return kImageBoxUnchecked;
    case TCheckMark::Checked: return kImageBoxChecked;
    case TCheckMark::Partial: return kImageBoxPartial;
    case TCheckMark::None: break;
  }
  return 0;
}

TCheckNode* TBoxTreeView::NodeOf(HTREEITEM item) const {
  if (!hwnd_ || !item) return nullptr;
  TVITEMW tvi{};
  tvi.mask = TVIF_PARAM | TVIF_HANDLE;
  tvi.hItem = item;
  if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi))) return nullptr;
  return reinterpret_cast<TCheckNode*>(tvi.lParam);
}

TCheckNode* TBoxTreeView::Selected() const {
  return NodeOf(reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TBoxTreeView::Select(TCheckNode& node) {
  SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemOf(node)));
}

void TBoxTreeView::NodeAdded(TCheckNode& node) {
  if (!hwnd_) return;
  // Behind nodes still waiting, so that the order of siblings holds.
  if (updating_ || !pending_.empty())
    pending_.push_back(&node);
  else
    Insert(node);
}

void TBoxTreeView::Insert(TCheckNode& node) {
  TVINSERTSTRUCTW insert{};
  // Parents come before their children, so the parent is in the control already.
  insert.hParent = node.Parent() ? static_cast<HTREEITEM>(node.Parent()->ViewItem) : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  TVITEMW& item = insert.item;
  item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;
  item.pszText = const_cast<wchar_t*>(node.Caption().c_str());
  item.iImage = node.Image();
  item.iSelectedImage = node.SelectedImage();
  item.state = INDEXTOSTATEIMAGEMASK(StateIndex(node.Mark()));
  item.stateMask = TVIS_STATEIMAGEMASK;
  item.lParam = reinterpret_cast<LPARAM>(&node);
  item.cChildren = I_CHILDRENCALLBACK;
  node.ViewItem = reinterpret_cast<HTREEITEM>(
      SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TBoxTreeView::NodeRemoving(TCheckNode& node) {
  Flush();
  if (!hwnd_ || !node.ViewItem) return;
  SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(ItemOf(node)));
  node.ViewItem = nullptr;
}

void TBoxTreeView::Quieten() {
  // The control measures the whole tree again after each changed item that it redraws: many
  // changes at once go in with redrawing off, which makes it measure once at the end.
  if (!updating_ || quiet_ || ++batchChanges_ < 4) return;
  SetDrawing(false);
  quiet_ = true;
}

void TBoxTreeView::SetDrawing(bool on) {
  // The control's own flag stops its painting; the window's (WS_VISIBLE, through the default
  // handling) stops the scroll bar being drawn again after each changed item. A hidden control
  // stays hidden.
  if (on) {
    if (heldVisible_) DefWindowProcW(hwnd_, WM_SETREDRAW, TRUE, 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (heldVisible_)
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    heldVisible_ = false;
  } else {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    heldVisible_ = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (heldVisible_) DefWindowProcW(hwnd_, WM_SETREDRAW, FALSE, 0);
  }
}

void TBoxTreeView::NodeChanged(TCheckNode& node) {
  // A node still waiting goes in as it is then.
  if (!hwnd_ || !node.ViewItem) return;
  Quieten();
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
  item.hItem = static_cast<HTREEITEM>(node.ViewItem);
  item.iImage = node.Image();
  item.iSelectedImage = node.SelectedImage();
  item.state = INDEXTOSTATEIMAGEMASK(StateIndex(node.Mark()));
  item.stateMask = TVIS_STATEIMAGEMASK;
  item.cChildren = I_CHILDRENCALLBACK;
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  // The expand button is asked for when the item is drawn.
  RECT rc{};
  if (!quiet_ && TreeView_GetItemRect(hwnd_, item.hItem, &rc, FALSE))
    InvalidateRect(hwnd_, &rc, FALSE);
}

void TBoxTreeView::CaptionChanged(TCheckNode& node) {
  if (!hwnd_ || !node.ViewItem) return;
  Quieten();
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_TEXT;
  item.hItem = static_cast<HTREEITEM>(node.ViewItem);
  item.pszText = const_cast<wchar_t*>(node.Caption().c_str());
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TBoxTreeView::NodeExpandedChanged(TCheckNode& node) {
  if (!hwnd_ || &node == asking_ || !ItemOf(node)) return;
  syncing_ = true;
  SendMessageW(hwnd_, TVM_EXPAND, node.Expanded() ? TVE_EXPAND : TVE_COLLAPSE,
               reinterpret_cast<LPARAM>(ItemOf(node)));
  syncing_ = false;
}

void TBoxTreeView::TreeCleared() {
  pending_.clear();
  pendingAt_ = 0;
  if (!hwnd_) return;
  SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TBoxTreeView::Updating(bool begin) {
  updating_ = begin;
  batchChanges_ = 0;
  if (!begin && quiet_ && hwnd_) SetDrawing(true);
  if (!begin) quiet_ = false;
  if (begin || pending_.empty() || !hwnd_) return;
  // What can be in view now goes in at once; the rest follows in steps from the message loop,
  // so that a key of ten thousand subkeys opens about as fast as its names are read.
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  const int height = std::max(1, static_cast<int>(SendMessageW(hwnd_, TVM_GETITEMHEIGHT, 0, 0)));
  InsertPending(static_cast<size_t>(2 * (rc.bottom / height + 1)));
  if (!pending_.empty() && !insertPosted_)
    insertPosted_ = PostMessageW(hwnd_, kInsertMore, 0, 0) != FALSE;
}

void TBoxTreeView::InsertPending(size_t count) {
  // Items added under an open item while the control redraws would each make it measure the
  // whole tree; with redrawing off it does that once at the end.
  const bool quiet = count > 64 && !quiet_;
  if (quiet) SetDrawing(false);
  for (; count > 0 && pendingAt_ < pending_.size(); --count) Insert(*pending_[pendingAt_++]);
  if (pendingAt_ == pending_.size()) {
    pending_.clear();
    pendingAt_ = 0;
  }
  if (quiet) SetDrawing(true);
}

void TBoxTreeView::Flush() {
  if (hwnd_ && !pending_.empty()) InsertPending(pending_.size());
}

HTREEITEM TBoxTreeView::ItemOf(const TCheckNode& node) const {
  if (!node.ViewItem && !pending_.empty()) const_cast<TBoxTreeView*>(this)->Flush();
  return static_cast<HTREEITEM>(node.ViewItem);
}

bool TBoxTreeView::Notify(const NMHDR& header, LRESULT& result) {
  result = 0;
  switch (header.code) {
    case TVN_GETDISPINFOW: {
      auto& info = const_cast<NMTVDISPINFOW&>(reinterpret_cast<const NMTVDISPINFOW&>(header));
      if (info.item.mask & TVIF_CHILDREN) {
        TCheckNode* node = reinterpret_cast<TCheckNode*>(info.item.lParam);
        bool has = false;
        win::Guarded([&] { has = node && tree_.HasChildren(*node); });
        info.item.cChildren = has ? 1 : 0;
      }
      return true;
    }
    case TVN_ITEMEXPANDINGW: {
      if (syncing_) return true;
      const auto& info = reinterpret_cast<const NMTREEVIEWW&>(header);
      TCheckNode* node = reinterpret_cast<TCheckNode*>(info.itemNew.lParam);
      if (!node) return true;
      const bool expand = (info.action & TVE_EXPAND) != 0;
      bool allowed = false;
      asking_ = node;
      win::Guarded([&] { allowed = expand ? tree_.Expand(*node) : tree_.Collapse(*node); });
      asking_ = nullptr;
      // Refused, or opened and found empty: the control leaves the item as it is.
      result = allowed && node->Expanded() == expand ? FALSE : TRUE;
      return true;
    }
  }
  return false;
}

bool TBoxTreeView::ButtonDown(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (!checkBoxes_) return false;
  TVHITTESTINFO hit{};
  hit.pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  SendMessageW(hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (!(hit.flags & TVHT_ONITEMSTATEICON) || !hit.hItem) return false;
  TCheckNode* node = NodeOf(hit.hItem);
  if (!node || node->Mark() == TCheckMark::None) return false;
  bool canCheck = false;
  win::Guarded([&] { canCheck = tree_.CanToggle(*node); });
  result = 0;
  if (!canCheck) return true;
  result = win::DefSubclass(hwnd, msg, wp, lp);
  // The control's own handling of the click may have run a message loop: find the node again.
  if ((node = NodeOf(hit.hItem)) != nullptr) win::Guarded([&] { tree_.Toggle(*node); });
  return true;
}

bool TBoxTreeView::SetTicked(TCheckNode& node, bool ticked) {
  if (!checkBoxes_ || node.Mark() == TCheckMark::None) return false;
  if (node.Mark() == (ticked ? TCheckMark::Checked : TCheckMark::Unchecked)) return false;
  bool canChange = !ticked || !tree_.IsLocked(node);
  if (canChange && tree_.OnCheckChanging) tree_.OnCheckChanging(node, canChange);
  if (canChange) tree_.SetNodeChecked(node, ticked);
  return canChange;
}

void TBoxTreeView::ShowPopup(LPARAM at) {
  POINT pt{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  HTREEITEM item = nullptr;
  if (pt.x == -1 && pt.y == -1) {
    item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    RECT rc{};
    if (!item || !TreeView_GetItemRect(hwnd_, item, &rc, TRUE)) return;
    pt = {rc.left, rc.bottom};
    ClientToScreen(hwnd_, &pt);
  } else {
    // The row under the pointer is the one the menu acts on, and shows it.
    TVHITTESTINFO hit{};
    hit.pt = pt;
    ScreenToClient(hwnd_, &hit.pt);
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item || !(hit.flags & TVHT_ONITEM)) return;
    SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  TCheckNode* node = NodeOf(item);
  if (!node || !checkBoxes_ || node->Mark() == TCheckMark::None) return;
  win::UniqueHMenu menu(CreatePopupMenu());
  const TCheckMark mark = node->Mark();
  AppendMenuW(menu.Get(), MF_STRING | (mark == TCheckMark::Checked ? MF_GRAYED : 0u),
              kTickCommand, kTick);
  AppendMenuW(menu.Get(), MF_STRING | (mark == TCheckMark::Unchecked ? MF_GRAYED : 0u),
              kUntickCommand, kUntick);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y, 0, hwnd_, nullptr));
  // The menu ran a message loop: find the node again.
  if (chosen && (node = NodeOf(item)) != nullptr) SetTicked(*node, chosen == kTickCommand);
}

LRESULT CALLBACK TBoxTreeView::TreeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR self) noexcept {
  auto* view = reinterpret_cast<TBoxTreeView*>(self);
  switch (msg) {
    case WM_LBUTTONDOWN: {
      LRESULT result = 0;
      if (view->ButtonDown(hwnd, msg, wp, lp, result)) return result;
      break;
    }
    case WM_KEYDOWN:
      // Ctrl+Space is the check-box tree's key for the box; its character must not start a
      // search by name.
      if (wp == VK_SPACE && GetKeyState(VK_CONTROL) < 0 && view->checkBoxes_) {
        view->eatSpace_ = true;
        win::Guarded([&] {
          if (TCheckNode* node = view->Selected())
            view->SetTicked(*node, node->Mark() != TCheckMark::Checked);
        });
        return 0;
      }
      break;
    case WM_CHAR:
      if (std::exchange(view->eatSpace_, false) && wp == L' ') return 0;
      break;
    case WM_CONTEXTMENU:
      win::Guarded([&] { view->ShowPopup(lp); });
      return 0;
    case kInsertMore:
      view->insertPosted_ = false;
      if (!view->pending_.empty()) {
        win::Guarded([&] { view->InsertPending(kInsertStep); });
        if (!view->pending_.empty())
          view->insertPosted_ = PostMessageW(hwnd, kInsertMore, 0, 0) != FALSE;
      }
      return 0;
    case WM_DPICHANGED_AFTERPARENT:
      win::Guarded([&] { view->MakeImages(); });
      break;
    case WM_NCDESTROY:
      view->Detach();
      break;
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TBoxTreeView::ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR self) noexcept {
  auto* view = reinterpret_cast<TBoxTreeView*>(self);
  LRESULT result = 0;
  if (msg == WM_NOTIFY && view->hwnd_ && reinterpret_cast<NMHDR*>(lp)->hwndFrom == view->hwnd_ &&
      view->Notify(*reinterpret_cast<NMHDR*>(lp), result))
    return result;
  return win::DefSubclass(hwnd, msg, wp, lp);
}
