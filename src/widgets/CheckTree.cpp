#include "widgets/CheckTree.h"

#include "win/FlagSet.h"

namespace {

bool Chosen(TCheckMark mark) noexcept {
  return mark == TCheckMark::Checked || mark == TCheckMark::Partial;
}

}  // namespace

TCheckNode* TCheckNode::NextSibling() const noexcept {
  if (!siblings_ || index_ + 1 >= siblings_->size()) return nullptr;
  return (*siblings_)[index_ + 1].get();
}

TCheckNode& TCheckTree::AddNode(TCheckNode* parent, const std::wstring& caption, int image,
                                int selectedImage, TCheckMark mark,
                                std::unique_ptr<TNodeRecord> record) {
  auto& list = parent ? parent->children_ : top_;
  std::unique_ptr<TCheckNode> node(new TCheckNode());
  node->caption_ = caption;
  node->image_ = image;
  node->selectedImage_ = selectedImage;
  node->mark_ = mark;
  node->parent_ = parent;
  node->siblings_ = &list;
  node->index_ = list.size();
  node->record_ = std::move(record);
  list.push_back(std::move(node));
  TCheckNode& added = *list.back();
  if (observer_) observer_->NodeAdded(added);
  return added;
}

void TCheckTree::RemoveNode(TCheckNode& node) {
  if (observer_) observer_->NodeRemoving(node);
  auto& list = *node.siblings_;
  TCheckNode* parent = node.parent_;
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(node.index_));
  for (size_t i = 0; i < list.size(); ++i) list[i]->index_ = i;
  if (parent && parent->children_.empty()) {
    parent->expanded_ = false;
    Changed(*parent);
  }
}

void TCheckTree::RemoveChildren(TCheckNode& node) {
  if (node.children_.empty()) return;
  TUpdate update(*this);
  if (observer_)
    for (auto& child : node.children_) observer_->NodeRemoving(*child);
  node.children_.clear();
  node.expanded_ = false;
  Changed(node);
}

void TCheckTree::Clear() {
  if (observer_) observer_->TreeCleared();
  top_.clear();
}

void TCheckTree::SetCaption(TCheckNode& node, const std::wstring& caption) {
  node.caption_ = caption;
  if (observer_) observer_->CaptionChanged(node);
}

void TCheckTree::SetImages(TCheckNode& node, int image, int selectedImage) {
  if (node.image_ == image && node.selectedImage_ == selectedImage) return;
  node.image_ = image;
  node.selectedImage_ = selectedImage;
  Changed(node);
}

void TCheckTree::SetMark(TCheckNode& node, TCheckMark mark) {
  if (mark == TCheckMark::Checked && IsLocked(node)) mark = TCheckMark::Unchecked;
  if (node.mark_ == mark) return;
  node.mark_ = mark;
  Changed(node);
}

TCheckNode* TCheckTree::NodeAt(int index) const {
  if (index < 0) return nullptr;
  std::vector<const std::vector<std::unique_ptr<TCheckNode>>*> lists{&top_};
  std::vector<size_t> at{0};
  int i = 0;
  while (!lists.empty()) {
    if (at.back() >= lists.back()->size()) {
      lists.pop_back();
      at.pop_back();
      continue;
    }
    TCheckNode* node = (*lists.back())[at.back()++].get();
    if (i++ == index) return node;
    lists.push_back(&node->children_);
    at.push_back(0);
  }
  return nullptr;
}

int TCheckTree::IndexOf(const TCheckNode& node) const {
  // Every branch before the node on its way up, plus one for each node on the way.
  int index = 0;
  std::function<int(const TCheckNode&)> size = [&size](const TCheckNode& n) {
    int total = 1;
    for (auto& child : n.children_) total += size(*child);
    return total;
  };
  for (const TCheckNode* n = &node; n; n = n->parent_) {
    for (size_t i = 0; i < n->index_; ++i) index += size(*(*n->siblings_)[i]);
    if (n->parent_) ++index;
  }
  return index;
}

int TCheckTree::Count() const {
  int total = 0;
  std::function<void(const TCheckNode&)> count = [&](const TCheckNode& n) {
    ++total;
    for (auto& child : n.children_) count(*child);
  };
  for (auto& node : top_) count(*node);
  return total;
}

bool TCheckTree::IsChecked(int index) const {
  const TCheckNode* node = NodeAt(index);
  return node && node->mark_ == TCheckMark::Checked;
}

void TCheckTree::SetChecked(int index, bool checked) {
  if (TCheckNode* node = NodeAt(index)) SetChecked(*node, checked);
}

void TCheckTree::SetChecked(TCheckNode& node, bool checked) {
  SetMark(node, checked ? TCheckMark::Checked : TCheckMark::Unchecked);
}

void TCheckTree::MarkBranch(TCheckNode& node, TCheckMark mark) {
  for (auto& child : node.children_) {
    // A protected node is never ticked, and ticking stops there: what lies below it is no
    // more chosen than the node itself.
    if (mark == TCheckMark::Checked && IsLocked(*child)) continue;
    if (child->mark_ != TCheckMark::None) SetMark(*child, mark);
    if (child->expanded_) MarkBranch(*child, mark);
  }
}

void TCheckTree::CheckChildren(TCheckNode& node) {
  TUpdate update(*this);
  MarkBranch(node, TCheckMark::Checked);
}

void TCheckTree::UncheckChildren(TCheckNode& node) {
  TUpdate update(*this);
  MarkBranch(node, TCheckMark::Unchecked);
}

bool TCheckTree::AnyChildChecked(const TCheckNode& node) const {
  const auto& list = node.parent_ ? node.parent_->children_ : node.children_;
  for (auto& child : list)
    if (Chosen(child->mark_)) return true;
  return false;
}

void TCheckTree::UpdateParents(TCheckNode& node) {
  for (TCheckNode* n = &node; n->parent_ && n->parent_ != First(); n = n->parent_) {
    TCheckNode& parent = *n->parent_;
    if (parent.mark_ == TCheckMark::None) continue;
    if (!AnyChildChecked(*n))
      SetMark(parent, TCheckMark::Unchecked);
    else if (parent.mark_ != TCheckMark::Checked)
      SetMark(parent, TCheckMark::Partial);
  }
}

void TCheckTree::SetNodeChecked(TCheckNode& node, bool checked) {
  if (checked && IsLocked(node)) return;
  TUpdate update(*this);
  SetChecked(node, checked);
  UpdateParents(node);
  if (checked)
    CheckChildren(node);
  else
    UncheckChildren(node);
}

TCheckMark TCheckTree::MarkForNewChild(const TCheckNode& parent) noexcept {
  return parent.mark_ == TCheckMark::Checked ? TCheckMark::Checked : TCheckMark::Unchecked;
}

bool TCheckTree::CanToggle(TCheckNode& node) {
  if (node.mark_ == TCheckMark::None) return false;
  bool canCheck = node.mark_ == TCheckMark::Checked || !IsLocked(node);
  if (canCheck && OnCheckChanging) OnCheckChanging(node, canCheck);
  return canCheck;
}

void TCheckTree::Toggle(TCheckNode& node) {
  if (node.mark_ == TCheckMark::None) return;
  SetNodeChecked(node, node.mark_ != TCheckMark::Checked);
}

bool TCheckTree::Expand(TCheckNode& node) {
  if (node.expanded_) return true;
  // The handler may let messages run while it reads the branch: nothing opens meanwhile, not
  // even this node again, so no branch is read twice.
  if (expanding_) return false;
  if (OnExpanding) {
    win::TFlagSet expanding(expanding_);
    // Refused, or the tree was rebuilt meanwhile and the node is gone.
    if (!OnExpanding(node)) return false;
  }
  if (node.children_.empty()) {
    Changed(node);  // its expand button may have to go
    return true;
  }
  node.expanded_ = true;
  if (observer_) observer_->NodeExpandedChanged(node);
  return true;
}

bool TCheckTree::Collapse(TCheckNode& node) {
  if (!node.expanded_) return true;
  if (OnCollapsing && !OnCollapsing(node)) return false;
  node.expanded_ = false;
  if (observer_) observer_->NodeExpandedChanged(node);
  return true;
}

bool TCheckTree::IsLocked(TCheckNode& node) {
  if (node.lock_ == TCheckNode::TLock::Unknown)
    node.lock_ = OnLock && OnLock(node) ? TCheckNode::TLock::Yes : TCheckNode::TLock::No;
  return node.lock_ == TCheckNode::TLock::Yes;
}

bool TCheckTree::HasChildren(TCheckNode& node) {
  if (!node.children_.empty()) return true;
  if (node.childrenRead_) return false;
  if (node.probe_ == TCheckNode::TProbe::Unknown)
    node.probe_ = OnProbe && OnProbe(node) ? TCheckNode::TProbe::Some : TCheckNode::TProbe::None;
  return node.probe_ == TCheckNode::TProbe::Some;
}

void TCheckTree::ClearAdded(TCheckNode& node) noexcept {
  node.added_ = false;
  for (auto& child : node.children_) ClearAdded(*child);
}

void TCheckTree::Collect(TCheckNode& from, const std::function<bool(TCheckNode&)>& take) {
  ClearAdded(from);
  CollectBelow(from, take);
}

void TCheckTree::CollectBelow(TCheckNode& node, const std::function<bool(TCheckNode&)>& take) {
  for (auto& child : node.children_) {
    TCheckNode& c = *child;
    if (!Chosen(c.mark_)) continue;
    if (!c.children_.empty()) {
      CollectBelow(c, take);
      bool all = true;
      for (auto& below : c.children_)
        all = all && below->mark_ == TCheckMark::Checked && below->added_;
      if (c.mark_ == TCheckMark::Checked && all) c.added_ = take(c);
    } else if (c.mark_ == TCheckMark::Checked) {
      c.added_ = take(c);
    }
  }
}

void TCheckTree::BeginUpdate() {
  if (updating_++ == 0 && observer_) observer_->Updating(true);
}

void TCheckTree::EndUpdate() {
  if (--updating_ == 0 && observer_) observer_->Updating(false);
}

void TCheckTree::Changed(TCheckNode& node) {
  if (observer_) observer_->NodeChanged(node);
}
