// TTreeRegCtrl: fills a check-box tree with the registry: "My Computer", the root keys that can be
// opened for reading, and each key's subkeys read when the key is first opened. It opens the tree
// down to a given key, and turns the ticked keys into "Registry" deletion rows. Root keys and
// protected keys can never be ticked.
//
// Keys are only ever opened for reading. A registry link is shown but never read through: it
// has no children, so neither the user nor a search can reach what it points to.
#pragma once

#include "assisted/DeleteItem.h"
#include "widgets/CheckTree.h"

#include <windows.h>

#include <functional>
#include <string>

// What a key's node knows of its key.
class TKeyNodeData : public TNodeRecord {
public:
  TKeyNodeData(HKEY root, std::wstring path, bool isRoot)
      : RootKey(root), Path(std::move(path)), IsRoot(isRoot) {}

  HKEY RootKey;
  // From the root with a leading backslash (\Software\Vendor); empty for a root key's node.
  std::wstring Path;
  bool IsRoot;
  // Seen to be a registry link when probed or opened.
  bool IsLink = false;
};

class TTreeRegCtrl {
public:
  static constexpr const wchar_t* kComputerCaption = L"My Computer";
  static constexpr const wchar_t* kSearching = L"Searching ... ";

  // Fills `tree`, which must outlive the controller (it takes the tree's handlers while enabled).
  explicit TTreeRegCtrl(TCheckTree& tree) : tree_(tree) {}
  ~TTreeRegCtrl();
  TTreeRegCtrl(const TTreeRegCtrl&) = delete;
  TTreeRegCtrl& operator=(const TTreeRegCtrl&) = delete;

  bool Enable() const noexcept { return enable_; }
  // True builds the root level from nothing (all marks lost); false empties the tree.
  void SetEnable(bool enable);

  HKEY InitialRoot() const noexcept { return initialRoot_; }
  void SetInitialRoot(HKEY root) noexcept { initialRoot_ = root; }
  const std::wstring& InitialKey() const noexcept { return initialKey_; }
  // Stores the path and, with an initial root set, opens the tree down to it, ticking nothing.
  void SetInitialKey(const std::wstring& path);

  // Appends a "Registry" row for each ticked key chosen as a whole, subkeys before their parent.
  void AddCheckedToList(TDeleteRows& rows);

  // Opens the tree down to `path` under the root key's node, if that root is shown.
  void LocateRoot(HKEY root, const std::wstring& path);
  // Walks one line from `node` towards `target`: into a node whose path begins the target (in
  // any letter case, not only at whole key names), past one that does not, until a node's path
  // is the target itself, which is opened.
  void LocateKey(TCheckNode* node, const std::wstring& target);

  TCheckNode* ComputerNode() const noexcept { return computer_; }

  // The status bar that shows the search (simple text), or none.
  void SetStatusBar(HWND statusBar) noexcept { statusBar_ = statusBar; }
  // Told each search step's text as well.
  std::function<void(const std::wstring& text)> OnStatus;
  // Called now and then while a big key is read, so that the window can keep painting.
  std::function<void()> ProcessMessages;

private:
  void BuildRoots();
  void AddRoot(HKEY root, const wchar_t* caption);
  // False when the tree was rebuilt meanwhile (the node is gone).
  bool LoadSubkeys(TCheckNode& node);
  TCheckNode& AddKey(TCheckNode& parent, const std::wstring& name);
  bool TreeExpanding(TCheckNode& node);
  bool TreeCollapsing(TCheckNode& node);
  bool Probe(TCheckNode& node);
  void Status(const std::wstring& text);

  TCheckTree& tree_;
  bool enable_ = false;
  HKEY initialRoot_ = nullptr;
  std::wstring initialKey_;
  TCheckNode* computer_ = nullptr;
  HWND statusBar_ = nullptr;
  unsigned generation_ = 0;  // counts the rebuilds, so a read that outlived its tree stops
};
