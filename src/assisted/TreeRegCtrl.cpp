#include "assisted/TreeRegCtrl.h"

#include "assisted/ProtectedPlaces.h"
#include "widgets/BoxTreeView.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <vector>

namespace {

struct TRootKey {
  HKEY Key;
  const wchar_t* Caption;
};

const TRootKey kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, L"HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, L"HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, L"HKEY_DYN_DATA"},
};

// How many names are read between two calls of ProcessMessages.
constexpr DWORD kPumpEvery = 512;

TKeyNodeData* KeyOf(const TCheckNode& node) { return node.RecordAs<TKeyNodeData>(); }

// The key itself, for reading; a link is opened as the link, not as what it points to.
win::UniqueHKey OpenForReading(const TKeyNodeData& key) {
  win::UniqueHKey opened;
  const std::wstring relative = key.Path.empty() ? std::wstring() : key.Path.substr(1);
  if (RegOpenKeyExW(key.RootKey, relative.empty() ? nullptr : relative.c_str(),
                    relative.empty() ? 0 : REG_OPTION_OPEN_LINK, KEY_READ,
                    opened.Put()) != ERROR_SUCCESS)
    opened.Reset();
  return opened;
}

bool IsLink(HKEY key) {
  DWORD type = REG_NONE;
  return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

bool BeginsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

TTreeRegCtrl::~TTreeRegCtrl() {
  if (enable_) {
    tree_.OnExpanding = nullptr;
    tree_.OnCollapsing = nullptr;
    tree_.OnProbe = nullptr;
    tree_.OnLock = nullptr;
  }
}

void TTreeRegCtrl::SetEnable(bool enable) {
  enable_ = enable;
  ++generation_;
  computer_ = nullptr;
  tree_.Clear();
  if (enable) {
    tree_.OnExpanding = [this](TCheckNode& node) { return TreeExpanding(node); };
    tree_.OnCollapsing = [this](TCheckNode& node) { return TreeCollapsing(node); };
    tree_.OnProbe = [this](TCheckNode& node) { return Probe(node); };
    // A root key is protected too: one click would choose every file type or every setting.
    tree_.OnLock = [](const TCheckNode& node) {
      const TKeyNodeData* key = KeyOf(node);
      return key && IsProtectedKey(key->RootKey, key->Path);
    };
    BuildRoots();
  } else {
    tree_.OnExpanding = nullptr;
    tree_.OnCollapsing = nullptr;
    tree_.OnProbe = nullptr;
    tree_.OnLock = nullptr;
  }
}

void TTreeRegCtrl::BuildRoots() {
  TCheckTree::TUpdate update(tree_);
  computer_ = &tree_.AddNode(nullptr, kComputerCaption, TBoxTreeView::kImageComputer,
                             TBoxTreeView::kImageComputer, TCheckMark::None);
  for (const TRootKey& root : kRoots) AddRoot(root.Key, root.Caption);
  computer_->SetChildrenRead(true);
  tree_.Expand(*computer_);
}

void TTreeRegCtrl::AddRoot(HKEY root, const wchar_t* caption) {
  win::UniqueHKey key;
  if (RegOpenKeyExW(root, nullptr, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
  tree_.AddNode(computer_, caption, TBoxTreeView::kImageFolderClosed,
                TBoxTreeView::kImageFolderOpen, TCheckMark::Unchecked,
                std::make_unique<TKeyNodeData>(root, std::wstring(), true));
}

bool TTreeRegCtrl::Probe(TCheckNode& node) {
  TKeyNodeData* key = KeyOf(node);
  if (!key || key->IsLink) return false;
  // A link opened as itself holds no subkeys: no button, and nothing else to ask.
  win::UniqueHKey opened = OpenForReading(*key);
  if (!opened) return false;
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys > 0;
}

bool TTreeRegCtrl::TreeExpanding(TCheckNode& node) {
  if (&node == computer_) return true;
  if (!node.ChildrenRead()) {
    if (!LoadSubkeys(node)) return false;
    node.SetChildrenRead(true);
  }
  tree_.SetImage(node, TBoxTreeView::kImageFolderOpen);
  return true;
}

bool TTreeRegCtrl::TreeCollapsing(TCheckNode& node) {
  // "My Computer" keeps its own picture.
  if (&node != computer_) tree_.SetImage(node, TBoxTreeView::kImageFolderClosed);
  return true;
}

bool TTreeRegCtrl::LoadSubkeys(TCheckNode& node) {
  TKeyNodeData* key = KeyOf(node);
  if (!key || key->IsLink) return true;
  // Messages that run meanwhile may rebuild or empty the tree: the node is then gone.
  const unsigned generation = generation_;
  auto pump = [&](size_t done) {
    if (ProcessMessages && done % kPumpEvery == 0) ProcessMessages();
    return generation == generation_;
  };
  std::vector<std::wstring> names;
  {
    win::UniqueHKey opened = OpenForReading(*key);
    if (!opened) return true;
    if (!key->IsRoot && IsLink(opened.Get())) {
      key->IsLink = true;
      return true;
    }
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return true;
    names.reserve(count);
    std::vector<wchar_t> name(std::max<DWORD>(longest, 255) + 1);
    for (DWORD i = 0;; ++i) {
      DWORD length = static_cast<DWORD>(name.size());
      LSTATUS status =
          RegEnumKeyExW(opened.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA) {
        name.resize(name.size() * 2);
        --i;
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(name.data(), length);
      if (!pump(i + 1)) return false;
    }
  }
  TCheckTree::TUpdate update(tree_);
  for (size_t i = 0; i < names.size(); ++i) {
    AddKey(node, names[i]);
    if (!pump(i + 1)) return false;
  }
  return true;
}

TCheckNode& TTreeRegCtrl::AddKey(TCheckNode& parent, const std::wstring& name) {
  const TKeyNodeData& above = *KeyOf(parent);
  auto key = std::make_unique<TKeyNodeData>(above.RootKey, above.Path + L"\\" + name, false);
  // Whether a key is protected is asked only when it is about to be ticked (OnLock).
  TCheckMark mark = TCheckTree::MarkForNewChild(parent);
  if (mark == TCheckMark::Checked && IsProtectedKey(key->RootKey, key->Path))
    mark = TCheckMark::Unchecked;
  return tree_.AddNode(&parent, name, TBoxTreeView::kImageFolderClosed,
                       TBoxTreeView::kImageFolderOpen, mark, std::move(key));
}

void TTreeRegCtrl::SetInitialKey(const std::wstring& path) {
  initialKey_ = path;
  if (initialRoot_) LocateRoot(initialRoot_, initialKey_);
}

void TTreeRegCtrl::LocateRoot(HKEY root, const std::wstring& path) {
  if (!computer_) return;
  for (size_t i = 0; i < computer_->ChildCount(); ++i) {
    TCheckNode& node = computer_->Child(i);
    if (KeyOf(node)->RootKey == root) {
      LocateKey(&node, path);
      return;
    }
  }
}

void TTreeRegCtrl::LocateKey(TCheckNode* node, const std::wstring& target) {
  while (node) {
    const TKeyNodeData* key = KeyOf(*node);
    if (!key) {
      node = node->NextSibling();
      continue;
    }
    if (key->Path == target) {
      tree_.Expand(*node);
      return;
    }
    const std::wstring examined = key->Path;
    if (BeginsWithNoCase(target, key->Path)) {
      tree_.Expand(*node);
      node = node->FirstChild();
    } else {
      node = node->NextSibling();
    }
    Status(kSearching + examined);
  }
}

void TTreeRegCtrl::Status(const std::wstring& text) {
  if (statusBar_) {
    SendMessageW(statusBar_, SB_SIMPLE, TRUE, 0);
    SendMessageW(statusBar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (OnStatus) OnStatus(text);
}

void TTreeRegCtrl::AddCheckedToList(TDeleteRows& rows) {
  if (!computer_) return;
  for (size_t i = 0; i < computer_->ChildCount(); ++i) {
    TCheckNode& root = computer_->Child(i);
    if (root.Mark() != TCheckMark::Checked && root.Mark() != TCheckMark::Partial) continue;
    tree_.Collect(root, [&rows](TCheckNode& node) {
      const TKeyNodeData& key = *KeyOf(node);
      rows.push_back(MakeDeleteRow(kKindRegistry, key.RootKey, key.Path));
      return !rows.back().Protected;
    });
  }
}
