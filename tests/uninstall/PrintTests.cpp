// Printing of lines, checked on paper: the suite's default printer is a cups-pdf queue (started by
// scripts/test), and each job's PDF is read back with the host's pdftotext.
#include "uninstall/Printing.h"

#include "support/PrintedPdf.h"
#include "win/Gdi.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const wchar_t kNoPrinter[] = L"No printer is installed, or none is set as the default printer";

std::string Attribute(const std::string& tag, const std::string& name) {
  size_t at = tag.find(" " + name + "=\"");
  if (at == std::string::npos) return "";
  at += name.size() + 3;
  return tag.substr(at, tag.find('"', at) - at);
}

// A word as pdftotext writes it (the test's lines hold nothing XML would escape).
std::wstring WordText(const std::string& utf8) {
  std::wstring word;
  EXPECT_TRUE(win::TryFromUtf8(utf8, word));
  // pdftotext reads an ASCII hyphen as a soft hyphen.
  for (wchar_t& c : word)
    if (c == L'\u00AD') c = L'-';
  return word;
}

struct TPrintedLine {
  std::wstring Text;  // its words, one blank between them
  double X = 0, Y = 0;  // top left, in points
};

struct TPrintedPdf {
  std::string Title;
  std::vector<std::vector<TPrintedLine>> Pages;
};

// A PDF's pages and their lines, as pdftotext lays them out.
TPrintedPdf ReadPdf(const std::string& pdf) {
  std::string xml = RunOnHost({"pdftotext", "-bbox-layout", pdf, "-"});
  TPrintedPdf result;
  size_t title = xml.find("<title>");
  if (title != std::string::npos)
    result.Title = xml.substr(title + 7, xml.find("</title>") - title - 7);
  for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    std::string tag = xml.substr(at, xml.find('>', at) - at);
    if (tag.rfind("<page ", 0) == 0) {
      result.Pages.emplace_back();
    } else if (tag.rfind("<line ", 0) == 0 && !result.Pages.empty()) {
      result.Pages.back().push_back(
          {L"", std::stod(Attribute(tag, "xMin")), std::stod(Attribute(tag, "yMin"))});
    } else if (tag.rfind("<word ", 0) == 0 && !result.Pages.empty() &&
               !result.Pages.back().empty()) {
      size_t start = xml.find('>', at) + 1;
      std::wstring& text = result.Pages.back().back().Text;
      std::string word = xml.substr(start, xml.find('<', start) - start);
      text += (text.empty() ? L"" : L" ") + WordText(word);
    }
  }
  return result;
}

// Tahoma at 10 points, as a control on this screen has it.
LOGFONTW ScreenFont() {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(10, static_cast<int>(GetDpiForSystem()), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpyW(font.lfFaceName, L"Tahoma");
  return font;
}

// The height of a line of 10-point Tahoma on the printer, in its pixels.
int TenPointLineHeight(HDC printer) {
  LOGFONTW font = ScreenFont();
  font.lfHeight = -MulDiv(10, GetDeviceCaps(printer, LOGPIXELSY), 72);
  win::UniqueHFont handle(CreateFontIndirectW(&font));
  win::SelectGuard select(printer, handle.Get());
  SIZE size{};
  GetTextExtentPoint32W(printer, L"X", 1, &size);
  return size.cy;
}

// Lines in three scripts. Wine's printer driver draws only the chosen font's own letters (it links
// no other font), so the third is Georgian, which the UI font has, not Chinese.
std::vector<std::wstring> NumberedLines(int count) {
  std::vector<std::wstring> lines;
  for (int i = 1; i <= count; ++i) {
    std::wstring number = std::to_wstring(i);
    number.insert(0, 3 - number.size(), L'0');
    lines.push_back(L"Line " + number +
                    L" Caf\u00E9 \u041F\u0440\u0438\u0432\u0435\u0442 "
                    L"\u10DE\u10E0\u10DD\u10D2\u10E0\u10D0\u10DB\u10D0 re-install");
  }
  return lines;
}

}  // namespace

TEST(PrintLines, LongListFlowsOverPagesEachLineOnceInOrderFromTheTopMargin) {
  TPrinterOutput output;
  ASSERT_TRUE(output.Ready());
  win::UniqueHdc printer = DefaultPrinterDc();
  const int dpi = GetDeviceCaps(printer.Get(), LOGPIXELSY);
  const int h = TenPointLineHeight(printer.Get());
  const int perPage = (GetDeviceCaps(printer.Get(), VERTRES) - 200 - 200) / h;
  ASSERT_GT(perPage, 10);
  const std::vector<std::wstring> lines = NumberedLines(150);
  const size_t pages = (lines.size() + perPage - 1) / perPage;
  ASSERT_GE(pages, 2u);

  PrintLines(printer.Get(), lines, ScreenFont(), L"Purgalot print test");
  TPrintedPdf pdf = ReadPdf(output.Next());

  EXPECT_EQ(pdf.Title, "Purgalot print test");
  ASSERT_EQ(pdf.Pages.size(), pages);
  auto points = [dpi](double units) { return units * 72.0 / dpi; };
  const double firstTop = pdf.Pages[0].empty() ? 0 : pdf.Pages[0][0].Y;
  // The text's top lies a little below the line's cell top, by the font's internal leading.
  EXPECT_NEAR(firstTop, points(200 + h), points(h) / 2);
  size_t next = 0;
  for (size_t page = 0; page < pdf.Pages.size(); ++page) {
    const auto& printed = pdf.Pages[page];
    size_t expected = std::min<size_t>(perPage, lines.size() - next);
    ASSERT_EQ(printed.size(), expected) << "page " << page + 1;
    for (size_t n = 0; n < printed.size(); ++n, ++next) {
      EXPECT_EQ(printed[n].Text, lines[next]) << "page " << page + 1;
      EXPECT_NEAR(printed[n].X, points(100), 0.5) << printed[n].Text;
      EXPECT_NEAR(printed[n].Y, firstTop + points(static_cast<double>(n) * h), 0.1)
          << printed[n].Text;
    }
  }
  EXPECT_EQ(next, lines.size());
}

TEST(PrintLines, EmptyListPrintsOneEmptyPage) {
  TPrinterOutput output;
  ASSERT_TRUE(output.Ready());
  PrintLines(DefaultPrinterDc().Get(), {}, ScreenFont());
  TPrintedPdf pdf = ReadPdf(output.Next());
  ASSERT_EQ(pdf.Pages.size(), 1u);
  EXPECT_TRUE(pdf.Pages[0].empty());
}

TEST(PrintLines, JobThatCannotStartThrowsAClearError) {
  win::UniqueHdc notAPrinter(CreateCompatibleDC(nullptr));
  try {
    PrintLines(notAPrinter.Get(), {L"one line"}, ScreenFont());
    FAIL() << "printing on a memory DC did not fail";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("The print job could not be started", 0), 0u)
        << e.what();
  }
}

TEST(DefaultPrinterDc, WithoutADefaultPrinterThrowsAClearError) {
  // (With CUPS stopped Wine has no printer at all, but only in processes started while no other
  // process of the prefix has its spooler loaded, as this one has.)
  TNoDefaultPrinter none;
  try {
    DefaultPrinterDc();
    FAIL() << "no error without a default printer";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), win::ToUtf8(kNoPrinter));
  }
}
