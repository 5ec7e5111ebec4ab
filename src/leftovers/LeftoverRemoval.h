// TLeftoverRemoval: removes the finds the user keeps ticked through the assisted uninstall's
// deletion engine, with its protected places, backups, Recycle Bin and log record. Windowless: the
// leftovers window and the console program both remove through it.
#pragma once

#include "assisted/DeleteEngine.h"
#include "leftovers/LeftoverFinder.h"

#include <optional>
#include <string>
#include <vector>

// The name its backups carry.
inline constexpr const wchar_t* kLeftoversBackupAction = L"Leftovers";

// One deletion row per find, in the finds' order: checked when the find is ticked, its kind
// "Folder", "Shortcut", "File", "Registry" or "Value", the path shown as the find's location (a
// value row adds the value's name).
TDeleteRows LeftoverRows(const std::vector<TLeftover>& finds);

class TLeftoverRemoval {
public:
  // The program the finds belong to, and the uninstall log the removal is recorded in (its
  // backups go beside it).
  TLeftoverRemoval(TProgramFacts program, std::vector<TLeftover> finds, std::wstring logFileName);

  // The confirmation list: row i stands for Finds()[i]. Tick and untick through Checked.
  TDeleteRows Rows;
  // Folders and files go to the Recycle Bin rather than being deleted for good.
  bool UseRecycleBin = false;
  // The installed programs each row's evidence is weighed against again just before it is
  // deleted; read from the machine (without the program's own entry) when not set.
  std::optional<std::vector<TOtherProgram>> Others;

  const TProgramFacts& Program() const noexcept { return program_; }
  const std::vector<TLeftover>& Finds() const noexcept { return finds_; }

  // Deletes the checked rows with `engine` (whose progress callbacks the caller may bind) and
  // records it in the log: the timestamp, "Removing leftovers of " with the program's name, one
  // line per checked row with its outcome, the result line, and the backup's folder (or why none
  // could be made). A row whose evidence no longer holds ends "Failed" and is not touched; one an
  // earlier row took along (a shortcut in a removed folder) ends "OK". Whether every checked row
  // ended "OK".
  bool Remove(TDeleteEngine engine = {});

private:
  TProgramFacts program_;
  std::vector<TLeftover> finds_;
  std::wstring logFileName_;
};
