#include "inventory/InstallerKind.h"

#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

const wchar_t kCode[] = L"{5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1D4}";

class InstallerKindTest : public ::testing::Test {
protected:
  TInstallerFacts Facts(const std::wstring& subkey) {
    return ReadInstallerFacts(key.Root(), 0, key.Path() + L"\\Uninstall\\" + subkey);
  }
  // The sample uninstaller copied into the folder, with the manifest given.
  std::wstring CopyOfProgram(const std::wstring& relative, const std::string& manifest) {
    std::wstring file = dir.MakeFile(relative);
    EXPECT_TRUE(CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), file.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(file.c_str(), FALSE);
    EXPECT_TRUE(update && UpdateResourceW(update, RT_MANIFEST, MAKEINTRESOURCEW(1),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                          const_cast<char*>(manifest.data()),
                                          static_cast<DWORD>(manifest.size())) &&
                EndUpdateResourceW(update, FALSE));
    return file;
  }
  void Set(const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
    key.SetString(L"Uninstall\\" + subkey, name, value);
  }

  TTestKey key;
  TTempDir dir;
};

TEST_F(InstallerKindTest, EntriesShapedAsEachInstallerWritesThemAreToldApart) {
  // Windows Installer: the product code is the key's name; modify and repair go through msiexec.
  key.AddProgram(kCode, L"Msi Tool", std::wstring(L"MsiExec.exe /X") + kCode);
  key.SetDword(std::wstring(L"Uninstall\\") + kCode, L"WindowsInstaller", 1);
  // The same with the commands forbidden, under a key that is no GUID.
  key.AddProgram(L"MsiLocked", L"Msi Locked", L"MsiExec.exe /X{00000000-0000-0000-0000-000000000000}");
  key.SetDword(L"Uninstall\\MsiLocked", L"WindowsInstaller", 1);
  key.SetDword(L"Uninstall\\MsiLocked", L"NoModify", 1);
  key.SetDword(L"Uninstall\\MsiLocked", L"NoRepair", 1);
  // Inno Setup: "<AppId>_is1" with its "Inno Setup: ..." values and unins000.exe.
  std::wstring inno = dir.MakeFile(L"Inno App\\unins000.exe", "MZ inno");
  key.AddProgram(L"InnoApp_is1", L"Inno App", L"\"" + inno + L"\"");
  Set(L"InnoApp_is1", L"Inno Setup: App Path", dir.Path() + L"Inno App");
  // Inno Setup known by its uninstaller's name alone, with a modify command of its own.
  key.AddProgram(L"InnoBare", L"Inno Bare", L"\"" + dir.Path() + L"Bare\\unins001.exe\" /SILENT");
  Set(L"InnoBare", L"ModifyPath", L"\"C:\\Bare\\setup.exe\" /modify");
  // NSIS: an uninstall.exe whose manifest names NSIS's program head.
  std::wstring nsis = CopyOfProgram(L"Nsis App\\uninstall.exe",
                                    "<assembly><assemblyIdentity name=\"Nullsoft.NSIS.exehead\" "
                                    "type=\"win32\"/></assembly>");
  key.AddProgram(L"NsisApp", L"Nsis App", L"\"" + nsis + L"\"");
  // An uninstall.exe with another manifest, a text file of that name, one that is missing:
  // none of them is NSIS.
  std::wstring plain = CopyOfProgram(L"Plain\\uninstall.exe",
                                     "<assembly><assemblyIdentity name=\"Plain\"/></assembly>");
  key.AddProgram(L"Plain", L"Plain", L"\"" + plain + L"\" /S");
  std::wstring text = dir.MakeFile(L"Text\\uninst.exe", "MZ Nullsoft Install System");
  key.AddProgram(L"Text", L"Text", L"\"" + text + L"\"");
  key.AddProgram(L"Gone", L"Gone", dir.Path() + L"Gone\\uninst.exe");

  struct {
    const wchar_t* Key;
    TInstallerKind Kind;
    std::wstring ProductCode, Modify, Repair;
  } cases[] = {
      {kCode, TInstallerKind::WindowsInstaller, kCode, std::wstring(L"MsiExec.exe /I") + kCode,
       std::wstring(L"MsiExec.exe /f") + kCode},
      {L"MsiLocked", TInstallerKind::WindowsInstaller, L"", L"", L""},
      {L"InnoApp_is1", TInstallerKind::InnoSetup, L"", L"", L""},
      {L"InnoBare", TInstallerKind::InnoSetup, L"", L"\"C:\\Bare\\setup.exe\" /modify", L""},
      {L"NsisApp", TInstallerKind::Nsis, L"", L"", L""},
      {L"Plain", TInstallerKind::Other, L"", L"", L""},
      {L"Text", TInstallerKind::Other, L"", L"", L""},
      {L"Gone", TInstallerKind::Other, L"", L"", L""},
      {L"NoSuchKey", TInstallerKind::Other, L"", L"", L""},
  };
  for (const auto& c : cases) {
    TInstallerFacts facts = Facts(c.Key);
    EXPECT_EQ(facts.Kind, c.Kind) << c.Key;
    EXPECT_EQ(facts.ProductCode, c.ProductCode) << c.Key;
    EXPECT_EQ(facts.ModifyCommand, c.Modify) << c.Key;
    EXPECT_EQ(facts.RepairCommand, c.Repair) << c.Key;
  }
  EXPECT_STREQ(InstallerKindText(TInstallerKind::Nsis), L"NSIS");
}

TEST(ProductCode, IsABracedGuidOfHexDigitsAndNothingElse) {
  EXPECT_TRUE(IsProductCode(kCode));
  EXPECT_TRUE(IsProductCode(L"{5fce6d76-f5dc-37ab-b2b8-22ab8cedb1d4}"));
  for (const wchar_t* text : {L"5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1D4",
                              L"{5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1D}",
                              L"{5FCE6D76-F5DC-37AB-B2B822AB8CEDB1D4-}",
                              L"{5FCE6D76-F5DC-37AB-B2B8-22AB8CEDB1DG}", L"InnoApp_is1"})
    EXPECT_FALSE(IsProductCode(text)) << text;
}

}  // namespace
