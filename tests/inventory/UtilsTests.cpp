#include "inventory/Utils.h"

#include "inventory/Registry.h"
#include "support/TestMachine.h"
#include "win/UniqueHandle.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// ---- Date and time texts ------------------------------------------------------------------------

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(day);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(minute);
  t.wSecond = static_cast<WORD>(second);
  return t;
}

TEST(DateTimeText, NumbersAreWrittenDayFirstWithoutLeadingZeros) {
  TDateTimeText newYear = TUtils::FormatDateTimeText(MakeTime(2027, 1, 1, 0, 0, 0));
  EXPECT_EQ(newYear.Date, L"1/1/2027");
  EXPECT_EQ(newYear.Time, L"0:0:0");
  TDateTimeText morning = TUtils::FormatDateTimeText(MakeTime(2026, 12, 6, 9, 5, 3));
  EXPECT_EQ(morning.Date, L"6/12/2026");
  EXPECT_EQ(morning.Time, L"9:5:3");
  TDateTimeText evening = TUtils::FormatDateTimeText(MakeTime(1999, 12, 31, 23, 59, 59));
  EXPECT_EQ(evening.Date, L"31/12/1999");
  EXPECT_EQ(evening.Time, L"23:59:59");
}

TEST(DateTimeText, TheCurrentTextsAreTheLocalDateAndTime) {
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  TDateTimeText now = TUtils::GetDateTimeText();
  GetLocalTime(&after);

  int day = 0, month = 0, year = 0, hour = -1, minute = -1, second = -1;
  ASSERT_EQ(swscanf(now.Date.c_str(), L"%d/%d/%d", &day, &month, &year), 3) << now.Date;
  ASSERT_EQ(swscanf(now.Time.c_str(), L"%d:%d:%d", &hour, &minute, &second), 3) << now.Time;
  auto same = [&](const SYSTEMTIME& t) {
    return t.wDay == day && t.wMonth == month && t.wYear == year && t.wHour == hour &&
           t.wMinute == minute && t.wSecond == second;
  };
  EXPECT_TRUE(same(before) || same(after)) << now.Date << L" " << now.Time;
}

// ---- Platform family ----------------------------------------------------------------------------

class PlatformTest : public ::testing::Test {
protected:
  ~PlatformTest() override { TUtils::SetPlatformFamily(TPlatformFamily::Detect); }
};

TEST_F(PlatformTest, WineIsTheNtFamilyUnlessTestsSayOtherwise) {
  EXPECT_TRUE(TUtils::IsNTPlatform());
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  EXPECT_FALSE(TUtils::IsNTPlatform());
  TUtils::SetPlatformFamily(TPlatformFamily::NT);
  EXPECT_TRUE(TUtils::IsNTPlatform());
  TUtils::SetPlatformFamily(TPlatformFamily::Win9x);
  TUtils::SetPlatformFamily(TPlatformFamily::Detect);
  EXPECT_TRUE(TUtils::IsNTPlatform());
}

// ---- Running a command and waiting for it -------------------------------------------------------

TEST(RunAndWait, ReturnsTheExitCodeOfTheProgram) {
  EXPECT_EQ(TUtils::RunAndWait(L"cmd.exe /c exit 3", SW_SHOWNORMAL), 3);
  EXPECT_EQ(TUtils::RunAndWait(L"cmd.exe /c exit 0", SW_SHOWNORMAL), 0);
  EXPECT_EQ(TUtils::RunAndWait(L"cmd /c exit 255", SW_HIDE), 255);
}

TEST(RunAndWait, ReturnsMinusOneAtOnceWhenNothingCanBeStarted) {
  TTempDir dir;
  std::wstring text = dir.MakeFile(L"readme.txt", "not a program");
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(TUtils::RunAndWait(dir.Path() + L"missing.exe /S", SW_SHOWNORMAL), -1);
  EXPECT_EQ(TUtils::RunAndWait(L"nosuchprogram_xyz", SW_SHOWNORMAL), -1);
  EXPECT_EQ(TUtils::RunAndWait(text, SW_SHOWNORMAL), -1);
  EXPECT_EQ(TUtils::RunAndWait(L"", SW_SHOWNORMAL), -1);
  EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST(RunAndWait, TakesLongCommandLinesUpToWhatTheSystemAccepts) {
  const std::wstring command = L"cmd.exe /c exit 5 & rem ";
  std::wstring twoThousand = command + std::wstring(2000 - command.size(), L'x');
  ASSERT_EQ(twoThousand.size(), 2000u);
  EXPECT_EQ(TUtils::RunAndWait(twoThousand, SW_SHOWNORMAL), 5);
  EXPECT_EQ(TUtils::RunAndWait(command + std::wstring(32767, L'x'), SW_SHOWNORMAL), -1);
  EXPECT_EQ(TUtils::RunAndWait(command + std::wstring(40000, L'x'), SW_SHOWNORMAL), -1);
}

// ---- Folders ------------------------------------------------------------------------------------

const wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kProgramFilesValue[] = L"ProgramFilesDir";

// Keeps the machine's "ProgramFilesDir" value and puts it back when the test ends.
class ProgramFilesDirTest : public ::testing::Test {
protected:
  ProgramFilesDirTest() {
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, key_.Put()),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.Get(), kProgramFilesValue, nullptr, &type, nullptr, &size) ==
        ERROR_SUCCESS) {
      std::vector<BYTE> data(size);
      RegQueryValueExW(key_.Get(), kProgramFilesValue, nullptr, &type, data.data(), &size);
      saved_ = TRegValue{type, std::move(data)};
    }
  }
  ~ProgramFilesDirTest() override {
    if (saved_)
      RegSetValueExW(key_.Get(), kProgramFilesValue, 0, saved_->RawType, saved_->Data.data(),
                     static_cast<DWORD>(saved_->Data.size()));
    else
      RegDeleteValueW(key_.Get(), kProgramFilesValue);
  }

  void Set(DWORD type, const void* data, size_t size) {
    ASSERT_EQ(RegSetValueExW(key_.Get(), kProgramFilesValue, 0, type,
                             static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }
  void SetText(const std::wstring& text) {
    Set(REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  void Remove() { RegDeleteValueW(key_.Get(), kProgramFilesValue); }

private:
  win::UniqueHKey key_;
  std::optional<TRegValue> saved_;
};

TEST_F(ProgramFilesDirTest, IsTheRegisteredFolderEndingInABackslash) {
  SetText(L"D:\\Apps");
  EXPECT_EQ(TUtils::GetProgramFilesDir(), L"D:\\Apps\\");
  SetText(L"D:\\Apps\\");
  EXPECT_EQ(TUtils::GetProgramFilesDir(), L"D:\\Apps\\");
  SetText(L"E:\\Программы");
  EXPECT_EQ(TUtils::GetProgramFilesDir(), L"E:\\Программы\\");
}

TEST_F(ProgramFilesDirTest, IsTheStandardFolderWhenNoneIsRegistered) {
  Remove();
  EXPECT_EQ(TUtils::GetProgramFilesDir(), L"C:\\Program Files\\");
  SetText(L"");
  EXPECT_EQ(TUtils::GetProgramFilesDir(), L"C:\\Program Files\\");
}

TEST_F(ProgramFilesDirTest, AValueThatIsNoTextRaisesTheRegistryError) {
  DWORD number = 1;
  Set(REG_DWORD, &number, sizeof number);
  try {
    TUtils::GetProgramFilesDir();
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Invalid data type for 'ProgramFilesDir'");
  }
}

TEST(SpecialFolder, IsTheShellsFolderWithoutATrailingBackslash) {
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_DESKTOPDIRECTORY}) {
    std::wstring folder = TUtils::GetSpecialFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_NE(folder.back(), L'\\') << folder;
    DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << folder;
  }
}

TEST(SpecialFolder, IsEmptyForAFolderTheSystemCannotGive) {
  EXPECT_EQ(TUtils::GetSpecialFolder(0x00ff), L"");  // no such folder number
  EXPECT_EQ(TUtils::GetSpecialFolder(CSIDL_DRIVES), L"");   // virtual, no file-system path
  EXPECT_EQ(TUtils::GetSpecialFolder(CSIDL_CONTROLS), L"");
  // Where the CD burning folder has not been made, the shell fills in its name yet reports
  // failure (as Wine does).
  wchar_t named[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, named, CSIDL_CDBURN_AREA, FALSE)) {
    EXPECT_EQ(TUtils::GetSpecialFolder(CSIDL_CDBURN_AREA), L"") << L"shell named " << named;
  }
}

// ---- Shortcuts ----------------------------------------------------------------------------------

struct TShortcutFields {
  std::wstring Target, Arguments, WorkingDirectory, Description, IconLocation;
  int IconIndex = 0;
  WORD HotKey = 0;
  int ShowCommand = SW_SHOWNORMAL;
};

class ShortcutTest : public ::testing::Test {
protected:
  std::wstring MakeShortcut(const std::wstring& name, const TShortcutFields& fields) {
    win::ComPtr<IShellLinkW> link;
    win::ComPtr<IPersistFile> file;
    std::wstring path = dir.Path() + name;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) {
      ADD_FAILURE() << "no shell link object";
      return path;
    }
    link->SetPath(fields.Target.c_str());
    link->SetArguments(fields.Arguments.c_str());
    link->SetWorkingDirectory(fields.WorkingDirectory.c_str());
    link->SetDescription(fields.Description.c_str());
    link->SetIconLocation(fields.IconLocation.c_str(), fields.IconIndex);
    link->SetHotkey(fields.HotKey);
    link->SetShowCmd(fields.ShowCommand);
    EXPECT_EQ(file->Save(path.c_str(), TRUE), S_OK);
    return path;
  }
  static TShortcutInfo Read(const std::wstring& file) {
    TShortcutInfo info;
    info.FileName = file;
    TUtils::ReadShortcut(info);
    return info;
  }
  static void ExpectEmpty(const TShortcutInfo& info) {
    EXPECT_EQ(info.Target, L"");
    EXPECT_EQ(info.Arguments, L"");
    EXPECT_EQ(info.WorkingDirectory, L"");
    EXPECT_EQ(info.Description, L"");
    EXPECT_EQ(info.IconLocation, L"");
    EXPECT_EQ(info.IconIndex, 0);
    EXPECT_EQ(info.HotKey, 0);
    EXPECT_EQ(info.ShowCommand, 0);
  }

  win::ComInit com;
  TTempDir dir;
};

TEST_F(ShortcutTest, ReadsEveryFieldOfAShortcutBack) {
  TShortcutFields fields;
  fields.Target = dir.MakeFile(L"Example App\\uninstall.exe", "MZ sample");
  fields.Arguments = L"/S /log=\"C:\\Log Files\\remove.txt\" /title=Удалить";
  fields.WorkingDirectory = dir.MakeFolder(L"Рабочая папка 工作");
  fields.Description = L"Removes the program · Удаляет программу · 卸载";
  fields.IconLocation = dir.MakeFile(L"Значки\\app.ico");
  fields.IconIndex = 2;
  fields.HotKey = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
  // Wine reads the show command of every saved shortcut as SW_SHOWNORMAL, so no other value can
  // be checked here.
  fields.ShowCommand = SW_SHOWNORMAL;

  TShortcutInfo info = Read(MakeShortcut(L"Uninstall Программа.lnk", fields));
  EXPECT_EQ(info.Target, fields.Target);
  EXPECT_EQ(info.Arguments, fields.Arguments);
  EXPECT_EQ(info.WorkingDirectory, fields.WorkingDirectory);
  EXPECT_EQ(info.Description, fields.Description);
  EXPECT_EQ(info.IconLocation, fields.IconLocation);
  EXPECT_EQ(info.IconIndex, 2);
  EXPECT_EQ(info.HotKey, fields.HotKey);
  EXPECT_EQ(info.ShowCommand, SW_SHOWNORMAL);
  EXPECT_STREQ(info.FindData.cFileName, L"uninstall.exe");
}

TEST_F(ShortcutTest, TheTargetKeepsANameInAnyScript) {
  TShortcutFields fields;
  fields.Target = dir.MakeFile(L"Программа 程序\\удалить.exe", "MZ sample");

  TShortcutInfo info = Read(MakeShortcut(L"target.lnk", fields));
  EXPECT_EQ(info.Target, fields.Target);
}

TEST_F(ShortcutTest, AShortcutWithoutIconOrArgumentsGivesEmptyTexts) {
  TShortcutFields fields;
  fields.Target = dir.MakeFile(L"App\\app.exe");

  TShortcutInfo info = Read(MakeShortcut(L"App.lnk", fields));
  EXPECT_EQ(info.Target, fields.Target);
  EXPECT_EQ(info.Arguments, L"");
  EXPECT_EQ(info.Description, L"");
  EXPECT_EQ(info.IconLocation, L"");
  EXPECT_EQ(info.HotKey, 0);
  EXPECT_EQ(info.ShowCommand, SW_SHOWNORMAL);
}

TEST_F(ShortcutTest, AFileThatIsNoShortcutLeavesEveryFieldEmpty) {
  ExpectEmpty(Read(dir.Path() + L"missing.lnk"));
  ExpectEmpty(Read(dir.MakeFile(L"garbage.lnk", std::string(300, '\x5a'))));
  ExpectEmpty(Read(dir.MakeFile(L"empty.lnk", "")));
  ExpectEmpty(Read(dir.MakeFolder(L"folder.lnk")));
}

// ---- System icons -------------------------------------------------------------------------------

TEST(SystemIcons, AnExistingFileHasASmallIconAndAMissingOneHasNone) {
  win::ComInit com;
  TTempDir dir;
  EXPECT_GE(TUtils::GetSmallIconIndex(SystemExe(L"notepad.exe")), 0);
  EXPECT_GE(TUtils::GetSmallIconIndex(dir.MakeFile(L"Программа\\readme.txt")), 0);
  EXPECT_EQ(TUtils::GetSmallIconIndex(dir.Path() + L"missing.exe"), -1);
}

TEST(SystemIcons, TheSmallAndLargeImageListsAreTheShellsTwoLists) {
  win::ComInit com;
  HIMAGELIST small = TUtils::GetSystemImageList(true);
  HIMAGELIST large = TUtils::GetSystemImageList(false);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_NE(small, large);
  int smallWidth = 0, smallHeight = 0, largeWidth = 0, largeHeight = 0;
  ASSERT_TRUE(ImageList_GetIconSize(small, &smallWidth, &smallHeight));
  ASSERT_TRUE(ImageList_GetIconSize(large, &largeWidth, &largeHeight));
  EXPECT_EQ(smallWidth, GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(largeWidth, GetSystemMetrics(SM_CXICON));
  EXPECT_LT(smallWidth, largeWidth);
  EXPECT_EQ(TUtils::GetSystemImageList(true), small) << "the same list every time";
}

}  // namespace
