// TDetailsPage: the white page of the details dialog. It scrolls when its rows do not fit, shows
// links in blue with the hand cursor and reports their clicks.
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

  std::vector<HWND> links_;
  int contentHeight_ = 0;
  int position_ = 0;
};
