#include "widgets/BoxTreeView.h"

#include <windowsx.h>

#include "images/ImageIds.h"
#include "win/Error.h"
#include "win/Gdi.h"
#include "win/Window.h"

static_assert(IDI_TREE_COUNT == TBoxTreeView::kImageCount);

namespace {

// Subclass ids: one for the control, one (this object) for the parent that gets its notices.
constexpr UINT_PTR kTreeSubclass = 1;

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
  SetWindowSubclass(hwnd_, TreeProc, kTreeSubclass, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this),
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
  RemoveWindowSubclass(hwnd_, TreeProc, kTreeSubclass);
  if (parent_) RemoveWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this));
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
  TVINSERTSTRUCTW insert{};
  insert.hParent = node.Parent() ? ItemOf(*node.Parent()) : TVI_ROOT;
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
  if (!hwnd_ || !node.ViewItem) return;
  SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(ItemOf(node)));
  node.ViewItem = nullptr;
}

void TBoxTreeView::NodeChanged(TCheckNode& node) {
  if (!hwnd_ || !node.ViewItem) return;
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
  item.hItem = ItemOf(node);
  item.iImage = node.Image();
  item.iSelectedImage = node.SelectedImage();
  item.state = INDEXTOSTATEIMAGEMASK(StateIndex(node.Mark()));
  item.stateMask = TVIS_STATEIMAGEMASK;
  item.cChildren = I_CHILDRENCALLBACK;
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  // The expand button is asked for when the item is drawn.
  RECT rc{};
  if (TreeView_GetItemRect(hwnd_, item.hItem, &rc, FALSE)) InvalidateRect(hwnd_, &rc, FALSE);
}

void TBoxTreeView::CaptionChanged(TCheckNode& node) {
  if (!hwnd_ || !node.ViewItem) return;
  TVITEMW item{};
  item.mask = TVIF_HANDLE | TVIF_TEXT;
  item.hItem = ItemOf(node);
  item.pszText = const_cast<wchar_t*>(node.Caption().c_str());
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TBoxTreeView::NodeExpandedChanged(TCheckNode& node) {
  if (!hwnd_ || !node.ViewItem || &node == asking_) return;
  syncing_ = true;
  SendMessageW(hwnd_, TVM_EXPAND, node.Expanded() ? TVE_EXPAND : TVE_COLLAPSE,
               reinterpret_cast<LPARAM>(ItemOf(node)));
  syncing_ = false;
}

void TBoxTreeView::TreeCleared() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TBoxTreeView::Updating(bool begin) {
  if (!hwnd_) return;
  SendMessageW(hwnd_, WM_SETREDRAW, begin ? FALSE : TRUE, 0);
  if (!begin) InvalidateRect(hwnd_, nullptr, TRUE);
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
  result = DefSubclassProc(hwnd, msg, wp, lp);
  // The control's own handling of the click may have run a message loop: find the node again.
  if ((node = NodeOf(hit.hItem)) != nullptr) win::Guarded([&] { tree_.Toggle(*node); });
  return true;
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
    case WM_DPICHANGED_AFTERPARENT:
      win::Guarded([&] { view->MakeImages(); });
      break;
    case WM_NCDESTROY:
      view->Detach();
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TBoxTreeView::ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR self) noexcept {
  auto* view = reinterpret_cast<TBoxTreeView*>(self);
  LRESULT result = 0;
  if (msg == WM_NOTIFY && view->hwnd_ && reinterpret_cast<NMHDR*>(lp)->hwndFrom == view->hwnd_ &&
      view->Notify(*reinterpret_cast<NMHDR*>(lp), result))
    return result;
  return DefSubclassProc(hwnd, msg, wp, lp);
}
