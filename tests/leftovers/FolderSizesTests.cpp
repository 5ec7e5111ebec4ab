#include "leftovers/FolderSizes.h"

#include "leftovers/ProgramFacts.h"
#include "support/TestMachine.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

using namespace testing_support;

namespace {

// Made by the folder links fixture: 8 bytes of files and a link to a folder of 8 bytes more.
const wchar_t kSizedWithLink[] = L"C:\\purgalot_links\\sized";

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  win::UniqueCoTaskMemory path;
  if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, reinterpret_cast<PWSTR*>(path.Put())))) return {};
  return static_cast<const wchar_t*>(path.Get());
}

std::string ReadBytes(const std::wstring& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::wstring& file, const std::string& bytes) {
  std::ofstream(std::filesystem::path(file), std::ios::binary) << bytes;
}

// Each request's answers: the folder, and the size when one was measured.
struct TAnswers {
  std::map<std::wstring, std::wstring> Folders;
  std::map<std::wstring, int64_t> Sizes;
};

TAnswers Measure(const std::vector<TFolderSizeRequest>& requests, const std::wstring& cacheFile) {
  TFolderSizeCache cache(cacheFile);
  TAnswers answers;
  MeasureFolders(requests, cache, [&](TFolderSizeAnswer a) {
    if (a.Bytes >= 0)
      answers.Sizes[a.Key] = a.Bytes;
    else
      answers.Folders[a.Key] = a.InstallFolder;
  });
  return answers;
}

TEST(InstallFolder, IsTheLocationThenTheUninstallersThenTheIconsFolderPassingOverSharedPlaces) {
  TTempDir dir;
  const std::wstring app = dir.MakeFolder(L"App"), tools = dir.MakeFolder(L"Tools"),
                     icons = dir.MakeFolder(L"Icons");
  const std::wstring documents = KnownFolder(FOLDERID_Documents);
  ASSERT_FALSE(documents.empty());
  struct {
    std::wstring Location, Uninstaller, Icon, Expected;
  } cases[] = {
      // A location that exists wins, quoted and with a trailing backslash as installers write it.
      {L"\"" + app + L"\\\"", L"\"" + tools + L"\\unins000.exe\"", icons + L"\\a.ico", app},
      // A location that is gone, then the uninstaller's folder (its arguments left out).
      {dir.Path() + L"Gone", L"\"" + tools + L"\\unins000.exe\" /SILENT", icons + L"\\a.ico",
       tools},
      {L"", tools + L"\\uninstall.exe /S", L"", tools},
      // A system uninstaller's folder, then the icon's (its index left out).
      {L"", L"MsiExec.exe /X{5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1D4}", icons + L"\\a.exe,0", icons},
      {L"", L"C:\\windows\\system32\\rundll32.exe x.dll,Remove", icons + L"\\a.exe", icons},
      // A drive root, a known user folder, a system folder: nothing of the program's own.
      {L"C:\\", documents + L"\\remove.exe", L"C:\\windows\\system32\\shell32.dll,3", L""},
      {documents, L"C:\\Program Files\\uninstall.exe", L"", L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DeriveInstallFolder(c.Location, c.Uninstaller, c.Icon), c.Expected)
        << c.Location << " | " << c.Uninstaller << " | " << c.Icon;
}

TEST(FolderSizes, OnlyOwnFoldersOfEntriesWithoutASizeAreSummedAndLinksAreNeverFollowed) {
  TTempDir dir;
  dir.MakeFile(L"Shared\\common.dll", "12345");
  dir.MakeFile(L"Suite\\suite.exe", "1234");
  dir.MakeFile(L"Suite\\Tool\\tool.exe", "123456");
  dir.MakeFile(L"Stated\\big.bin", "123");
  const std::wstring shared = dir.Path() + L"Shared", suite = dir.Path() + L"Suite";
  std::vector<TFolderSizeRequest> requests = {
      {L"linked", kSizedWithLink, L"", L"", true},
      // Two programs in one folder: a sum would belong to neither.
      {L"shared1", shared, L"", L"", true},
      {L"shared2", L"", L"\"" + shared + L"\\uninstall.exe\"", L"", true},
      // A folder holding another program's folder is not summed; the inner one is.
      {L"suite", suite, L"", L"", true},
      {L"tool", suite + L"\\Tool", L"", L"", true},
      // The entry states a size of its own.
      {L"stated", dir.Path() + L"Stated", L"", L"", false},
      // Protected places are never install folders.
      {L"system", L"C:\\windows\\system32", L"C:\\windows\\system32\\x.exe", L"", true},
  };
  TAnswers answers = Measure(requests, dir.Path() + L"cache.txt");

  EXPECT_EQ(answers.Folders.size(), requests.size());
  EXPECT_EQ(answers.Folders[L"shared2"], shared);
  EXPECT_EQ(answers.Folders[L"stated"], dir.Path() + L"Stated");
  EXPECT_EQ(answers.Folders[L"system"], L"");
  EXPECT_EQ(answers.Sizes, (std::map<std::wstring, int64_t>{{L"linked", 8}, {L"tool", 6}}));
  EXPECT_EQ(SumFolderBytes(kSizedWithLink), 8);
  EXPECT_EQ(SumFolderBytes(dir.Path() + L"Missing"), -1);
}

TEST(FolderSizes, AreKeptUntilTheFolderChangesAndACorruptCacheIsRebuilt) {
  TTempDir dir;
  const std::wstring app = dir.MakeFolder(L"App");
  dir.MakeFile(L"App\\Data\\a.dat", "1234");
  const std::wstring cacheFile = dir.Path() + L"Cache\\FolderSizes.txt";
  dir.MakeFolder(L"Cache");
  WriteBytes(cacheFile, std::string("\xff\xfe\0garbage\r\n\t\t\n", 14));
  const std::vector<TFolderSizeRequest> requests = {{L"app", app, L"", L"", true}};

  EXPECT_EQ(Measure(requests, cacheFile).Sizes[L"app"], 4);
  const std::string saved = ReadBytes(cacheFile);
  EXPECT_TRUE(saved.starts_with("Tarvenholt Purgalot folder sizes 1\r\n")) << saved;

  // A file deeper down grows: the folder's own time stands, so the stored size is given.
  dir.MakeFile(L"App\\Data\\a.dat", "123456789");
  EXPECT_EQ(Measure(requests, cacheFile).Sizes[L"app"], 4);
  // A line that does not read back is dropped; the others still count.
  WriteBytes(cacheFile, saved + "12\tnot a number\tC:\\Other\r\n\t\r\n");
  EXPECT_EQ(Measure(requests, cacheFile).Sizes[L"app"], 4);
  // The folder itself changes: measured again.
  dir.MakeFile(L"App\\new.txt", "12");
  EXPECT_EQ(Measure(requests, cacheFile).Sizes[L"app"], 11);
  EXPECT_EQ(ReadBytes(cacheFile).find("not a number"), std::string::npos);
}

}  // namespace
