#include "leftovers/LeftoverFinder.h"

#include "assisted/ProtectedPlaces.h"
#include "inventory/UninstallItem.h"
#include "leftovers/LeftoverReads.h"
#include "leftovers/LeftoverRules.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_set>

// The search: each place is listed once (one enumeration per key, one listing per folder) and only
// what a name or a pointer singles out is opened further, because under Wine every registry call
// and every file probe is a round trip to the server. The 32-bit registry view is read through its
// WOW6432Node key, which is how the finds spell it.
using namespace leftovers;

namespace {

constexpr int kStartMenuDepth = 3;

// Reads the targets of shortcuts with one shell link object: creating one per shortcut costs as
// much as reading it.
class TShortcutTargets {
 public:
  TShortcutTargets() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link_.PutVoid())) ||
        FAILED(link_->QueryInterface(IID_IPersistFile, file_.PutVoid())))
      file_.Reset();
  }
  // The file the shortcut starts; empty when it cannot be read. Where the stored path has lost
  // letters the ANSI code page cannot spell ("?"), the item list holds the target in full.
  std::wstring Target(const std::wstring& path) {
    if (!file_ || FAILED(file_->Load(path.c_str(), STGM_READ))) return {};
    wchar_t buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(link_->GetPath(buffer, MAX_PATH + 1, nullptr, SLGP_RAWPATH)) && buffer[0] &&
        !wcschr(buffer, L'?'))
      return buffer;
    PIDLIST_ABSOLUTE items = nullptr;
    HRESULT listed = link_->GetIDList(&items);
    win::UniqueCoTaskMemory itemsMemory(items);
    buffer[0] = L'\0';
    if (SUCCEEDED(listed) && items && SHGetPathFromIDListW(items, buffer)) return buffer;
    return {};
  }

 private:
  win::ComPtr<IShellLinkW> link_;
  win::ComPtr<IPersistFile> file_;
};

// Another installed program, with its names compared as names are.
struct TOther {
  const TOtherProgram* Program;
  std::wstring Name, Publisher;
};

// A find being gathered: the same place reached twice adds evidence to one row.
struct TGathered {
  TLeftover Find;
  std::vector<TLeftoverEvidence> Evidence;
  bool ByName = false;  // found by its name, so names weigh against it as well
  bool Has(TLeftoverRule rule) const {
    return std::any_of(Evidence.begin(), Evidence.end(),
                       [rule](const auto& e) { return e.Rule == rule; });
  }
};

bool IsNameRule(TLeftoverRule rule) {
  return rule == TLeftoverRule::ExactName || rule == TLeftoverRule::ExactNameUnderPublisher ||
         rule == TLeftoverRule::NearName || rule == TLeftoverRule::PartialName ||
         rule == TLeftoverRule::PublisherFolderOnlyProgram;
}

class TSearch {
 public:
  TSearch(const TSearchPlaces& places, const TProgramFacts& program,
          const std::vector<TOtherProgram>& others)
      : places_(places), program_(program) {
    name_ = NormalName(program.Name, program.Version);
    publisher_ = NormalPublisher(program.Publisher);
    // "Acme Widget" by Acme: under Acme's folder the program's own folder is often "Widget".
    if (!publisher_.empty() && name_.size() > publisher_.size() + 2 &&
        name_.rfind(publisher_, 0) == 0)
      shortName_ = name_.substr(publisher_.size());
    // A shared or system folder given as the program's own points at everyone's files.
    auto addOwn = [this](const std::wstring& folder) {
      if (!folder.empty() && !IsProtectedPath(folder) && !IsKnownFolderOrAncestor(folder))
        folders_.push_back(WithoutTrailingBackslash(folder));
    };
    for (const TOtherProgram& other : others)
      others_.push_back({&other, NormalName(other.Name), NormalPublisher(other.Publisher)});
    addOwn(program.InstallFolder);
    // A further folder another program uses too (a shared Common Files folder) tells nothing
    // about whose a pointer into it is.
    for (const std::wstring& folder : program.OtherFolders)
      if (!IsUsedByOther(folder)) addOwn(folder);
  }

  std::vector<TLeftover> Run() {
    ProgramFolders();
    for (const std::wstring& place : places_.ProgramFolders) SharedFolder(place);
    for (const std::wstring& place : places_.DataFolders) SharedFolder(place);
    for (const std::wstring& menu : places_.StartMenus) StartMenu(menu);
    for (const std::wstring& desktop : places_.Desktops) Shortcuts(desktop);
    for (const TKeyPlace& software : SoftwareKeys()) SoftwareKey(software);
    for (const TKeyPlace& run : CurrentVersionKeys(L"Run")) RunValues(run);
    for (const TKeyPlace& run : CurrentVersionKeys(L"RunOnce")) RunValues(run);
    for (const TKeyPlace& appPaths : CurrentVersionKeys(L"App Paths")) AppPaths(appPaths);
    for (const TKeyPlace& clsid : ClsidKeys()) ComClasses(clsid);
    FileTypes();
    return Weighed();
  }

 private:
  // --- What points into the program's folders.

  bool IsUsedByOther(const std::wstring& folder) const {
    for (const TOther& other : others_)
      for (const std::wstring& used : other.Program->Folders)
        if (IsPathAtOrInside(folder, used) || IsPathAtOrInside(used, folder)) return true;
    return false;
  }

  bool PointsIntoProgram(const std::wstring& command) const {
    std::wstring file = WithoutTrailingBackslash(CommandFile(command));
    if (!IsFullPath(file)) return false;
    return std::any_of(folders_.begin(), folders_.end(),
                       [&](const std::wstring& f) { return IsPathAtOrInside(file, f); });
  }

  TNameMatch Match(const std::wstring& name, bool underPublisher) const {
    std::wstring normal = NormalName(name);
    TNameMatch match = MatchName(normal, name_);
    if (!shortName_.empty() && match != TNameMatch::Exact) {
      TNameMatch second = MatchName(normal, shortName_);
      // The short name alone is exact only in the publisher's own folder.
      if (second == TNameMatch::Exact && !underPublisher) second = TNameMatch::Partial;
      match = std::max(match, second);
    }
    return match;
  }

  static std::optional<TLeftoverRule> NameRule(TNameMatch match, bool underPublisher) {
    switch (match) {
      case TNameMatch::Exact:
        return underPublisher ? TLeftoverRule::ExactNameUnderPublisher : TLeftoverRule::ExactName;
      case TNameMatch::Near: return TLeftoverRule::NearName;
      case TNameMatch::Partial: return TLeftoverRule::PartialName;
      case TNameMatch::None: break;
    }
    return std::nullopt;
  }

  bool IsPublisherName(const std::wstring& name) const {
    return !publisher_.empty() && NormalPublisher(name) == publisher_;
  }

  // --- Gathering.

  TGathered& Gather(TLeftoverKind kind, HKEY root, const std::wstring& path,
                    const std::wstring& valueName = {}) {
    std::wstring id = std::to_wstring(static_cast<int>(kind)) + L"|" +
                      std::to_wstring(reinterpret_cast<uintptr_t>(root)) + L"|" + Lower(path) +
                      L"|" + Lower(valueName);
    auto [at, added] = index_.emplace(id, gathered_.size());
    if (added) {
      TGathered g;
      g.Find.Kind = kind;
      g.Find.Root = root;
      g.Find.Path = path;
      g.Find.ValueName = valueName;
      gathered_.push_back(std::move(g));
    }
    return gathered_[at->second];
  }

  void Add(TLeftoverKind kind, HKEY root, const std::wstring& path, TLeftoverRule rule,
           const std::wstring& valueName = {}) {
    TGathered& g = Gather(kind, root, path, valueName);
    g.Evidence.push_back({rule, {}});
    if (IsNameRule(rule)) g.ByName = true;
  }

  void AddByName(TLeftoverKind kind, HKEY root, const std::wstring& path, TNameMatch match,
                 bool underPublisher, bool deep) {
    std::optional<TLeftoverRule> rule = NameRule(match, underPublisher);
    if (!rule) return;
    Add(kind, root, path, *rule);
    if (deep) Add(kind, root, path, TLeftoverRule::DeepPlace);
  }

  // --- Folders.

  void ProgramFolders() {
    if (!program_.InstallFolder.empty() && PathExists(program_.InstallFolder))
      Add(TLeftoverKind::Folder, nullptr, WithoutTrailingBackslash(program_.InstallFolder),
          TLeftoverRule::IsInstallFolder);
    for (const std::wstring& folder : program_.OtherFolders)
      if (PathExists(folder))
        Add(TLeftoverKind::Folder, nullptr, WithoutTrailingBackslash(folder),
            TLeftoverRule::EntryPointsInto);
  }

  // A folder many programs share (Program Files, AppData, ...): folders named after the program in
  // it and in the publisher's folder in it.
  void SharedFolder(const std::wstring& place) {
    for (const TListed& child : ListFolder(place)) {
      if (!child.Folder || child.Link) continue;
      std::wstring path = place + L"\\" + child.Name;
      AddByName(TLeftoverKind::Folder, nullptr, path, Match(child.Name, false), false, false);
      if (IsPublisherName(child.Name)) PublisherFolder(path);
    }
  }

  void PublisherFolder(const std::wstring& folder) {
    bool onlyProgram = true;
    for (const TListed& child : ListFolder(folder)) {
      TNameMatch match = child.Link ? TNameMatch::None : Match(child.Name, true);
      if (match == TNameMatch::None) {
        onlyProgram = false;
        continue;
      }
      AddByName(child.Folder ? TLeftoverKind::Folder : TLeftoverKind::File, nullptr,
                folder + L"\\" + child.Name, match, true, true);
    }
    if (onlyProgram)
      Add(TLeftoverKind::Folder, nullptr, folder, TLeftoverRule::PublisherFolderOnlyProgram);
  }

  // The Start menu's Programs folder, three levels deep: folders named after the program and
  // shortcuts into its folders.
  void StartMenu(const std::wstring& menu) {
    struct TLevel {
      std::wstring Folder;
      int Depth;
      bool Publisher;
    };
    std::vector<TLevel> stack = {{menu, 0, false}};
    while (!stack.empty()) {
      TLevel level = stack.back();
      stack.pop_back();
      for (const TListed& child : ListFolder(level.Folder)) {
        std::wstring path = level.Folder + L"\\" + child.Name;
        if (child.Link) continue;
        if (!child.Folder) {
          if (EndsWithNoCase(child.Name, L".lnk")) Shortcut(path);
          continue;
        }
        int depth = level.Depth + 1;
        AddByName(TLeftoverKind::Folder, nullptr, path, Match(child.Name, level.Publisher),
                  level.Publisher, depth > 1);
        if (depth < kStartMenuDepth) stack.push_back({path, depth, IsPublisherName(child.Name)});
      }
    }
  }

  void Shortcuts(const std::wstring& folder) {
    for (const TListed& child : ListFolder(folder))
      if (!child.Folder && EndsWithNoCase(child.Name, L".lnk"))
        Shortcut(folder + L"\\" + child.Name);
  }

  void Shortcut(const std::wstring& path) {
    if (!folders_.empty() && PointsIntoProgram(L"\"" + shortcuts_.Target(path) + L"\""))
      Add(TLeftoverKind::File, nullptr, path, TLeftoverRule::ShortcutPointsInto);
  }

  // --- Registry keys.

  void SoftwareKey(const TKeyPlace& software) {
    win::UniqueHKey key = OpenKey(software.Root, software.Path);
    for (const std::wstring& name : SubKeyNames(key.Get())) {
      if (win::EqualsNoCase(name, L"WOW6432Node") || win::EqualsNoCase(name, L"Classes")) continue;
      std::wstring path = L"\\" + software.Path + L"\\" + name;
      AddByName(TLeftoverKind::Key, software.Root, path, Match(name, false), false, false);
      if (!IsPublisherName(name)) continue;
      win::UniqueHKey publisher = OpenKey(key.Get(), name);
      bool onlyProgram = true;
      for (const std::wstring& sub : SubKeyNames(publisher.Get())) {
        TNameMatch match = Match(sub, true);
        if (match == TNameMatch::None) onlyProgram = false;
        AddByName(TLeftoverKind::Key, software.Root, path + L"\\" + sub, match, true, true);
      }
      if (onlyProgram)
        Add(TLeftoverKind::Key, software.Root, path, TLeftoverRule::PublisherFolderOnlyProgram);
    }
  }

  void AppPaths(const TKeyPlace& place) {
    if (folders_.empty()) return;
    win::UniqueHKey key = OpenKey(place.Root, place.Path);
    for (const std::wstring& name : SubKeyNames(key.Get()))
      if (std::optional<std::wstring> file = StringValue(key.Get(), name, nullptr);
          file && PointsIntoProgram(*file))
        Add(TLeftoverKind::Key, place.Root, L"\\" + place.Path + L"\\" + name,
            TLeftoverRule::AppPathPointsInto);
  }

  void ComClasses(const TKeyPlace& place) {
    if (folders_.empty()) return;
    win::UniqueHKey key = OpenKey(place.Root, place.Path);
    for (const std::wstring& name : SubKeyNames(key.Get()))
      for (const wchar_t* server : {L"\\InprocServer32", L"\\LocalServer32"})
        if (std::optional<std::wstring> file = StringValue(key.Get(), name + server, nullptr);
            file && PointsIntoProgram(*file)) {
          Add(TLeftoverKind::Key, place.Root, L"\\" + place.Path + L"\\" + name,
              TLeftoverRule::ComServerIn);
          break;
        }
  }

  // File types (ProgIDs) whose open command or icon lies in the program's folders, in each
  // Classes key; then the extensions that open with them, and the Open With lists that offer them
  // or offer a type named after the program that no Classes key holds any more.
  void FileTypes() {
    std::vector<TClasses> classes;
    std::unordered_set<std::wstring> existing, progIds;
    for (const TKeyPlace& place : ClassesKeys()) {
      TClasses c{&place, OpenKey(place.Root, place.Path), {}};
      c.Names = SubKeyNames(c.Key.Get());
      for (const std::wstring& name : c.Names)
        if (!name.empty() && name[0] != L'.') existing.insert(Lower(name));
      classes.push_back(std::move(c));
    }
    if (!folders_.empty())
      for (const TClasses& c : classes)
        for (const std::wstring& name : c.Names) {
          if (name.empty() || name[0] == L'.' || name[0] == L'{' ||
              win::EqualsNoCase(name, L"CLSID") || win::EqualsNoCase(name, L"WOW6432Node"))
            continue;
          for (const wchar_t* sub : {L"\\shell\\open\\command", L"\\DefaultIcon"})
            if (std::optional<std::wstring> file = StringValue(c.Key.Get(), name + sub, nullptr);
                file && PointsIntoProgram(*file)) {
              Add(TLeftoverKind::Key, c.Place->Root, L"\\" + c.Place->Path + L"\\" + name,
                  TLeftoverRule::FileTypeOpensFrom);
              progIds.insert(Lower(name));
              break;
            }
        }
    for (const TClasses& c : classes) Extensions(c, progIds, existing);
  }

  struct TClasses {
    const TKeyPlace* Place;
    win::UniqueHKey Key;
    std::vector<std::wstring> Names;
  };

  void Extensions(const TClasses& c, const std::unordered_set<std::wstring>& progIds,
                  const std::unordered_set<std::wstring>& existing) {
    for (const std::wstring& name : c.Names) {
      if (name.empty() || name[0] != L'.') continue;
      std::wstring extension = L"\\" + c.Place->Path + L"\\" + name;
      bool othersOffered = false;
      win::UniqueHKey openWith = OpenKey(c.Key.Get(), name + L"\\OpenWithProgids");
      for (const std::wstring& progId : ValueNames(openWith.Get())) {
        std::wstring lower = Lower(progId);
        if (progIds.count(lower)) {
          Add(TLeftoverKind::Value, c.Place->Root, extension + L"\\OpenWithProgids",
              TLeftoverRule::OpenWithNamesFileType, progId);
          continue;
        }
        othersOffered = true;
        if (existing.count(lower)) continue;
        // "Quill.Document.1": the type's first part names the program that registered it.
        std::optional<TLeftoverRule> rule =
            NameRule(Match(progId.substr(0, progId.find(L'.')), false), false);
        if (!rule) continue;
        Add(TLeftoverKind::Value, c.Place->Root, extension + L"\\OpenWithProgids",
            TLeftoverRule::OpenWithNamesMissingType, progId);
        Add(TLeftoverKind::Value, c.Place->Root, extension + L"\\OpenWithProgids", *rule, progId);
      }
      // An extension that other file types are offered for stays; its Open With value goes.
      if (progIds.empty() || othersOffered) continue;
      std::optional<std::wstring> type = StringValue(c.Key.Get(), name, nullptr);
      if (type && progIds.count(Lower(*type)))
        Add(TLeftoverKind::Key, c.Place->Root, extension, TLeftoverRule::ExtensionNamesFileType);
    }
  }

  // --- Registry values.

  void RunValues(const TKeyPlace& place) {
    if (folders_.empty()) return;
    win::UniqueHKey key = OpenKey(place.Root, place.Path);
    for (const auto& [name, command] : StringValues(key.Get()))
      if (PointsIntoProgram(command))
        Add(TLeftoverKind::Value, place.Root, L"\\" + place.Path, TLeftoverRule::RunValuePointsInto,
            name);
  }

  // --- Weighing.

  // Whether a folder or file may be proposed at all; weighs what speaks against it: another
  // program's folder it is or lies in, documents in it or around it.
  bool MayPropose(TGathered& g) const {
    const std::wstring& path = g.Find.Path;
    if (IsProtectedPath(path) || IsKnownFolderOrAncestor(path)) return false;
    // Directly among the user's documents: only a shortcut into the program's folders.
    if (IsDocumentFolder(ParentFolder(path)) &&
        !(g.Find.Kind == TLeftoverKind::File && g.Has(TLeftoverRule::ShortcutPointsInto)))
      return false;
    for (const TOther& other : others_)
      for (const std::wstring& folder : other.Program->Folders) {
        // A folder that holds another program's.
        if (g.Find.Kind == TLeftoverKind::Folder && folder.size() > path.size() &&
            IsPathAtOrInside(folder, path))
          return false;
        if (IsPathAtOrInside(path, folder))
          g.Evidence.push_back({TLeftoverRule::OtherProgramUses, other.Program->Name});
      }
    if (g.Find.Kind == TLeftoverKind::Folder) {
      bool documents = LiesAmongDocuments(path);
      if (!documents)
        for (const TListed& child : ListFolder(path))
          if (!child.Folder && IsDocumentFile(child.Name)) {
            documents = true;
            break;
          }
      if (documents) g.Evidence.push_back({TLeftoverRule::HoldsDocuments, {}});
    }
    return true;
  }

  void WeighNames(TGathered& g) const {
    // A value row is named by the file type it offers ("Quill.Document": "Quill").
    std::wstring leaf = g.Find.Kind == TLeftoverKind::Value
                            ? NormalName(g.Find.ValueName.substr(0, g.Find.ValueName.find(L'.')))
                            : NormalName(LeafName(g.Find.Path));
    if (IsGenericName(leaf)) g.Evidence.push_back({TLeftoverRule::GenericName, {}});
    bool publisherPlace = g.Has(TLeftoverRule::PublisherFolderOnlyProgram);
    for (const TOther& other : others_) {
      if (publisherPlace && !publisher_.empty() && other.Publisher == publisher_)
        g.Evidence.push_back({TLeftoverRule::PublisherStillInstalled, other.Program->Name});
      TNameMatch match = MatchName(leaf, other.Name);
      if (!publisherPlace && (match == TNameMatch::Exact || match == TNameMatch::Near))
        g.Evidence.push_back({TLeftoverRule::OtherProgramNamed, other.Program->Name});
    }
  }

  std::vector<TLeftover> Weighed() {
    std::vector<TLeftover> finds;
    for (TGathered& g : gathered_) {
      bool onDisk = g.Find.Kind == TLeftoverKind::Folder || g.Find.Kind == TLeftoverKind::File;
      if (onDisk ? !MayPropose(g)
                 : g.Find.Kind == TLeftoverKind::Key && IsProtectedKey(g.Find.Root, g.Find.Path))
        continue;
      if (g.ByName) WeighNames(g);
      WeighLeftover(g.Find, g.Evidence);
      finds.push_back(std::move(g.Find));
    }
    std::stable_sort(finds.begin(), finds.end(), [](const TLeftover& a, const TLeftover& b) {
      if (a.Kind != b.Kind) return a.Kind < b.Kind;
      return Lower(a.Location()) < Lower(b.Location());
    });
    return finds;
  }

  const TSearchPlaces& places_;
  const TProgramFacts& program_;
  TShortcutTargets shortcuts_;
  std::wstring name_, shortName_, publisher_;
  std::vector<std::wstring> folders_;  // the program's own: install folder and the entry's others
  std::vector<TOther> others_;
  std::vector<TGathered> gathered_;
  std::map<std::wstring, size_t> index_;
};

// The folder a value of an entry or of a program's own key points into: a folder value as it is,
// a command's or file's folder. Empty when the value names no folder of a program's own.
std::wstring FolderOfValue(const std::wstring& name, const std::wstring& text) {
  std::wstring trimmed = win::Trim(text);
  if (trimmed.empty()) return {};
  bool isFolder = win::EqualsNoCase(name, L"InstallLocation") || trimmed.back() == L'\\';
  std::wstring folder =
      isFolder ? WithoutTrailingBackslash(win::ExpandEnvironment(win::Trim(Unquote(trimmed))))
               : ParentFolder(WithoutTrailingBackslash(CommandFile(trimmed)));
  if (!IsFullPath(folder) || folder.size() <= 3 || IsProtectedPath(folder) ||
      IsKnownFolderOrAncestor(folder))
    return {};
  return folder;
}

void AddFolder(std::vector<std::wstring>& folders, const std::wstring& folder) {
  if (folder.empty()) return;
  if (std::none_of(folders.begin(), folders.end(),
                   [&](const std::wstring& f) { return win::EqualsNoCase(f, folder); }))
    folders.push_back(folder);
}

}  // namespace

const wchar_t* LevelCaption(TLeftoverLevel level) {
  switch (level) {
    case TLeftoverLevel::VerySure: return L"Very sure";
    case TLeftoverLevel::Sure: return L"Sure";
    case TLeftoverLevel::Unsure: return L"Unsure";
    case TLeftoverLevel::Unlikely: break;
  }
  return L"Unlikely";
}

const wchar_t* LevelName(TLeftoverLevel level) {
  switch (level) {
    case TLeftoverLevel::VerySure: return L"very-sure";
    case TLeftoverLevel::Sure: return L"sure";
    case TLeftoverLevel::Unsure: return L"unsure";
    case TLeftoverLevel::Unlikely: break;
  }
  return L"unlikely";
}

const wchar_t* KindName(TLeftoverKind kind) {
  switch (kind) {
    case TLeftoverKind::Folder: return L"folder";
    case TLeftoverKind::File: return L"file";
    case TLeftoverKind::Key: return L"key";
    case TLeftoverKind::Value: break;
  }
  return L"value";
}

std::wstring TLeftover::Location() const {
  if (Kind == TLeftoverKind::Folder || Kind == TLeftoverKind::File) return Path;
  return RegistryLocationText(Root, 0, Path);
}

std::vector<TOtherProgram> ReadOtherPrograms(HKEY root, REGSAM view, const std::wstring& entryKey) {
  std::vector<TOtherProgram> programs;
  struct TSource {
    HKEY Root;
    REGSAM View;
  };
  for (TSource source :
       {TSource{HKEY_LOCAL_MACHINE, 0}, TSource{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
        TSource{HKEY_CURRENT_USER, 0}}) {
    win::UniqueHKey uninstall = OpenKey(source.Root, kUninstall, source.View);
    for (const std::wstring& name : SubKeyNames(uninstall.Get())) {
      std::wstring path = std::wstring(kUninstall) + L"\\" + name;
      if (root == source.Root && view == source.View && win::EqualsNoCase(path, entryKey)) continue;
      win::UniqueHKey entry = OpenKey(uninstall.Get(), name);
      std::vector<std::pair<std::wstring, std::wstring>> values = StringValues(entry.Get());
      auto value = [&values](const wchar_t* wanted) {
        for (const auto& [n, text] : values)
          if (win::EqualsNoCase(n, wanted)) return text;
        return std::wstring();
      };
      TOtherProgram program;
      program.Name = win::Trim(value(L"DisplayName"));
      program.Publisher = win::Trim(value(L"Publisher"));
      AddFolder(program.Folders,
                DeriveInstallFolder(value(L"InstallLocation"), value(L"UninstallString"),
                                    value(L"DisplayIcon")));
      for (const auto& [valueName, text] : values)
        AddFolder(program.Folders, FolderOfValue(valueName, text));
      // Its own key, Software\<Publisher>\<Name>, in each place programs keep one.
      if (!program.Name.empty() && !program.Publisher.empty())
        for (const TKeyPlace& software : SoftwareKeys()) {
          win::UniqueHKey own = OpenKey(
              software.Root, software.Path + L"\\" + program.Publisher + L"\\" + program.Name);
          for (const auto& [valueName, text] : StringValues(own.Get()))
            AddFolder(program.Folders, FolderOfValue(valueName, text));
        }
      if (!program.Name.empty() || !program.Folders.empty()) programs.push_back(std::move(program));
    }
  }
  return programs;
}

TSearchPlaces TSearchPlaces::OfThisMachine() {
  TSearchPlaces places;
  auto add = [](std::vector<std::wstring>& list, const KNOWNFOLDERID& id) {
    std::wstring path = KnownFolder(id);
    if (!path.empty()) AddFolder(list, path);
  };
  for (const KNOWNFOLDERID* id :
       {&FOLDERID_ProgramFilesX64, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesCommonX64,
        &FOLDERID_ProgramFilesCommonX86, &FOLDERID_UserProgramFiles})
    add(places.ProgramFolders, *id);
  for (const KNOWNFOLDERID* id : {&FOLDERID_RoamingAppData, &FOLDERID_LocalAppData,
                                  &FOLDERID_LocalAppDataLow, &FOLDERID_ProgramData})
    add(places.DataFolders, *id);
  add(places.StartMenus, FOLDERID_Programs);
  add(places.StartMenus, FOLDERID_CommonPrograms);
  add(places.Desktops, FOLDERID_Desktop);
  add(places.Desktops, FOLDERID_PublicDesktop);
  return places;
}

std::vector<TLeftover> TLeftoverFinder::Find(const TProgramFacts& program,
                                             const std::vector<TOtherProgram>& others) const {
  win::ComInit com;  // for the shell's shortcut object
  return TSearch(Places, program, others).Run();
}

bool TLeftoverFinder::StillHolds(const TLeftover& find, const std::vector<TOtherProgram>& others) {
  switch (find.Kind) {
    case TLeftoverKind::Folder:
    case TLeftoverKind::File:
      if (IsProtectedPath(find.Path) || !PathExists(find.Path)) return false;
      for (const TOtherProgram& other : others)
        for (const std::wstring& folder : other.Folders)
          if (IsPathAtOrInside(find.Path, folder) || IsPathAtOrInside(folder, find.Path))
            return false;
      return true;
    case TLeftoverKind::Key: {
      if (IsProtectedKey(find.Root, find.Path)) return false;
      // Another program's own key now: Software\<its publisher>\<its name>.
      for (const TOtherProgram& other : others)
        if (!other.Publisher.empty() && !other.Name.empty() &&
            EndsWithNoCase(find.Path, L"\\" + other.Publisher + L"\\" + other.Name))
          return false;
      return static_cast<bool>(OpenKey(find.Root, find.Path.substr(1)));
    }
    case TLeftoverKind::Value: {
      win::UniqueHKey key = OpenKey(find.Root, find.Path.substr(1));
      return key && RegQueryValueExW(key.Get(), find.ValueName.c_str(), nullptr, nullptr, nullptr,
                                     nullptr) == ERROR_SUCCESS;
    }
  }
  return false;
}
