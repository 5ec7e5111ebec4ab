// purgalot-cli.exe: the console program. It makes no window, so it runs where there is no display.
#include "cli/CliVerbs.h"
#include "win/Text.h"

#include <windows.h>

namespace {

// On a console the text goes as UTF-16, so every script shows as the console's font allows;
// redirected, it goes as UTF-8 bytes without a byte-order mark, for whoever reads the pipe.
void Write(DWORD which, const std::wstring& text) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  std::string bytes = win::ToUtf8(text);
  for (size_t at = 0; at < bytes.size(); at += written) {
    if (!WriteFile(handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                   nullptr) ||
        written == 0)
      return;  // the reader went away
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  TCliStreams streams{[](const std::wstring& text) { Write(STD_OUTPUT_HANDLE, text); },
                      [](const std::wstring& text) {
                        Write(STD_ERROR_HANDLE, L"purgalot-cli: " + text + L"\r\n");
                      }};
  return RunCli(args, streams);
}
