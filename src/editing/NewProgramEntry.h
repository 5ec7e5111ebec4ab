// TNewProgramEntry: adds a program entry by hand under an Uninstall key. It reads the key's subkey
// names once, proposes a free name for the new subkey and creates the entry with the values the
// inventory needs.
#pragma once

#include "inventory/NormalUninstall.h"
#include "inventory/Registry.h"

#include <string>
#include <vector>

// The texts of a new entry, exactly as the user typed them.
struct TNewProgramFields {
  std::wstring Reg;  // where the entry goes, as shown; only required to be non-empty
  std::wstring Name;
  std::wstring Uninstall;
  std::wstring DisplayIcon;  // optional
};

enum class TNewProgramResult { Created, MissingField, AlreadyExists, CannotCreate };

class TNewProgramEntry {
public:
  // Reads the subkey names of the source's Uninstall key; a key that cannot be read counts as
  // holding none.
  explicit TNewProgramEntry(const TUninstallSource& source = TUninstallSource::Machine());

  // "NewProgram" and the smallest number from 1 not taken by a subkey read at creation, in any
  // letter case.
  const std::wstring& GeneratedName() const noexcept { return generated_; }
  static std::wstring FirstFreeName(const std::vector<std::wstring>& taken);
  // The full path the user sees for a subkey, root name first.
  std::wstring FullPath(const std::wstring& keyName) const;

  // Creates the subkey keyName with DisplayName, DisplayIcon (only when given) and
  // UninstallString. Nothing is written unless every check passes. A value that cannot be
  // written raises the registry's error and takes the new key away again, so the user can retry.
  TNewProgramResult Create(const std::wstring& keyName, const TNewProgramFields& fields);

private:
  TUninstallSource source_;
  std::wstring generated_;
};
