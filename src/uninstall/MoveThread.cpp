#include "uninstall/MoveThread.h"

#include <commctrl.h>

#include <stdexcept>

TMoveThread::TMoveThread(HWND progressBar, std::function<bool()> finished)
    : bar_(progressBar), finished_(std::move(finished)) {
  thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
  if (!thread_) throw std::runtime_error("Cannot start the progress thread");
}

TMoveThread::~TMoveThread() { WaitFor(); }

DWORD WINAPI TMoveThread::Run(void* self) noexcept {
  static_cast<TMoveThread*>(self)->Execute();
  return 0;
}

void TMoveThread::Execute() {
  for (;;) {
    // Sent, not posted: the waiting thread serves sent messages only, and the bar belongs to it.
    SendMessageW(bar_, PBM_STEPIT, 0, 0);
    ++steps_;
    Sleep(35);
    if (finished_()) break;
  }
}

void TMoveThread::WaitFor() {
  if (!thread_) return;
  // The thread may be inside a SendMessage to this thread: keep serving those while waiting.
  HANDLE handles[] = {thread_.Get()};
  for (;;) {
    DWORD rc = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    if (rc != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  thread_.Reset();
}
