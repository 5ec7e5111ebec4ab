// TfAbout: the product's name, version and build, and the way to its licence.
#pragma once

#include "help/Banner.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <string>

// The build named in a "version.id" file: its whole content as 8-bit text, cut at a NUL and
// trimmed of blanks and control characters at both ends; empty when there is no such file.
std::wstring ReadVersionFile(const std::wstring& path);

class TfAbout : public win::TDialog {
public:
  static constexpr wchar_t kProduct[] = L"Tarvenholt Purgalot!\u2122 2006";
  static constexpr wchar_t kVersionNumber[] = L"5.1";

  // folder: where "version.id" and "license.txt" lie, with a trailing backslash; the program's
  // own folder unless a test names another.
  explicit TfAbout(std::wstring folder = {});

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void FormActivate();
  void BTLicenseClick();

  std::wstring folder_;
  TBanner banner_;
  win::UniqueHIcon icon_;
};

extern TfAbout* fAbout;
