// THelpEngine: the HTML Help engine as the help module sees it, one call with the engine's own
// command numbers. THhCtrlEngine is the real one, loaded at run time; tests put a recorder in its
// place.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <string>

// The engine's commands the program uses.
enum THelpCommand : UINT {
  HH_DISPLAY_TOPIC = 0x0000,
  HH_DISPLAY_TOC = 0x0001,
  HH_DISPLAY_INDEX = 0x0002,
  HH_HELP_CONTEXT = 0x000F,
  HH_CLOSE_ALL = 0x0012,
};

class THelpEngine {
public:
  virtual ~THelpEngine() = default;
  // file may be empty (no file); the engine's answer is of no use to the program.
  virtual void HtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) = 0;
};

class THhCtrlEngine : public THelpEngine {
public:
  // The engine from the library, or null when it does not load or lacks the entry point.
  static std::unique_ptr<THhCtrlEngine> Load(const wchar_t* library = L"hhctrl.ocx");

  void HtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) override;

private:
  using THtmlHelpW = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
  THhCtrlEngine(win::UniqueHModule library, THtmlHelpW entry) noexcept
      : library_(std::move(library)), entry_(entry) {}

  win::UniqueHModule library_;
  THtmlHelpW entry_;
};
