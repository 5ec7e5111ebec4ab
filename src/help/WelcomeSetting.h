// TWelcomeSetting: whether the welcome box shows at start-up, the value "ShowWelcomeBox" of the
// main window's settings key.
#pragma once

#include <windows.h>

#include <string>

class TWelcomeSetting {
public:
  static constexpr wchar_t kValueName[] = L"ShowWelcomeBox";

  // keyPath from the root, without a leading backslash; only tests choose another.
  explicit TWelcomeSetting(std::wstring keyPath = L"Software\\Tarvenholt\\Purgalot!\\Desktop",
                           HKEY root = HKEY_CURRENT_USER);

  // True when the key or the value is missing. A value that is not an integer raises the
  // registry layer's error.
  bool Read() const;
  // Stores the flag, creating the key on a first run.
  void Write(bool show) const;

  const std::wstring& KeyPath() const noexcept { return keyPath_; }

private:
  std::wstring keyPath_;
  HKEY root_;
};

bool ReadShowWelcomeBox();
void WriteShowWelcomeBox(bool show);
