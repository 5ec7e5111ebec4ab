#include "assisted/TreeShellCtrl.h"

#include "assisted/ProtectedPlaces.h"
#include "widgets/BoxTreeView.h"
#include "win/FileSystemTree.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <commctrl.h>

#include <memory>

namespace {

// How many entries are read between two chances for pending messages to run.
constexpr size_t kPumpEvery = 256;

// No "insert a disk" box from the system while an empty drive is asked about.
class TNoCriticalErrorBoxes {
public:
  TNoCriticalErrorBoxes() noexcept : previous_(GetErrorMode()) {
    SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
  }
  ~TNoCriticalErrorBoxes() { SetErrorMode(previous_); }
  TNoCriticalErrorBoxes(const TNoCriticalErrorBoxes&) = delete;
  TNoCriticalErrorBoxes& operator=(const TNoCriticalErrorBoxes&) = delete;

private:
  UINT previous_;
};

constexpr DWORD kUnseen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The folder's entries, named as the file system names them: the \\?\ form keeps a trailing dot
// or blank of a name ("Photos." beside "Photos"), which Win32 would drop.
std::wstring EntriesPattern(const std::wstring& folder) {
  const std::wstring literal = win::LiteralPath(folder);
  return (literal.empty() ? folder : literal) + L"*";
}

// Whether an entry of the folder `path` is shown. Hidden and system entries are not, except the
// known folders and those that hold them: Windows hides AppData and ProgramData, where the
// Start-menu folders and per-user programs live.
bool IsShown(const std::wstring& path, const WIN32_FIND_DATAW& entry) {
  if (!(entry.dwFileAttributes & kUnseen)) return true;
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         IsKnownFolderOrAncestor(path + entry.cFileName);
}

}  // namespace

TTreeShellCtrl::~TTreeShellCtrl() { Detach(); }

void TTreeShellCtrl::SetCheckTree(TCheckTree* tree) noexcept {
  if (tree == tree_) return;
  Detach();
  tree_ = tree;
  enable_ = false;
}

void TTreeShellCtrl::SetCheckTreeView(TBoxTreeView* view) noexcept {
  SetCheckTree(view ? &view->Tree() : nullptr);
}

void TTreeShellCtrl::Detach() noexcept {
  if (tree_ && enable_) {
    tree_->OnExpanding = nullptr;
    tree_->OnProbe = nullptr;
  }
  drives_ = nullptr;
  ++generation_;
}

void TTreeShellCtrl::SetEnable(bool enable) {
  enable_ = enable;
  ++generation_;
  if (!tree_) return;
  drives_ = nullptr;
  tree_->Clear();
  if (enable) {
    tree_->OnExpanding = [this](TCheckNode& node) { return TreeExpanding(node); };
    // Asked only for the nodes the view draws: one look into the folder each.
    tree_->OnProbe = [](TCheckNode& node) {
      const TFolderNodeData* data = DataOf(node);
      return data && !data->Link && HasEntries(data->Path);
    };
    BuildDrives();
  } else {
    tree_->OnExpanding = nullptr;
    tree_->OnProbe = nullptr;
  }
}

void TTreeShellCtrl::BuildDrives() {
  TCheckTree::TUpdate update(*tree_);
  drives_ = &tree_->AddNode(nullptr, kRootCaption, TBoxTreeView::kImageComputer,
                            TBoxTreeView::kImageComputer, TCheckMark::None);
  for (const TDrive& drive : LogicalDrives()) {
    const std::wstring label = drive.Type == DRIVE_FIXED ? GetVolumeLabel(drive.Root) : L"";
    const int image = DriveImage(drive.Type);
    // A drive is never ticked: one click would choose every unprotected folder on it.
    tree_->AddNode(drives_, DriveCaption(drive.Root[0], drive.Type, label), image, image,
                   TCheckMark::Unchecked, std::make_unique<TFolderNodeData>(drive.Root, false))
        .SetLocked(true);
  }
  tree_->Expand(*drives_);
}

bool TTreeShellCtrl::TreeExpanding(TCheckNode& node) {
  if (&node == drives_) return true;
  const TFolderNodeData* data = DataOf(node);
  if (data && !node.ChildrenRead()) {
    // A link is never followed: what lies behind it belongs to another folder.
    if (!data->Link && !LoadSubfolders(node)) return false;
    node.SetChildrenRead(true);
  }
  return true;
}

bool TTreeShellCtrl::LoadSubfolders(TCheckNode& node) {
  const std::wstring path = DataOf(node)->Path;
  // Messages that run meanwhile may rebuild or empty the tree: the node is then gone.
  const unsigned generation = generation_;
  const std::vector<TSubfolder> folders = ListSubfolders(path, ProcessMessages);
  if (generation != generation_) return false;
  TCheckTree::TUpdate update(*tree_);
  size_t added = 0;
  for (const TSubfolder& folder : folders) {
    std::wstring childPath = path + folder.Name + L"\\";
    // A protected folder can never be ticked, so a tick given to a folder above it stops there.
    const bool locked = IsProtectedPath(childPath.substr(0, childPath.size() - 1));
    TCheckNode& child = tree_->AddNode(
        &node, folder.Name, TBoxTreeView::kImageFolderClosed, TBoxTreeView::kImageFolderOpen,
        locked ? TCheckMark::Unchecked : TCheckTree::MarkForNewChild(node),
        std::make_unique<TFolderNodeData>(std::move(childPath), folder.Link));
    child.SetLocked(locked);
    if (ProcessMessages && ++added % kPumpEvery == 0) {
      ProcessMessages();
      if (generation != generation_) return false;
    }
  }
  return true;
}

void TTreeShellCtrl::LocateFolder(TCheckNode* node, const std::wstring& target, bool expandOnly) {
  for (; node; node = node->NextSibling()) {
    const TFolderNodeData* data = DataOf(*node);
    if (!data) continue;
    if (data->Path == target) {
      if (expandOnly)
        tree_->Expand(*node);
      else
        tree_->SetNodeChecked(*node, true);
      found_ = true;
      return;
    }
    // Paths end in a backslash, so this matches at whole folder names only.
    if (win::StartsWithNoCase(target, data->Path)) {
      const unsigned generation = generation_;
      tree_->Expand(*node);
      if (generation != generation_) return;
      ShowStatus(kSearching + data->Path);
      LocateFolder(node->FirstChild(), target, expandOnly);
    }
  }
}

void TTreeShellCtrl::ShowStatus(const std::wstring& text) {
  if (statusBar_) {
    SendMessageW(statusBar_, SB_SIMPLE, TRUE, 0);
    SendMessageW(statusBar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
    UpdateWindow(statusBar_);
  }
  if (OnStatus) OnStatus(text);
}

bool TTreeShellCtrl::SelectFolder(const std::wstring& path) {
  found_ = false;
  if (drives_) LocateFolder(drives_->FirstChild(), path, false);
  return found_;
}

void TTreeShellCtrl::SetInitialLocation(const std::wstring& path) {
  initialLocation_ = path;
  if (drives_) LocateFolder(drives_->FirstChild(), path, true);
}

void TTreeShellCtrl::AddCheckedToList(TDeleteRows& rows) {
  if (!drives_) return;
  tree_->Collect(*drives_, [&](TCheckNode& node) {
    const TFolderNodeData* data = DataOf(node);
    if (!data) return false;
    std::wstring path = data->Path;
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    rows.push_back(MakeDeleteRow(kKindFolder, nullptr, path));
    // A protected folder is listed but not taken, so its parent is not taken as a whole either.
    return !rows.back().Protected;
  });
}

TCheckNode* TTreeShellCtrl::NodeOfPath(const std::wstring& path) const {
  TCheckNode* node = drives_ ? drives_->FirstChild() : nullptr;
  while (node) {
    const TFolderNodeData* data = DataOf(*node);
    if (data && data->Path == path) return node;
    if (data && path.compare(0, data->Path.size(), data->Path) == 0)
      node = node->FirstChild();
    else
      node = node->NextSibling();
  }
  return nullptr;
}

const TFolderNodeData* TTreeShellCtrl::DataOf(const TCheckNode& node) noexcept {
  return node.RecordAs<TFolderNodeData>();
}

std::vector<TTreeShellCtrl::TDrive> TTreeShellCtrl::LogicalDrives() {
  // Asked for the size first: room for all 26 letters, not just a fixed few.
  std::wstring text;
  for (DWORD size = GetLogicalDriveStringsW(0, nullptr); size > 0;) {
    text.assign(size + 1, L'\0');
    DWORD length = GetLogicalDriveStringsW(size, text.data());
    if (length == 0) return {};
    if (length < size) break;
    size = length + 1;
  }
  std::vector<TDrive> drives;
  for (const wchar_t* entry = text.c_str(); *entry; entry += wcslen(entry) + 1)
    drives.push_back({entry, GetDriveTypeW(entry)});
  return drives;
}

std::wstring TTreeShellCtrl::DriveCaption(wchar_t letter, UINT type, const std::wstring& label) {
  const std::wstring drive = std::wstring(1, letter) + L":)";
  switch (type) {
    case DRIVE_REMOVABLE: return L"Drive  (" + drive;
    case DRIVE_FIXED: return label + L" (" + drive;
    case DRIVE_CDROM: return L"CD Drive  (" + drive;
    case DRIVE_REMOTE: return L"Network Drive  (" + drive;
    case DRIVE_RAMDISK: return L"RAM Disk  (" + drive;
    default: return L"Drive  (" + drive;
  }
}

int TTreeShellCtrl::DriveImage(UINT type) noexcept {
  switch (type) {
    case DRIVE_REMOVABLE: return TBoxTreeView::kImageDriveRemovable;
    case DRIVE_FIXED: return TBoxTreeView::kImageDriveFixed;
    case DRIVE_CDROM: return TBoxTreeView::kImageDriveCD;
    default: return TBoxTreeView::kImageDriveOther;
  }
}

std::wstring TTreeShellCtrl::GetVolumeLabel(const std::wstring& root) {
  if (root.empty()) return {};
  TNoCriticalErrorBoxes quiet;
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                             0))
    return {};
  return name;
}

bool TTreeShellCtrl::HasEntries(const std::wstring& path) {
  if (path.empty()) return false;
  TNoCriticalErrorBoxes quiet;
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW(EntriesPattern(path).c_str(), FindExInfoBasic,
                                        &found, FindExSearchNameMatch, nullptr, 0));
  if (!find) return false;
  do {
    if (IsShown(path, found)) return true;
  } while (FindNextFileW(find.Get(), &found));
  return false;
}

std::vector<TTreeShellCtrl::TSubfolder> TTreeShellCtrl::ListSubfolders(
    const std::wstring& path, const std::function<void()>& pump) {
  std::vector<TSubfolder> folders;
  TNoCriticalErrorBoxes quiet;
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW(EntriesPattern(path).c_str(), FindExInfoBasic,
                                        &found, FindExSearchLimitToDirectories, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return folders;
  size_t seen = 0;
  do {
    if (pump && ++seen % kPumpEvery == 0) pump();
    const DWORD attributes = found.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || !IsShown(path, found)) continue;
    folders.push_back({name, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(find.Get(), &found));
  return folders;
}
