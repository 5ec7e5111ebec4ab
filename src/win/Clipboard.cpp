#include "win/Clipboard.h"

#include "win/UniqueHandle.h"

#include <cstring>

namespace win {

namespace {

// Open from construction to destruction, so it is closed on every way out.
class TOpenClipboard {
public:
  explicit TOpenClipboard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
  ~TOpenClipboard() {
    if (open_) CloseClipboard();
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
  explicit operator bool() const noexcept { return open_; }

private:
  bool open_;
};

}  // namespace

bool CopyTextToClipboard(HWND owner, std::wstring_view text) {
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  if (!memory) return false;
  auto* target = static_cast<wchar_t*>(GlobalLock(memory.Get()));
  if (!target) return false;
  std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
  target[text.size()] = L'\0';
  GlobalUnlock(memory.Get());
  TOpenClipboard clipboard(owner);
  if (!clipboard || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
  memory.Release();  // the system owns it now
  return true;
}

}  // namespace win
