// The subclass chain on real windows: the order procs run in, a proc taken out while a message
// is in hand, the window's own procedure given back, and a procedure of the common controls put
// on top of ours.
#include "win/Subclass.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kProbe = WM_APP + 1;

// Each proc writes its letter (its data) into the trace and passes the message on; the proc with
// the id 2 takes itself and the proc with the id 1 out while the message is in hand.
LRESULT CALLBACK Tracing(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  if (msg == kProbe) {
    *reinterpret_cast<std::wstring*>(lp) += static_cast<wchar_t>(data);
    if (id == 2) {
      win::RemoveSubclass(hwnd, Tracing, 1);
      win::RemoveSubclass(hwnd, Tracing, 2);
    }
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}

// The common controls' own subclassing, on top of ours.
LRESULT CALLBACK Foreign(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == kProbe) *reinterpret_cast<std::wstring*>(lp) += L'F';
  return DefSubclassProc(hwnd, msg, wp, lp);
}

std::wstring Probe(HWND hwnd) {
  std::wstring trace;
  SendMessageW(hwnd, kProbe, 0, reinterpret_cast<LPARAM>(&trace));
  return trace;
}

}  // namespace

TEST(SubclassTest, ChainRunsNewestFirstAndGivesTheWindowBack) {
  HWND hwnd =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  const LONG_PTR own = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 9, L'z'));
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 1, L'a'));
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 2, L'b'));
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 3, L'c'));
  // b took a out before a's turn came, and itself after its own: the message went on to z.
  EXPECT_EQ(Probe(hwnd), L"cbz");
  EXPECT_EQ(Probe(hwnd), L"cz");
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 3, L'd'));  // the same proc and id: new data only
  EXPECT_EQ(Probe(hwnd), L"dz");
  EXPECT_FALSE(win::RemoveSubclass(hwnd, Tracing, 1));

  EXPECT_TRUE(win::RemoveSubclass(hwnd, Tracing, 9));
  EXPECT_TRUE(win::RemoveSubclass(hwnd, Tracing, 3));
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), own);
  EXPECT_EQ(Probe(hwnd), L"");
  DestroyWindow(hwnd);
}

TEST(SubclassTest, ProcedureOnTopKeepsWorkingAfterOursAreGone) {
  HWND hwnd =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 1, L'a'));
  ASSERT_TRUE(SetWindowSubclass(hwnd, Foreign, 1, 0));
  EXPECT_EQ(Probe(hwnd), L"Fa");
  // Ours cannot hand the procedure back under the other: it passes every message on instead.
  EXPECT_TRUE(win::RemoveSubclass(hwnd, Tracing, 1));
  EXPECT_EQ(Probe(hwnd), L"F");
  ASSERT_TRUE(win::SetSubclass(hwnd, Tracing, 1, L'z'));
  EXPECT_EQ(Probe(hwnd), L"Fz");
  EXPECT_TRUE(RemoveWindowSubclass(hwnd, Foreign, 1));
  EXPECT_EQ(Probe(hwnd), L"z");
  // Destroyed with the chain in place: the chain goes with the window.
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_FALSE(win::RemoveSubclass(hwnd, Tracing, 1));
}
