// TfSplash: the picture shown while the main window is built and the programs are read. It fades
// in when shown (on the NT family) and goes when the object is destroyed.
#pragma once

#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <windows.h>

#include <functional>
#include <vector>

// Waits the time while every message of this thread keeps being handled. A quit message ends the
// wait and is left in the queue for the message loop.
void WaitWithMessages(DWORD milliseconds);

// Whether and how the splash window shows. The program's entry turns it on; windows made for tests
// show none unless a test asks for one.
struct TSplashSettings {
  bool Show = false;
  DWORD StepMilliseconds = 2;
  // Called after each step of the fade, with the alpha just set.
  std::function<void(HWND, BYTE)> OnStep;
};
extern TSplashSettings SplashSettings;

class TfSplash : public win::TWindow {
public:
  // The fade's alpha values: 0, 5, ..., 255.
  static std::vector<BYTE> FadeSteps();

  TfSplash();
  ~TfSplash() override;

  // Shows the window centred on the desktop, owned by owner, and fades it in before returning.
  void Show(HWND owner);

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Paint();
  void FadeIn();

  win::UniqueHBitmap picture_;
  SIZE size_{};
};
