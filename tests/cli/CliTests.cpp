// purgalot-cli.exe run as a process, as a script runs it, on programs installed in the machine's
// own Uninstall keys; its output read back by a JSON and a CSV reader of the test's own. The test
// runs without a display (see CMakeLists.txt).
#include "cli/CliOptions.h"
#include "inventory/NormalUninstall.h"
#include "inventory/Registry.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// ---- readers of the program's output ----

using TObject = std::map<std::string, std::optional<std::string>>;  // null as no value

// A JSON array of flat objects (strings, arrays of strings, numbers, true/false, null), strings
// decoded to UTF-8.
// Fails the test on anything else.
std::vector<TObject> ReadJsonArray(const std::string& text) {
  size_t at = 0;
  const auto blanks = [&] {
    while (at < text.size() && std::string_view(" \t\r\n").find(text[at]) != std::string::npos) ++at;
  };
  const auto expect = [&](char c) {
    blanks();
    if (at >= text.size() || text[at] != c) throw std::runtime_error("expected " + std::string(1, c) + " at " + std::to_string(at));
    ++at;
  };
  const auto string = [&] {
    expect('"');
    std::wstring out;
    for (;;) {
      if (at >= text.size()) throw std::runtime_error("open string");
      char c = text[at++];
      if (c == '"') break;
      if (static_cast<unsigned char>(c) < 0x20) throw std::runtime_error("raw control character");
      if (c != '\\') {
        size_t start = at - 1, end = at;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
        std::wstring part;
        if (!win::TryFromUtf8(text.substr(start, end - start), part)) throw std::runtime_error("bad UTF-8");
        out += part;
        at = end;
        continue;
      }
      char e = text[at++];
      switch (e) {
        case 'n': out += L'\n'; break;
        case 'r': out += L'\r'; break;
        case 't': out += L'\t'; break;
        case 'b': out += L'\b'; break;
        case 'f': out += L'\f'; break;
        case 'u': out += static_cast<wchar_t>(std::stoul(text.substr(at, 4), nullptr, 16)); at += 4; break;
        default: out += static_cast<wchar_t>(e);
      }
    }
    return out;
  };
  std::vector<TObject> objects;
  expect('[');
  blanks();
  if (at < text.size() && text[at] == ']') return ++at, objects;
  for (;;) {
    TObject object;
    expect('{');
    for (;;) {
      std::string name = win::ToUtf8(string());
      expect(':');
      blanks();
      if (text[at] == '[') {  // an array of strings, kept one per line
        ++at;
        std::string lines;
        blanks();
        while (text[at] != ']') {
          lines += win::ToUtf8(string()) + "\n";
          blanks();
          if (text[at] == ',') ++at;
          blanks();
        }
        ++at;
        object[name] = lines;
      } else if (text[at] == '"') {
        // Lone surrogates come back as they went in: compare them as UTF-16 code units.
        std::wstring value = string();
        std::string bytes;
        for (size_t i = 0; i < value.size(); ++i) {
          wchar_t c = value[i];
          bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() &&
                      value[i + 1] >= 0xDC00 && value[i + 1] <= 0xDFFF;
          if (pair) {
            bytes.append(win::ToUtf8(value.substr(i++, 2)));
          } else if (c >= 0xD800 && c <= 0xDFFF) {
            bytes.push_back('<');
            bytes.append(std::to_string(static_cast<unsigned>(c)));
            bytes.push_back('>');
          } else {
            bytes.append(win::ToUtf8(std::wstring_view(&value[i], 1)));
          }
        }
        object[name] = bytes;
      } else {
        size_t end = text.find_first_of(",}", at);
        std::string word = text.substr(at, end - at);
        while (!word.empty() && isspace(static_cast<unsigned char>(word.back()))) word.pop_back();
        at = end;
        if (word == "null") object[name] = std::nullopt;
        else object[name] = word;  // a number, true or false
      }
      blanks();
      if (text[at] == ',') { ++at; continue; }
      expect('}');
      break;
    }
    objects.push_back(object);
    blanks();
    if (text[at] == ',') { ++at; continue; }
    expect(']');
    break;
  }
  blanks();
  if (at != text.size()) throw std::runtime_error("text after the array");
  return objects;
}

// RFC 4180: records end in CR LF, fields with commas, quotes or line breaks are quoted.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false, wasQuoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      rows.back().push_back(field), field.clear(), wasQuoted = false;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(field), field.clear(), wasQuoted = false;
      rows.emplace_back();
      ++i;
    } else {
      if (c == '"' || c == '\n' || c == '\r') throw std::runtime_error("bare quote or line break");
      field += c;
    }
  }
  if (quoted) throw std::runtime_error("open quote");
  if (!rows.back().empty() || !field.empty()) throw std::runtime_error("no CR LF after the last record");
  rows.pop_back();
  return rows;
}

// ---- the machine ----

std::wstring Tag() { return L"PurgalotCli" + std::to_wstring(GetCurrentProcessId()); }

struct TPlace {
  HKEY Root;
  REGSAM View;
  const wchar_t* IdPrefix;
};
const TPlace kMachine64{HKEY_LOCAL_MACHINE, 0, L"HKLM\\x64\\"};
const TPlace kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"HKLM\\x86\\"};
const TPlace kUser{HKEY_CURRENT_USER, 0, L"HKCU\\"};

// An entry of the machine's own Uninstall keys, removed again with the test. Its uninstaller is a
// copy of the sample uninstaller that reads its options from a file beside it.
class TEntry {
public:
  TEntry(TTempDir& dir, TPlace place, const std::wstring& keyName, const std::wstring& name,
         const std::wstring& options)
      : place_(place), keyName_(Tag() + keyName) {
    std::wstring folder = dir.MakeFolder(L"Programs\\" + keyName_ + std::to_wstring(place.View));
    Uninstaller = folder + L"\\uninst.exe";
    CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), Uninstaller.c_str(), FALSE);
    std::wstring all = L"/delay 0 /key \"" + keyName_ + L"\" " + options;
    if (place.Root == HKEY_CURRENT_USER) all += L" /root HKCU";
    if (place.View == KEY_WOW64_32KEY) all += L" /view 32";
    dir.MakeFile(L"Programs\\" + keyName_ + std::to_wstring(place.View) + L"\\uninst.dat",
                 win::ToUtf8(all));
    Set(L"DisplayName", name);
    Set(L"UninstallString", L"\"" + Uninstaller + L"\" /S");
  }
  ~TEntry() {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    reg.DeleteKey(L"\\" + Key());
  }
  TEntry(const TEntry&) = delete;
  TEntry& operator=(const TEntry&) = delete;

  std::wstring Id() const { return place_.IdPrefix + keyName_; }
  std::wstring Key() const { return std::wstring(kUninstallKey) + L"\\" + keyName_; }
  bool Installed() const {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    return reg.KeyExists(L"\\" + Key());
  }
  void Set(const std::wstring& name, const std::wstring& text) {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    reg.OpenKey(L"\\" + Key(), true);
    reg.WriteString(name, text);
  }
  void SetDword(const std::wstring& name, DWORD value) {
    TRegistry reg(place_.View);
    reg.SetRootKey(place_.Root);
    reg.OpenKey(L"\\" + Key(), true);
    reg.WriteInteger(name, static_cast<int>(value));
  }
  std::wstring Uninstaller;

private:
  TPlace place_;
  std::wstring keyName_;
};

struct TRun {
  DWORD Code = 0xDEADBEEF;
  std::string Out;
  std::string Err;
};

class CliTest : public ::testing::Test {
protected:
  CliTest() {
    // A copy of its own, so that the log it writes beside itself and the msiexec it finds there
    // are the test's.
    program = dir.MakeFolder(L"Cli") + L"\\purgalot-cli.exe";
    CopyFileW((TestBinFolder() + L"..\\dist\\purgalot-cli.exe").c_str(), program.c_str(), FALSE);
  }

  TRun Run(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // Files of each run's own: the console host of an earlier run may still hold its files open.
    const std::wstring n = std::to_wstring(++runs_);
    const std::wstring outPath = dir.Path() + L"out" + n + L".txt";
    const std::wstring errPath = dir.Path() + L"err" + n + L".txt";
    TRun run;
    {
      win::UniqueFile out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, 0, nullptr));
      win::UniqueFile err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, 0, nullptr));
      if (!out || !err) {
        ADD_FAILURE() << "cannot make the output files";
        return run;
      }
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = out.Get();
      startup.hStdError = err.Get();
      std::wstring line = L"\"" + program + L"\" " + arguments;
      PROCESS_INFORMATION pi{};
      if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &pi)) {
        ADD_FAILURE() << "cannot start " << win::ToUtf8(line);
        return run;
      }
      win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
      EXPECT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
      GetExitCodeProcess(process.Get(), &run.Code);
    }
    run.Out = ReadFile(outPath);
    run.Err = ReadFile(errPath);
    return run;
  }

  static std::string ReadFile(const std::wstring& path) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(1 << 22, '\0');
    DWORD read = 0;
    if (file) ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }

  std::string LogText() { return ReadFile(dir.Path() + L"Cli\\ULog.txt"); }

  TTempDir dir;
  std::wstring program;

private:
  int runs_ = 0;
};

// One line on standard error naming the cause, nothing on standard output.
void ExpectOneLineError(const TRun& run, const std::string& part) {
  EXPECT_TRUE(run.Out.empty()) << run.Out;
  EXPECT_EQ(run.Err.find("\r\n"), run.Err.size() - 2) << run.Err;
  EXPECT_NE(run.Err.find(part), std::string::npos) << run.Err;
}

// Columns a line of UTF-8 takes on a console: CJK letters two, others one.
size_t ConsoleColumns(const std::string& line) {
  std::wstring text;
  EXPECT_TRUE(win::TryFromUtf8(line, text));
  size_t columns = 0;
  for (wchar_t c : text) columns += c >= 0x2E80 && c <= 0xA4CF ? 2 : 1;
  return columns;
}

TEST_F(CliTest, ListWritesEveryEntryAsJsonCsvAndTableThatReadBackTheSame) {
  const std::wstring odd = Tag() + L" Ünïcode 工具 \"Quoted\", comma\\slash";
  TEntry a(dir, kMachine64, L"A", odd, L"");
  a.Set(L"Publisher", L"Tarven, \"Co\"");
  a.Set(L"DisplayVersion", L"1.2");
  a.Set(L"InstallDate", L"20240229");
  a.SetDword(L"EstimatedSize", 2048);
  a.Set(L"InstallLocation", L"C:\\Program Files\\Odd");
  a.Set(L"QuietUninstallString", L"\"" + a.Uninstaller + L"\" /S /quiet");
  TEntry b(dir, kMachine32, L"B{11111111-2222-3333-4444-555555555555}", Tag() + L" Thirty-two", L"");
  b.Set(L"InstallDate", L"2024-1-5");  // not a date the entry format knows
  TEntry c(dir, kUser, L"C", Tag() + L" User\r\nline \xD800 lone", L"");
  c.Set(L"UninstallString", L"\"C:\\nowhere\\uninst.exe\"");

  TRun json = Run(L"list --name " + Tag() + L" --format json");
  ASSERT_EQ(json.Code, 0u) << json.Err;
  EXPECT_NE(json.Out.substr(0, 3), "\xEF\xBB\xBF");
  std::vector<TObject> objects = ReadJsonArray(json.Out);
  ASSERT_EQ(objects.size(), 3u) << json.Out;
  std::map<std::string, TObject> byId;
  for (const auto& o : objects) byId[*o.at("id")] = o;
  const TObject& first = byId.at(win::ToUtf8(a.Id()));
  EXPECT_EQ(first.at("name"), win::ToUtf8(odd));
  EXPECT_EQ(first.at("publisher"), "Tarven, \"Co\"");
  EXPECT_EQ(first.at("version"), "1.2");
  EXPECT_EQ(first.at("installDate"), "2024-02-29");
  EXPECT_EQ(first.at("sizeKB"), "2048");
  EXPECT_EQ(first.at("installLocation"), "C:\\Program Files\\Odd");
  EXPECT_EQ(first.at("uninstallCommand"), win::ToUtf8(L"\"" + a.Uninstaller + L"\" /S"));
  EXPECT_EQ(first.at("quietUninstallCommand"), win::ToUtf8(L"\"" + a.Uninstaller + L"\" /S /quiet"));
  EXPECT_EQ(first.at("uninstallerMissing"), "false");
  const TObject& second = byId.at(win::ToUtf8(b.Id()));
  EXPECT_EQ(second.at("installDate"), std::nullopt);
  // No size of its own: its install folder (the uninstaller's) is measured, as the window does.
  ASSERT_TRUE(second.at("sizeKB")) << json.Out;
  EXPECT_GT(std::stoi(*second.at("sizeKB")), 0);
  EXPECT_EQ(second.at("quietUninstallCommand"), std::nullopt);
  const TObject& third = byId.at(win::ToUtf8(c.Id()));
  EXPECT_EQ(third.at("name"), win::ToUtf8(Tag() + L" User\r\nline ") + "<55296>" + " lone");
  EXPECT_EQ(third.at("uninstallerMissing"), "true");
  EXPECT_EQ(third.at("sizeKB"), std::nullopt);  // no folder to measure
  EXPECT_EQ(first.size(), 10u);

  TRun csv = Run(L"list --name " + Tag() + L" --format csv");
  ASSERT_EQ(csv.Code, 0u) << csv.Err;
  auto rows = ReadCsv(csv.Out);
  ASSERT_EQ(rows.size(), 4u) << csv.Out;
  const std::vector<std::string> columns = {"id", "name", "version", "publisher", "installDate",
      "sizeKB", "installLocation", "uninstallCommand", "quietUninstallCommand", "uninstallerMissing"};
  EXPECT_EQ(rows[0], columns);
  for (size_t r = 1; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), columns.size());
    const TObject& o = byId.at(rows[r][0]);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] == "name" && rows[r][0] == win::ToUtf8(c.Id())) continue;  // lone surrogate
      EXPECT_EQ(rows[r][i], o.at(columns[i]).value_or("")) << columns[i];
    }
  }

  // The table fits 80 columns and never cuts an id, long as it is.
  TRun table = Run(L"list --name " + Tag());
  ASSERT_EQ(table.Code, 0u) << table.Err;
  size_t lines = 0;
  for (size_t at = 0, end; (end = table.Out.find("\r\n", at)) != std::string::npos; at = end + 2, ++lines)
    EXPECT_LE(ConsoleColumns(table.Out.substr(at, end - at)), 80u) << table.Out.substr(at, end - at);
  EXPECT_EQ(lines, 5u) << table.Out;
  for (const TEntry* e : {&a, &b, &c}) EXPECT_NE(table.Out.find(win::ToUtf8(e->Id())), std::string::npos);
}

TEST_F(CliTest, ListFiltersByIdPublisherScopeAndWholeName) {
  TEntry a(dir, kMachine64, L"A", Tag() + L" Editor", L"");
  a.Set(L"Publisher", L"Tarvenholt Software");
  TEntry b(dir, kUser, L"B", Tag() + L" Editor Plus", L"");
  const auto ids = [&](const std::wstring& filters) {
    TRun run = Run(L"list --format json " + filters);
    std::vector<std::string> found;
    for (const auto& o : ReadJsonArray(run.Out)) found.push_back(*o.at("id"));
    return found;
  };
  const std::string idA = win::ToUtf8(a.Id()), idB = win::ToUtf8(b.Id());
  EXPECT_EQ(ids(L"--name \"" + win::ToLower(Tag()) + L" editor\""), (std::vector{idA, idB}));
  EXPECT_EQ(ids(L"--exact --name \"" + Tag() + L" Editor\""), (std::vector{idA}));
  EXPECT_EQ(ids(L"--name " + Tag() + L" --scope user"), (std::vector{idB}));
  EXPECT_EQ(ids(L"--name " + Tag() + L" --scope=machine --publisher TARVENHOLT"), (std::vector{idA}));
  EXPECT_EQ(ids(L"--id " + win::ToLower(b.Id())), (std::vector{idB}));
}

TEST_F(CliTest, BadUsageNothingMatchedAndAmbiguousNamesEachHaveTheirCode) {
  TEntry a(dir, kMachine64, L"A", Tag() + L" Twin", L"");
  TEntry b(dir, kUser, L"B", Tag() + L" Twin", L"");

  TRun help = Run(L"--help");
  EXPECT_EQ(help.Code, 0u);
  EXPECT_NE(help.Out.find("  4  a name matched more than one entry"), std::string::npos) << help.Out;

  for (const wchar_t* wrong : {L"", L"remove --id X", L"list --format xml", L"list --name",
                               L"uninstall --timeout 0 --id X", L"uninstall --exact --name X",
                               L"leftovers --id X --folder C:\\"}) {
    TRun run = Run(wrong);
    EXPECT_EQ(run.Code, static_cast<DWORD>(kExitUsage)) << win::ToUtf8(wrong);
    ExpectOneLineError(run, "purgalot-cli: ");
  }
  TRun none = Run(L"uninstall --name " + Tag() + L"Nothing");
  EXPECT_EQ(none.Code, static_cast<DWORD>(kExitNoMatch));
  ExpectOneLineError(none, win::ToUtf8(Tag()) + "Nothing");
  EXPECT_EQ(Run(L"list --id HKCU\\" + Tag() + L"Nothing").Code, static_cast<DWORD>(kExitNoMatch));

  // Never a guess: nothing runs, and the error names both entries.
  TRun twins = Run(L"uninstall --id " + a.Id() + L" --name \"" + Tag() + L" Twin\"");
  EXPECT_EQ(twins.Code, static_cast<DWORD>(kExitAmbiguous));
  ExpectOneLineError(twins, win::ToUtf8(b.Id()));
  EXPECT_TRUE(a.Installed());
  EXPECT_TRUE(b.Installed());
}

TEST_F(CliTest, UninstallRunsEachTargetInTurnAndExitsByHowTheyEnded) {
  TEntry quiet(dir, kMachine64, L"Q", Tag() + L" Quiet", L"");
  // Only its quiet command works.
  quiet.Set(L"UninstallString", L"\"C:\\nowhere\\uninst.exe\"");
  quiet.Set(L"QuietUninstallString", L"\"" + quiet.Uninstaller + L"\" /S");
  TEntry loud(dir, kMachine32, L"L", Tag() + L" Loud 工具", L"");
  TRun done = Run(L"uninstall --silent --name \"" + Tag() + L" Quiet\" --id " + loud.Id() +
                  L" --log \"" + dir.Path() + L"run.log\"");
  EXPECT_EQ(done.Code, 0u) << done.Out << done.Err;
  EXPECT_FALSE(quiet.Installed());
  EXPECT_FALSE(loud.Installed());
  EXPECT_NE(done.Out.find(win::ToUtf8(L"Completed: " + Tag() + L" Loud 工具 (" + loud.Id() + L"), exit code 0\r\n")),
            std::string::npos) << done.Out;
  EXPECT_NE(done.Out.find("Summary: 2 completed, 0 failed, 0 skipped, 0 restart needed."), std::string::npos);
  EXPECT_NE(ReadFile(dir.Path() + L"run.log").find(win::ToUtf8(L"Uninstalling " + Tag() + L" Loud 工具\r\nUninstall OK.")),
            std::string::npos);

  TEntry stays(dir, kUser, L"S", Tag() + L" Stays", L"/keep-key");
  TEntry works(dir, kUser, L"W", Tag() + L" Works", L"");
  EXPECT_EQ(Run(L"uninstall --id " + stays.Id()).Code, static_cast<DWORD>(kExitFailed));
  EXPECT_EQ(Run(L"uninstall --id " + stays.Id() + L" --id " + works.Id()).Code,
            static_cast<DWORD>(kExitSomeFailed));
  EXPECT_NE(LogText().find(win::ToUtf8(L"Uninstalling " + Tag() + L" Stays\r\nUninstaller did not")),
            std::string::npos);

  // A Windows Installer entry: the msiexec found beside the program is a stand-in that asks for
  // a restart.
  const std::wstring code = L"{" + std::wstring(L"0B0B0B0B-1111-2222-3333-") +
                            std::to_wstring(100000000000ull + GetCurrentProcessId()) + L"}";
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey(L"\\" + std::wstring(kUninstallKey) + L"\\" + code, true);
    reg.WriteString(L"DisplayName", Tag() + L" Installer MSI");
    reg.WriteString(L"UninstallString", L"MsiExec.exe /X" + code);
    reg.WriteInteger(L"WindowsInstaller", 1);
  }
  CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), (dir.Path() + L"Cli\\msiexec.exe").c_str(), FALSE);
  dir.MakeFile(L"Cli\\msiexec.dat", win::ToUtf8(L"/delay 0 /key " + code + L" /exit 3010"));
  TRun restart = Run(L"uninstall --silent --id HKLM\\x64\\" + code);
  EXPECT_EQ(restart.Code, static_cast<DWORD>(kExitRestartNeeded)) << restart.Out << restart.Err;
  EXPECT_NE(restart.Out.find("Completed, restart needed: "), std::string::npos) << restart.Out;
  TRegistry check;
  check.SetRootKey(HKEY_LOCAL_MACHINE);
  if (check.KeyExists(L"\\" + std::wstring(kUninstallKey) + L"\\" + code)) {
    ADD_FAILURE() << "the stand-in msiexec did not run";
    check.DeleteKey(L"\\" + std::wstring(kUninstallKey) + L"\\" + code);
  }

  // Still running when the time is up: reported, left running, and nothing after it starts.
  TEntry slow(dir, kUser, L"Slow", Tag() + L" Slow", L"/busy 2500");
  TEntry next(dir, kUser, L"Next", Tag() + L" Next", L"");
  TRun late = Run(L"uninstall --id " + slow.Id() + L" --id " + next.Id() + L" --timeout 1");
  EXPECT_EQ(late.Code, static_cast<DWORD>(kExitTimedOut)) << late.Out;
  EXPECT_NE(late.Out.find("Skipped: "), std::string::npos) << late.Out;
  EXPECT_TRUE(next.Installed());
  EXPECT_TRUE(WaitUntil([&] { return !slow.Installed(); }));
}

TEST_F(CliTest, LeftoversAreListedAndRemovedByTheirLevel) {
  const std::wstring appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + Tag() + L".exe";
  const auto install = [&](const std::wstring& key, const std::wstring& name) {
    // No file name may hold a double quote; the entry's name keeps its own.
    std::wstring folderName = name;
    std::erase(folderName, L'"');
    std::wstring folder = dir.MakeFolder(L"Installed\\" + folderName);
    dir.MakeFile(L"Installed\\" + folderName + L"\\program.exe");
    auto entry = std::make_unique<TEntry>(dir, kUser, key, name, L"/dir \"" + folder + L"\" /leave-files");
    entry->Set(L"InstallLocation", folder);
    return std::pair{std::move(entry), folder};
  };
  auto [first, firstFolder] = install(L"L1", Tag() + L" Leftie, \"One\"");
  TRegistry paths;
  paths.SetRootKey(HKEY_CURRENT_USER);
  paths.OpenKey(L"\\" + appPaths, true);
  paths.WriteString(L"", firstFolder + L"\\program.exe");
  paths.CloseKey();

  TRun json = Run(L"leftovers --id " + first->Id() + L" --format json");
  ASSERT_EQ(json.Code, 0u) << json.Err;
  std::vector<TObject> finds = ReadJsonArray(json.Out);
  const auto find = [&](const std::string& path) -> const TObject* {
    for (const auto& f : finds)
      if (f.at("path") == path) return &f;
    return nullptr;
  };
  const TObject* folder = find(win::ToUtf8(firstFolder));
  ASSERT_TRUE(folder) << json.Out;
  EXPECT_EQ(folder->at("kind"), "folder");
  EXPECT_EQ(folder->at("level"), "very-sure");
  EXPECT_EQ(folder->at("ticked"), "true");
  EXPECT_EQ(folder->at("value"), std::nullopt);
  EXPECT_EQ(folder->at("evidence")->substr(0, 36), "It is the program's install folder.\n");
  EXPECT_GT(std::stoi(*folder->at("score")), 0);
  const TObject* key = find(win::ToUtf8(L"HKEY_CURRENT_USER\\" + appPaths));
  ASSERT_TRUE(key) << json.Out;
  EXPECT_EQ(key->at("kind"), "key");
  TRun csv = Run(L"leftovers --id " + first->Id() + L" --format csv");
  auto rows = ReadCsv(csv.Out);
  ASSERT_EQ(rows.size(), finds.size() + 1) << csv.Out;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"kind", "path", "value", "level", "score", "evidence", "ticked"}));
  EXPECT_EQ(rows[1][1], *finds[0].at("path"));

  // Removed right after the uninstall, very sure finds only; recorded in the log.
  TRun removed = Run(L"uninstall --id " + first->Id() + L" --leftovers very-sure");
  EXPECT_EQ(removed.Code, 0u) << removed.Out << removed.Err;
  EXPECT_NE(removed.Out.find(win::ToUtf8(L"Leftovers of " + Tag() + L" Leftie, \"One\": 2 removed, 0 could not")),
            std::string::npos) << removed.Out;
  EXPECT_EQ(GetFileAttributesW(firstFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(paths.KeyExists(L"\\" + appPaths));
  EXPECT_NE(LogText().find(win::ToUtf8(L"Removing leftovers of " + Tag() + L" Leftie")), std::string::npos);

  // A program whose entry is gone is found by its name and folder.
  auto [second, secondFolder] = install(L"L2", Tag() + L" Second");
  ASSERT_EQ(Run(L"uninstall --id " + second->Id()).Code, 0u);
  ASSERT_NE(GetFileAttributesW(secondFolder.c_str()), INVALID_FILE_ATTRIBUTES);  // its Settings stayed
  TRun byName = Run(L"leftovers --name \"" + Tag() + L" Second\" --folder \"" + secondFolder +
                    L"\" --remove sure --format json");
  EXPECT_EQ(byName.Code, 0u) << byName.Err;
  finds = ReadJsonArray(byName.Out);
  ASSERT_TRUE(find(win::ToUtf8(secondFolder))) << byName.Out;
  EXPECT_EQ(find(win::ToUtf8(secondFolder))->at("status"), "OK");
  EXPECT_EQ(GetFileAttributesW(secondFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CliTest, RunsWhereNoWindowCanBeMade) {
  // The test runs without a display: no window can be made here, so the program made none.
  HWND probe = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
  if (probe) DestroyWindow(probe);
  ASSERT_EQ(probe, nullptr) << "this test must run without a display";
  TEntry a(dir, kUser, L"A", Tag() + L" Headless", L"");
  TRun list = Run(L"list --name " + Tag() + L" --format csv");
  EXPECT_EQ(list.Code, 0u) << list.Err;
  EXPECT_EQ(ReadCsv(list.Out).size(), 2u);
  EXPECT_EQ(Run(L"uninstall --id " + a.Id()).Code, 0u);
  EXPECT_FALSE(a.Installed());
}

}  // namespace
