// TTreeShellCtrl: turns a check-box tree into a browser of the machine's drives and folders. The
// drives come first under one root; a folder's subfolders are read when the folder is first
// opened, by their exact names (a trailing dot or blank included). Hidden and system folders are
// not shown, except the known folders and those that hold them. Drives can never be ticked. A
// folder that is a link (a junction or a symbolic link) is shown and can be ticked, but nothing
// is ever read through it. Searches open the way down to a folder and may tick it; the ticked
// folders come out as deletion rows, subfolders before their parents.
#pragma once

#include "assisted/DeleteItem.h"
#include "widgets/CheckTree.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TBoxTreeView;

// What a drive or folder node keeps.
class TFolderNodeData : public TNodeRecord {
public:
  TFolderNodeData(std::wstring path, bool link) : Path(std::move(path)), Link(link) {}
  // Full path with a trailing backslash: C:\ for a drive, C:\Program Files\ for a folder. Each
  // name as the file system spells it, a trailing dot or blank included.
  std::wstring Path;
  // A reparse point: its content is never read.
  bool Link = false;
};

class TTreeShellCtrl {
public:
  static constexpr const wchar_t* kRootCaption = L"Drives";
  static constexpr const wchar_t* kSearching = L"Searching ... ";

  TTreeShellCtrl() = default;
  ~TTreeShellCtrl();
  TTreeShellCtrl(const TTreeShellCtrl&) = delete;
  TTreeShellCtrl& operator=(const TTreeShellCtrl&) = delete;

  // The tree this controller fills (not owned); set it before Enable. The tree must outlive the
  // controller, which takes its handlers off it when it goes.
  void SetCheckTree(TCheckTree* tree) noexcept;
  void SetCheckTreeView(TBoxTreeView* view) noexcept;
  TCheckTree* CheckTree() const noexcept { return tree_; }
  // A status bar (not owned) that shows the search progress as simple text; may be none.
  void SetStatusBar(HWND statusBar) noexcept { statusBar_ = statusBar; }
  // Told each search step's text as well (the status bar aside).
  std::function<void(const std::wstring& text)> OnStatus;
  // Lets pending messages run while a big folder is read.
  std::function<void()> ProcessMessages;

  bool Enable() const noexcept { return enable_; }
  // True builds the drive level afresh (all marks are lost); false empties the tree.
  void SetEnable(bool enable);

  // Opens the tree down to the folder (path ending in a backslash) without ticking anything.
  void SetInitialLocation(const std::wstring& path);
  const std::wstring& InitialLocation() const noexcept { return initialLocation_; }
  // Opens the tree down to the folder and ticks it; whether the folder was found.
  bool SelectFolder(const std::wstring& path);
  // Appends a "Folder" row for each folder ticked for itself and chosen as a whole, subfolders
  // before their parents. Drives never become rows.
  void AddCheckedToList(TDeleteRows& rows);

  TCheckNode* DrivesNode() const noexcept { return drives_; }
  // The node of a drive or folder path as the file system spells it; null when not loaded.
  TCheckNode* NodeOfPath(const std::wstring& path) const;
  static const TFolderNodeData* DataOf(const TCheckNode& node) noexcept;

  // The windowless parts, on their own.
  struct TDrive {
    std::wstring Root;  // "C:\"
    UINT Type = DRIVE_UNKNOWN;
  };
  // Every drive letter in use, in order (all 26 fit).
  static std::vector<TDrive> LogicalDrives();
  static std::wstring DriveCaption(wchar_t letter, UINT type, const std::wstring& label);
  static int DriveImage(UINT type) noexcept;
  // The volume's label, empty when it has none or cannot be asked (no disk in the drive).
  static std::wstring GetVolumeLabel(const std::wstring& root);
  // Whether the folder holds any entry, file or folder, that is shown.
  static bool HasEntries(const std::wstring& path);
  struct TSubfolder {
    std::wstring Name;
    bool Link = false;
  };
  // The shown subfolders in the order the file system gives them; pump runs every so often.
  static std::vector<TSubfolder> ListSubfolders(const std::wstring& path,
                                                const std::function<void()>& pump = nullptr);

private:
  void BuildDrives();
  bool TreeExpanding(TCheckNode& node);
  // False when the tree was rebuilt meanwhile (the node is gone).
  bool LoadSubfolders(TCheckNode& node);
  void LocateFolder(TCheckNode* node, const std::wstring& target, bool expandOnly);
  void ShowStatus(const std::wstring& text);
  void Detach() noexcept;

  TCheckTree* tree_ = nullptr;
  HWND statusBar_ = nullptr;
  bool enable_ = false;
  std::wstring initialLocation_;
  TCheckNode* drives_ = nullptr;
  bool found_ = false;
  unsigned generation_ = 0;  // counts the rebuilds, so a read that outlived its tree stops
};
