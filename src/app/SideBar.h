// TSideBar: the main window's side bar (paQuick): the "Actions", "Info" and "Find" panels stacked
// from the top, with their links, the selected program's facts and the find box.
#pragma once

#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <functional>
#include <memory>
#include <string>

class TSideBarElement;
class TSideBarLabel;

class TSideBar : public win::TWindow {
public:
  TSideBar();
  ~TSideBar() override;

  void Create(HWND parent, int width);

  // Called with the command of a link or button (the main window's command identifiers).
  std::function<void(int)> OnCommand;

  // Shows a program's facts in the Info panel; the install folder once it is known.
  void ShowProgram(const std::wstring& name, const std::wstring& size, const std::wstring& used,
                   const std::wstring& lastUsed, const std::wstring& folder = {});
  // Shows or hides the Actions and Info panels.
  void ShowProgramPanels(bool show);
  // Outside the NT family there are no usage facts: their labels go and the Info panel shrinks.
  void HideUsageLabels();
  void SetFoldImages(HIMAGELIST images);
  // The find picture serves the find button and the leftovers link.
  void SetLinkIcons(HICON uninstall, HICON remove, HICON find);
  // Scrolls the panels so that a control on them (the keyboard focus, say) can be seen whole.
  void ScrollIntoView(HWND control);
  // How far the panels are scrolled up, in pixels (0 when they all fit).
  int ScrollPosition() const noexcept { return scrollY_; }

  std::wstring FindText() const;
  HWND FindEdit() const noexcept { return edFind_; }
  HWND FindButton() const noexcept { return spbuFind_; }
  TSideBarElement& Actions() noexcept { return *sideBarActions_; }
  TSideBarElement& Info() noexcept { return *sideBarInfo_; }
  TSideBarElement& Find() noexcept { return *sideBarFind_; }
  TSideBarLabel& UninstallLink() noexcept { return *SideBarLabel2_; }
  TSideBarLabel& DeleteLink() noexcept { return *SideBarLabel3_; }
  TSideBarLabel& DetailsLink() noexcept { return *SideBarLabel4_; }
  TSideBarLabel& LeftoversLink() noexcept { return *leftoversLink_; }
  HWND ProgramNameLabel() const noexcept { return lSidePrgName_; }
  HWND SizeLabel() const noexcept { return lSideSize_; }
  HWND UsedLabel() const noexcept { return lSideUsed_; }
  HWND LastUsedLabel() const noexcept { return lSideLastUsed_; }
  HWND FolderLabel() const noexcept { return lSideFolder_; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  int S(int pixels) const;
  void Restack();
  void LayoutPanels();
  void ScrollTo(int y);
  void OnVScroll(int request);
  HWND MakeLabel(HWND parent, const wchar_t* text, DWORD style = 0);
  static LRESULT CALLBACK FindEditProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

  std::unique_ptr<TSideBarElement> sideBarActions_, sideBarInfo_, sideBarFind_;
  std::unique_ptr<TSideBarLabel> SideBarLabel2_, SideBarLabel3_, SideBarLabel4_, leftoversLink_;
  HWND imgSideUninstall_ = nullptr, imgSideDelete_ = nullptr, imgSideLeftovers_ = nullptr;
  HWND lSidePrgName_ = nullptr, lSideSize_ = nullptr, lSideUsed_ = nullptr,
       lSideLastUsed_ = nullptr;
  HWND Label4_ = nullptr, Label5_ = nullptr, Label6_ = nullptr;
  HWND Label7_ = nullptr, lSideFolder_ = nullptr;  // the install folder
  HWND edFind_ = nullptr, spbuFind_ = nullptr;
  bool usageShown_ = true;
  int scrollY_ = 0;
  int wheelDelta_ = 0;  // a high-resolution wheel sends parts of a notch
  win::UniqueHFont font_, boldFont_;
  win::UniqueHBrush background_;
};
