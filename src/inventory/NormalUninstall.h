// TNormalUninstall: the inventory scan. Reads every subkey of each source's Uninstall key, keeps
// those that name a program and an uninstall command, and fills the program list with one entry
// each. Icons are left to whoever shows the rows (TIconResolver): each row carries its icon
// sources.
#pragma once

#include "inventory/ProgramList.h"
#include "inventory/Registry.h"

#include <windows.h>

#include <string>
#include <vector>

extern const wchar_t kUninstallKey[];

struct TEntryRead;

// One place installed programs are recorded: a root, a registry view, the Uninstall key and the
// key holding the usage records that belong to it.
struct TUninstallSource {
  HKEY Root = HKEY_LOCAL_MACHINE;
  REGSAM View = 0;
  std::wstring UninstallKey;
  std::wstring CacheKey;

  // The machine's programs in the native view, the machine's 32-bit programs, and the programs
  // installed for the current user only.
  static TUninstallSource Machine();
  static TUninstallSource Machine32();
  static TUninstallSource CurrentUser();
  // Every place Windows lists installed programs, the machine's own first.
  static std::vector<TUninstallSource> All();
};

class TNormalUninstall {
public:
  explicit TNormalUninstall(std::vector<TUninstallSource> sources = TUninstallSource::All());
  TNormalUninstall(const TNormalUninstall&) = delete;
  TNormalUninstall& operator=(const TNormalUninstall&) = delete;

  void SetListView(TProgramList* list);
  // Empties the list and fills it again from the registry.
  void Scan();
  // Adds the entry of one subkey of the first source's Uninstall key, when it is accepted.
  void AddProgram(const std::wstring& name);
  void AddProgram(const TUninstallSource& source, const std::wstring& name);

private:
  // Adds the row of one subkey (its name below the source's Uninstall key) from what was read.
  void AddRow(const TUninstallSource& source, const std::wstring& name, TEntryRead&& read);

  std::vector<TUninstallSource> sources_;
  TProgramList* list_ = nullptr;
};
