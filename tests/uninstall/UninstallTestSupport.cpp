#include "UninstallTestSupport.h"

#include "win/Text.h"
#include "win/UniqueHandle.h"

namespace testing_support {

TSampleProgram InstallSample(TTestKey& key, TTempDir& dir, const std::wstring& subkey,
                             const std::wstring& name, const std::wstring& options) {
  TSampleProgram program;
  program.Key = L"Uninstall\\" + subkey;
  program.Folder = dir.MakeFolder(L"Programs\\" + subkey);
  dir.MakeFile(L"Programs\\" + subkey + L"\\program.exe");
  std::wstring uninstaller = TestBinFolder() + L"sampleuninst.exe";
  program.Command = L"\"" + uninstaller + L"\" /root HKCU /uninstallkey \"" + key.Path() +
                    L"\\Uninstall\" /key \"" + subkey + L"\" /dir \"" + program.Folder + L"\" " +
                    options;
  key.AddProgram(subkey, name, program.Command);
  key.SetString(program.Key + L"\\Components", L"Main", L"yes");
  return program;
}

TSampleProgram InstallSampleCopy(TTestKey& key, TTempDir& dir, const std::wstring& subkey,
                                 const std::wstring& name, const std::wstring& options) {
  TSampleProgram program;
  program.Key = L"Uninstall\\" + subkey;
  program.Folder = dir.MakeFolder(L"Programs\\" + subkey);
  std::wstring uninstaller = program.Folder + L"\\uninst.exe";
  CopyFileW((TestBinFolder() + L"sampleuninst.exe").c_str(), uninstaller.c_str(), FALSE);
  std::wstring optionsText = L"/root HKCU /uninstallkey \"" + key.Path() + L"\\Uninstall\" /key \"" +
                             subkey + L"\" /dir \"" + program.Folder + L"\" " + options;
  dir.MakeFile(L"Programs\\" + subkey + L"\\uninst.dat", win::ToUtf8(optionsText));
  program.Command = L"\"" + uninstaller + L"\" /S";
  key.AddProgram(subkey, name, program.Command);
  return program;
}

TUninstListItem& AddEntry(TProgramList& list, const TTestKey& key, const std::wstring& subkey,
                          const std::wstring& name, const std::wstring& command) {
  TProgramRow& row = list.Add();
  row.Entry->SetName(name);
  row.Entry->SetUninstallCommand(command);
  row.Entry->SetRegistryKey(key.Path() + L"\\Uninstall\\" + subkey, HKEY_CURRENT_USER);
  return *row.Entry;
}

std::string ReadBytes(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes(1 << 20, '\0');
  DWORD read = 0;
  ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

bool WaitEnabled(HWND control) {
  return WaitUntil([control] { return IsWindowEnabled(control) != FALSE; });
}

bool WaitUninstallerEnded(HWND forward) {
  return WaitUntil(
      [forward] { return ControlText(forward) == L"Continue" && IsWindowEnabled(forward); });
}

}  // namespace testing_support
