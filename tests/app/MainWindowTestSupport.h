// What the main window's tests share: a machine of four programs, the window made and shown as
// start-up does, and the program's own message loop.
#pragma once

#include "app/Main.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <memory>

namespace main_window_testing {

using namespace testing_support;

class MainWindowTest : public ::testing::Test {
protected:
  MainWindowTest() {
    key.AddProgram(L"A", L"Alpha Editor", L"alpha.exe");
    key.AddProgram(L"B", L"Beta Player", L"beta.exe");
    key.AddProgram(L"C", L"Gamma Tools", L"gamma.exe");
    key.AddProgram(L"D", L"Delta Browser", L"delta.exe");
  }
  ~MainWindowTest() override {
    main.reset();
    PumpMessages();
  }

  // Creates and shows the main window as start-up does.
  TfMain& Start(std::vector<std::wstring> parameters = {}) {
    settings = std::make_unique<TWinSettings>(L"Desktop", HKEY_CURRENT_USER, key.Path() + L"\\");
    main = std::make_unique<TfMain>(*settings, TCommandLine(std::move(parameters)),
                                    std::vector<TUninstallSource>{key.Source()});
    main->Create();
    if (!main->Terminated()) main->Show(SW_SHOWNORMAL);
    PumpMessages();
    return *main;
  }
  void Close() {
    DestroyWindow(main->Handle());
    PumpMessages();
    main.reset();
  }
  std::wstring SelectedCaption() {
    TProgramRow* row = main->lvPrograms().SelectedRow();
    return row ? row->Caption : L"<none>";
  }
  void Command(int id) {
    SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
  }
  std::wstring Text(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
  }
  void ClickToolbarButton(int id) {
    RECT r{};
    SendMessageW(main->Toolbar(), TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r));
    Click(main->Toolbar(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpMessages();
  }

  win::ComInit com;
  TTestKey key;
  TTempDir dir;
  std::unique_ptr<TWinSettings> settings;
  std::unique_ptr<TfMain> main;
};

// Runs the message loop as the program does, menu shortcut keys included.
void PumpWithShortcuts(TfMain& w) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (w.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace main_window_testing
