// TDetailsPage: the white page of the details dialog. It scrolls when its rows do not fit, shows
// links in blue with the hand cursor and reports their clicks. From the keyboard, as in a link
// control: Tab and Shift+Tab step through the links before moving on, the current link has a
// focus rectangle and is kept in sight, and Enter or Space opens it.
#pragma once

#include "win/Window.h"

#include <windows.h>

#include <functional>
#include <vector>

class TDetailsPage : public win::TWindow {
public:
  std::function<void(HWND)> OnLinkClick;

  void Create(HWND dialog, const RECT& place, int id);
  void MarkLink(HWND label) { links_.push_back(label); }
  // The height of what the page holds, in pixels; the scroll bar follows it.
  void SetContentHeight(int height);

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  bool IsLink(HWND control) const;
  int Line() const;
  int PageHeight() const;
  void UpdateScrollBar();
  void Scroll(int request);
  void ScrollTo(int position);
  // The link after (or before) the current one, or -1 when the current one is the last (first).
  int NeighbourLink(bool backwards) const;
  void FocusLink(int index);
  // The current link's rectangle in the page, widened so its focus rectangle lies outside it.
  RECT FocusRect() const;
  void Paint();

  std::vector<HWND> links_;
  int focused_ = -1;  // index into links_, or -1
  int contentHeight_ = 0;
  int position_ = 0;
};
