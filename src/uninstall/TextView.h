// TTextView: a read-only memo for large texts. It draws only the lines in sight, so a log of
// millions of lines opens at once; lines are not wrapped (a long line scrolls sideways), so no
// line costs more than its own length. The user scrolls with the bars, the wheel and the keys,
// selects with the mouse (Shift extends) or Ctrl+A, and copies with Ctrl+C.
//
// As an edit control, it answers WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETFONT, WM_GETFONT, WM_COPY,
// EM_GETLINECOUNT, EM_GETFIRSTVISIBLELINE, EM_GETSEL, EM_SETSEL and EM_POSFROMCHAR.
#pragma once

#include "uninstall/TextLines.h"
#include "win/Window.h"

#include <windows.h>

#include <climits>
#include <string_view>
#include <vector>

class TTextView : public win::TWindow {
public:
  // Takes the place, size, identifier and tab position of a dialog's control, which it destroys,
  // and the dialog's font.
  void CreateInPlaceOf(HWND placeholder);
  // Shows the text, which must outlive the view or the next call; call again after it changed.
  // Scrolls to the top and clears the selection.
  void SetText(const TTextLines* text);

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  // Where each character of a line starts (one more entry for the end of the last one), in
  // pixels from the line's start; a tab reaches the next tab stop. Measuring stops soon after
  // limit, so a very long line costs only what is in sight.
  std::vector<int> CharPositions(HDC dc, std::wstring_view line, int limit = INT_MAX) const;
  // The width of a whole line, tabs counted as blanks.
  static int LineWidth(HDC dc, std::wstring_view line);
  void Paint(HDC dc, const RECT& client);
  void PaintLine(HDC dc, size_t line, int y, int width);
  void ApplyFont(HFONT font);
  void TextChanged();
  int PageLines() const;
  void UpdateScrollBars();
  void ScrollTo(long long top, long long x);
  void OnScroll(int bar, int request);
  void OnKeyDown(WPARAM key);
  void OnMouseWheel(int delta);
  // The offset in the text of the character boundary nearest to a client point.
  size_t HitTest(POINT point);
  void Select(size_t anchor, size_t caret);
  void Copy();
  LRESULT PosFromChar(size_t offset);
  size_t Length() const noexcept { return text_ ? text_->Text().size() : 0; }
  size_t LineCount() const noexcept { return text_ ? text_->Count() : 0; }

  const TTextLines* text_ = nullptr;
  HFONT font_ = nullptr;  // not owned: WM_SETFONT's
  int lineHeight_ = 16;
  int tabWidth_ = 64;
  int margin_ = 2;
  size_t top_ = 0;     // first line in sight
  int x_ = 0;          // pixels scrolled to the right
  int widest_ = 0;     // the widest line measured so far
  size_t anchor_ = 0;  // the selection runs from anchor_ to caret_
  size_t caret_ = 0;
  bool selecting_ = false;
  int wheel_ = 0;  // wheel movement not yet scrolled
};
