// Printing of text lines, as the log window and the audit report print their memos, and the two
// ways of getting a printer: the print dialog, and the default printer for unattended printing.
#pragma once

#include "win/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

// Prints the lines as one job on the printer: the screen font at the same point size, each line
// at x = 100 device units, the n-th line of a page at y = 200 + n * line height, a new page when
// a line would go below the page height less 200. No lines print one empty page. Throws
// win::TError when the job cannot be started or a page cannot be printed.
// screenFont is sized for the system DPI.
void PrintLines(HDC printer, const std::vector<std::wstring>& lines, const LOGFONTW& screenFont,
                const std::wstring& documentTitle = L"");

// Shows the print dialog over owner; the chosen printer's DC, or none when the user cancels.
// Throws win::TError when there is no printer or the dialog fails.
win::UniqueHdc ChoosePrinter(HWND owner);

// The default printer's DC, without asking. Throws win::TError when no printer is installed or
// the default one cannot be opened.
win::UniqueHdc DefaultPrinterDc();

// A control's font as PrintLines takes it: sized for the system DPI.
LOGFONTW PrintFontOf(HWND control);
