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
  // Adds one subkey, opened below the already open Uninstall key when one is given. The usage
  // record is looked for below cacheKey when one is given, else by its path; with noRecords
  // there is none to look for.
  void AddFrom(const TUninstallSource& source, const TRegistry* uninstallKey,
               const TRegistry* cacheKey, bool noRecords, const std::wstring& name);

  std::vector<TUninstallSource> sources_;
  TProgramList* list_ = nullptr;
};
