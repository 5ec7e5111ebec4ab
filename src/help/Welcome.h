// TfWelcome: the welcome box. Made once at start-up and kept for the run, so the way to uninstall
// chosen once stays chosen when the box is shown again; its check box writes the setting at once.
#pragma once

#include "help/Banner.h"
#include "help/WelcomeSetting.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <functional>

class TfWelcome : public win::TDialog {
public:
  // Reads the setting once. A value of the wrong kind is reported through the application's error
  // box and taken as missing.
  explicit TfWelcome(TWelcomeSetting setting = TWelcomeSetting());
  ~TfWelcome() override;

  // The setting as read when the box was made: whether start-up offers it.
  bool ShowAtStartup() const noexcept { return showAtStartup_; }
  // Whether "Assisted uninstall" is chosen.
  bool ManualChosen() const noexcept { return manual_; }

  // Shows the box modally; when it closes with OK and "Assisted uninstall" is chosen, runs
  // openAssisted. Returns the box's result.
  INT_PTR Offer(HWND owner, const std::function<void()>& openAssisted);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void cbShowAtStartupClick();
  void Close(INT_PTR result);

  TWelcomeSetting setting_;
  bool showAtStartup_ = true;
  bool checked_ = true;
  bool manual_ = false;
  TBanner banner_;
  win::UniqueHFont headingFont_;
};

// The welcome box of this run, once made.
extern TfWelcome* fWelcome;
