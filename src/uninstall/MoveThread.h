// TMoveThread: keeps the uninstall wizard's progress bar moving from a thread of its own while the
// wizard's thread waits for the uninstaller. It steps the bar every 35 ms until the wizard says
// the uninstaller has finished, or until it is told to stop.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <functional>

class TMoveThread {
public:
  // Starts at once. finished is asked after every step; the thread ends once it returns true.
  TMoveThread(HWND progressBar, std::function<bool()> finished);
  // Tells the thread to stop and waits for it, so an error that skips the finished flag neither
  // hangs here nor leaves the thread running on a freed object.
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
  win::UniqueHandleObj stop_;  // an event: set to end the thread at its next step
  std::atomic<int> steps_{0};
  std::atomic<bool> done_{false};  // set by the thread when it no longer touches this object
  win::UniqueHandleObj thread_;
};
