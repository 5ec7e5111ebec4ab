#include "uninstall/MoveThread.h"

#include "win/Error.h"

#include <commctrl.h>

namespace {

// Dispatches the messages other threads have sent to this thread's windows.
void ServeSentMessages() {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

TMoveThread::TMoveThread(HWND progressBar, std::function<bool()> finished)
    : bar_(progressBar),
      finished_(std::move(finished)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!stop_) throw win::TError(L"Cannot start the progress thread");
  thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
  if (!thread_) throw win::TError(L"Cannot start the progress thread");
}

TMoveThread::~TMoveThread() {
  SetEvent(stop_.Get());
  WaitFor();
}

DWORD WINAPI TMoveThread::Run(void* self) noexcept {
  static_cast<TMoveThread*>(self)->Execute();
  return 0;
}

void TMoveThread::Execute() {
  // The pause between steps is a wait for the stop request, so a stop is seen at once.
  do {
    // Sent, not posted: the waiting thread serves sent messages only, and the bar belongs to it.
    SendMessageW(bar_, PBM_STEPIT, 0, 0);
    ++steps_;
  } while (WaitForSingleObject(stop_.Get(), 35) == WAIT_TIMEOUT && !finished_());
  done_ = true;
}

void TMoveThread::WaitFor() {
  if (!thread_) return;
  // The thread may be inside a SendMessage to this thread: keep serving those while waiting.
  HANDLE handles[] = {thread_.Get()};
  for (;;) {
    DWORD rc = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    if (rc == WAIT_OBJECT_0 + 1) {
      ServeSentMessages();
      continue;
    }
    if (rc != WAIT_OBJECT_0) {
      // The wait itself failed. The thread may still run and use this object, so its handle is
      // not closed under it: wait for the thread's own word that it is done instead.
      while (!done_) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        ServeSentMessages();
      }
    }
    break;
  }
  thread_.Reset();
}
