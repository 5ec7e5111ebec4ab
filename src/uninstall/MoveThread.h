// TMoveThread: keeps the uninstall wizard's progress bar moving from a thread of its own while the
// wizard's thread waits for the uninstaller. It steps the bar every 35 ms until the wizard says
// the uninstaller has finished.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <functional>

class TMoveThread {
public:
  // Starts at once. finished is asked after every step; the thread ends once it returns true.
  TMoveThread(HWND progressBar, std::function<bool()> finished);
  ~TMoveThread();
  TMoveThread(const TMoveThread&) = delete;
  TMoveThread& operator=(const TMoveThread&) = delete;

  // Waits for the thread to end while serving the messages it sends to this thread's windows.
  void WaitFor();
  int Steps() const noexcept { return steps_; }

private:
  static DWORD WINAPI Run(void* self) noexcept;
  void Execute();

  HWND bar_;
  std::function<bool()> finished_;
  win::UniqueHandleObj thread_;
  int steps_ = 0;
};
