// TUPClickSplitter: a splitter bar that resizes its neighbouring window when dragged and carries
// a raised handle with two arrows; a click on the handle collapses the neighbour to nothing or
// gives it back its former size.
//
// Windows has no automatic alignment, so the owner places the bar next to the window it controls
// (left of a left bar, above a top bar, and so on). When a size is applied, the bar resizes that
// window, moves itself next to it and raises OnMoved, on which the owner lays out the rest.
#pragma once

#include "win/Gdi.h"
#include "win/Window.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class THandleAlign { haLeft, haCenter, haRight };
enum class TArrowDirection { adLeft, adRight, adUp, adDown };

class TUPClickSplitter : public win::TWindow {
public:
  static constexpr int kMinHandledThickness = 7;  // pixels at 96 DPI, as are the defaults
  static constexpr int kDefaultThickness = 7;
  static constexpr int kDefaultHandleSize = 80;
  static constexpr int kDefaultMinSize = 30;

  // Places the bar at the given rectangle of the parent's client area; the thickness across the
  // bar must allow the handle while Handled is set.
  void Create(HWND parent, TAlign align, int x, int y, int width, int height, int id = 0);

  TAlign Align() const noexcept { return align_; }
  // Refuses alNone and alClient; points the arrows toward the controlled side.
  void SetAlign(TAlign align);
  int Width() const noexcept;
  void SetWidth(int width);
  int Height() const noexcept;
  void SetHeight(int height);
  bool Handled() const noexcept { return handled_; }
  void SetHandled(bool value);
  int HandleSize() const noexcept { return handleSize_; }
  void SetHandleSize(int size);
  THandleAlign HandleAlign() const noexcept { return handleAlign_; }
  void SetHandleAlign(THandleAlign align);
  int MinSize() const noexcept { return minSize_; }
  void SetMinSize(int size) noexcept { minSize_ = size; }
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);
  // Over the bar outside the handle; null means the sizing cursor for the bar's direction.
  HCURSOR Cursor() const noexcept;
  void SetCursor(HCURSOR cursor) noexcept { cursor_ = cursor; }
  std::wstring Version() const { return L"Version 0.7"; }
  void SetVersion(const std::wstring&) noexcept {}  // read-only
  // The extent of the parent's other windows that share the bar's axis (besides the bar and the
  // controlled window); the largest size a drag allows leaves room for them and for MinSize.
  int OtherAlignedExtent() const noexcept { return otherAlignedExtent_; }
  void SetOtherAlignedExtent(int extent) noexcept { otherAlignedExtent_ = extent; }

  int LastSize() const noexcept { return lastSize_; }
  int SavedSize() const noexcept { return savedSize_; }
  TArrowDirection ArrowDirection() const noexcept { return arrow_; }
  bool Sizing() const noexcept { return control_ != nullptr; }
  // The handle's rectangle in the bar's client coordinates.
  RECT HandleRect() const noexcept;

  // Finds the neighbouring windows again (they are found once, at the first press otherwise).
  void Loaded();
  // The neighbour the bar resizes, or null.
  HWND ControlledWindow();

  // May change the proposed size or refuse it (return false).
  std::function<bool(TUPClickSplitter&, int& size)> OnCanResize;
  // After a size is applied, and when sizing ends.
  std::function<void(TUPClickSplitter&)> OnMoved;
  // After the bar is painted, with the DC it was painted on.
  std::function<void(TUPClickSplitter&, HDC)> OnPaint;

  void Render(HDC dc);

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  bool Vertical() const noexcept { return align_ == TAlign::alLeft || align_ == TAlign::alRight; }
  bool GrowsWithOffset() const noexcept;
  int Scale(int value) const noexcept { return win::ScaleForDpi(value, dpi_); }
  int MinThickness() const noexcept { return Scale(kMinHandledThickness); }
  RECT RectInParent(HWND hwnd) const noexcept;
  int Extent(HWND hwnd) const noexcept;
  HWND FindNeighbour(POINT probe) const;
  bool OverHandle(POINT pt) const noexcept;
  void Repaint();

  void MouseDown(POINT pt);
  void MouseMove(WPARAM keys, POINT pt);
  void MouseUp(POINT pt);
  bool OnKey(UINT msg, WPARAM wp, LPARAM lp);
  void CalcSplitSize(POINT pt, int& size, int& offset) const;
  bool CanResize(int& size);
  void DrawLine();
  void ApplySize(int size);
  void StopSizing();

  void DrawHandle(HDC dc, const RECT& handle) const;
  void DrawArrow(HDC dc, int x, int y) const;

  TAlign align_ = TAlign::alLeft;
  bool handled_ = true;
  int handleSize_ = kDefaultHandleSize;
  THandleAlign handleAlign_ = THandleAlign::haCenter;
  int minSize_ = kDefaultMinSize;
  COLORREF color_ = GetSysColor(COLOR_BTNFACE);
  HCURSOR cursor_ = nullptr;
  int otherAlignedExtent_ = 0;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;

  // The windows before (left of or above) and after the bar.
  HWND before_ = nullptr;
  HWND after_ = nullptr;
  bool neighboursFound_ = false;

  int lastSize_ = -1;
  int savedSize_ = 0;
  TArrowDirection arrow_ = TArrowDirection::adLeft;
  POINT lastPos_{-1, -1};

  // During a drag.
  HWND control_ = nullptr;
  POINT downPos_{};
  int maxSize_ = 0;
  int newSize_ = 0;
  int splitOffset_ = 0;
  bool lineVisible_ = false;
  std::optional<win::WindowDc> lineDc_;
  HWND focusBefore_ = nullptr;
};
