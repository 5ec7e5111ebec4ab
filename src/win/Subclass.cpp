#include "win/Subclass.h"

#include <unordered_map>
#include <vector>

namespace win {

namespace {

struct TSubclassEntry {
  SUBCLASSPROC Proc;  // null once removed, until no message is in hand
  UINT_PTR Id;
  DWORD_PTR Data;
};

struct TSubclassChain {
  WNDPROC Original = nullptr;
  std::vector<TSubclassEntry> Entries;  // oldest first: the newest runs first
  size_t Next = 0;  // the message in hand goes on to the entries below this index
  int Depth = 0;    // messages in hand, one inside another
  bool Removed = false;  // entries wait to be dropped
  bool Destroyed = false;
};

LRESULT CALLBACK Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Per thread, as windows are: a window's messages are handled on the thread that made it. The
// map's elements keep their place while others come and go. Never destroyed: a thread's windows
// may still hear of their end after its other thread-local objects are gone.
std::unordered_map<HWND, TSubclassChain>& Chains() {
  thread_local auto* chains = new std::unordered_map<HWND, TSubclassChain>();
  return *chains;
}

TSubclassChain* Find(HWND hwnd) {
  auto& chains = Chains();
  auto found = chains.find(hwnd);
  return found == chains.end() ? nullptr : &found->second;
}

// Only with no message in hand: drops removed entries, and the chain itself once its window is
// gone or its last entry is, giving the window its procedure back. A procedure put in front of
// ours since still calls ours: then the empty chain stays and passes every message on.
void Tidy(HWND hwnd, TSubclassChain& chain) {
  std::erase_if(chain.Entries, [](const TSubclassEntry& entry) { return !entry.Proc; });
  chain.Removed = false;
  if (!chain.Destroyed) {
    if (!chain.Entries.empty() ||
        GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Dispatch))
      return;
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.Original));
  }
  Chains().erase(hwnd);
}

LRESULT CALLBACK Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TSubclassChain* chain = Find(hwnd);
  if (!chain) return DefWindowProcW(hwnd, msg, wp, lp);
  const size_t outer = chain->Next;
  chain->Next = chain->Entries.size();
  ++chain->Depth;
  const LRESULT result = DefSubclass(hwnd, msg, wp, lp);
  // The chain is still there: it goes only when no message is in hand.
  chain->Next = outer;
  --chain->Depth;
  if (msg == WM_NCDESTROY) chain->Destroyed = true;
  if (chain->Depth == 0 && (chain->Destroyed || chain->Removed)) Tidy(hwnd, *chain);
  return result;
}

}  // namespace

bool SetSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
  if (!proc || !IsWindow(hwnd) || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
    return false;
  auto& chains = Chains();
  auto [found, added] = chains.try_emplace(hwnd);
  TSubclassChain& chain = found->second;
  if (added) {
    chain.Original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatch)));
    if (!chain.Original) {
      chains.erase(found);
      return false;
    }
  }
  for (TSubclassEntry& entry : chain.Entries)
    if (entry.Proc == proc && entry.Id == id) {
      entry.Data = data;
      return true;
    }
  chain.Entries.push_back({proc, id, data});
  return true;
}

bool RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
  TSubclassChain* chain = Find(hwnd);
  if (!chain || !proc) return false;
  for (TSubclassEntry& entry : chain->Entries)
    if (entry.Proc == proc && entry.Id == id) {
      entry.Proc = nullptr;
      chain->Removed = true;
      if (chain->Depth == 0) Tidy(hwnd, *chain);
      return true;
    }
  return false;
}

LRESULT DefSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TSubclassChain* chain = Find(hwnd);
  if (!chain) return DefWindowProcW(hwnd, msg, wp, lp);
  // A proc that passes the message on twice reaches the same procs twice.
  const size_t from = chain->Next;
  size_t next = from;
  while (next > 0) {
    const TSubclassEntry entry = chain->Entries[--next];  // a copy: the proc may add entries
    if (!entry.Proc) continue;
    chain->Next = next;
    const LRESULT result = entry.Proc(hwnd, msg, wp, lp, entry.Id, entry.Data);
    chain->Next = from;
    return result;
  }
  return CallWindowProcW(chain->Original, hwnd, msg, wp, lp);
}

}  // namespace win
