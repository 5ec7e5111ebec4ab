// TLeftoverFinder: looks for what a program left behind (folders, files, registry keys and
// values), weighs the evidence for each find and says how sure it is the find belonged to the
// program. Windowless: the leftovers window and the console program show its answer, and the
// assisted uninstall's engine deletes what the user keeps ticked. The rules and their weights are
// in LeftoverRules.cpp.
#pragma once

#include "leftovers/ProgramFacts.h"

#include <windows.h>

#include <string>
#include <vector>

enum class TLeftoverKind { Folder, File, Key, Value };
enum class TLeftoverLevel { VerySure, Sure, Unsure, Unlikely };

// "Very sure", "Sure", "Unsure", "Unlikely": the level as the window shows it.
const wchar_t* LevelCaption(TLeftoverLevel level);
// "very-sure", "sure", "unsure", "unlikely": the level as the console program writes it.
const wchar_t* LevelName(TLeftoverLevel level);
// "folder", "file", "key", "value".
const wchar_t* KindName(TLeftoverKind kind);

struct TLeftover {
  TLeftoverKind Kind = TLeftoverKind::Folder;
  // Folder or File: the full path. Key or Value: the key path from Root with a leading backslash,
  // the 32-bit view spelled out as its WOW6432Node folder (\Software\WOW6432Node\Vendor).
  std::wstring Path;
  HKEY Root = nullptr;
  // The value's name for a Value row (empty for the default value); empty otherwise.
  std::wstring ValueName;
  int Score = 0;
  TLeftoverLevel Level = TLeftoverLevel::Unlikely;
  // One sentence per piece of evidence, for and against, strongest first
  // ("Its Run value starts the program from its install folder.").
  std::vector<std::wstring> Evidence;

  // Only "Sure" and "Very sure" finds come ticked.
  bool Ticked() const noexcept { return Level == TLeftoverLevel::VerySure || Level == TLeftoverLevel::Sure; }
  // The path as the user finds it: a file path, or a key as the registry editor names it
  // (HKEY_CURRENT_USER\Software\Vendor).
  std::wstring Location() const;
};

// Another installed program, against which every find is weighed.
struct TOtherProgram {
  std::wstring Name;
  std::wstring Publisher;
  // Its install folder and every folder a value of its entry or of its own Software key points
  // into, without trailing backslashes.
  std::vector<std::wstring> Folders;
};

// The installed programs of this machine, except the one at `root\entryKey` (in `view`) when a key
// is given.
std::vector<TOtherProgram> ReadOtherPrograms(HKEY root = nullptr, REGSAM view = 0,
                                             const std::wstring& entryKey = {});

// The places the finder looks in, each without a trailing backslash; taken from the machine,
// set otherwise by tests and benchmarks.
struct TSearchPlaces {
  std::vector<std::wstring> ProgramFolders;  // both Program Files, both Common Files
  std::vector<std::wstring> DataFolders;     // Roaming, Local, LocalLow, ProgramData
  std::vector<std::wstring> StartMenus;      // both Start-menu Programs folders
  std::vector<std::wstring> Desktops;        // the user's and the public desktop
  static TSearchPlaces OfThisMachine();
};

class TLeftoverFinder {
public:
  TSearchPlaces Places = TSearchPlaces::OfThisMachine();

  // Every trace of the program found, scored, in the order the window groups them: folders,
  // files, keys, values. Protected places and known user folders are never among them.
  std::vector<TLeftover> Find(const TProgramFacts& program,
                              const std::vector<TOtherProgram>& others) const;

  // Whether the evidence that made the find ticked still holds: the place still exists and has not
  // become another installed program's since the search. Asked just before deletion.
  static bool StillHolds(const TLeftover& find, const std::vector<TOtherProgram>& others);
};
