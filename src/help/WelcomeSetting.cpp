#include "help/WelcomeSetting.h"

#include "inventory/Registry.h"

TWelcomeSetting::TWelcomeSetting(std::wstring keyPath, HKEY root)
    : keyPath_(std::move(keyPath)), root_(root) {}

bool TWelcomeSetting::Read() const {
  TRegistry reg;
  reg.SetRootKey(root_);
  if (!reg.OpenKeyReadOnly(L"\\" + keyPath_)) return true;
  if (!reg.ValueExists(kValueName)) return true;
  return reg.ReadBool(kValueName);  // the key closes with reg, also when this throws
}

void TWelcomeSetting::Write(bool show) const {
  TRegistry reg;
  reg.SetRootKey(root_);
  // Before the first saving of the window settings the key does not exist yet: a choice made on
  // the first run must not be lost.
  if (!reg.OpenKey(L"\\" + keyPath_, true)) return;
  reg.WriteBool(kValueName, show);
}

bool ReadShowWelcomeBox() { return TWelcomeSetting().Read(); }
void WriteShowWelcomeBox(bool show) { TWelcomeSetting().Write(show); }
