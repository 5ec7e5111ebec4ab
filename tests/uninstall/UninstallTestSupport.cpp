#include "UninstallTestSupport.h"

#include "inventory/NormalUninstall.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <string_view>

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

std::string Literal(const std::wstring& text) {
  std::string out;
  for (char c : win::ToUtf8(text)) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string BackupLinePattern(const TBackupAction& action) {
  std::wstring folder = action.Folder;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return "Backup: " + Literal(folder) + "\r\n";
}

bool Listed(const TTestKey& key, const std::wstring& name) {
  TProgramList list;
  TNormalUninstall scanner({key.Source()});
  scanner.SetListView(&list);
  scanner.Scan();
  for (size_t i = 0; i < list.Count(); ++i)
    if (list.Row(i).Caption == name) return true;
  return false;
}

namespace {

struct TBoxSearch {
  HWND Under;
  HWND Found = nullptr;
};

// A visible message box of this process, other than the dialog it stands over: a dialog window
// with a message box's text control.
BOOL CALLBACK FindBoxOver(HWND hwnd, LPARAM lp) {
  auto& search = *reinterpret_cast<TBoxSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  if (pid == GetCurrentProcessId() && hwnd != search.Under && IsWindowVisible(hwnd) &&
      lstrcmpW(className, L"#32770") == 0 && GetDlgItem(hwnd, 0xFFFF)) {
    search.Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring AnswerMessage(HWND dialog, int answer) {
  TBoxSearch search{dialog};
  if (!WaitUntil([&] {
        EnumWindows(FindBoxOver, reinterpret_cast<LPARAM>(&search));
        return search.Found != nullptr;
      }))
    return L"";
  std::wstring text = ControlText(GetDlgItem(search.Found, 0xFFFF));
  PostMessageW(search.Found, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  WaitUntil([&] { return !IsWindow(search.Found); });
  return text;
}

std::wstring ClickForMessage(HWND dialog, int button, int answer) {
  PostClick(GetDlgItem(dialog, button));
  std::wstring text = AnswerMessage(dialog, answer);
  WaitUntil([&] { return !IsWindow(dialog) || IsWindowEnabled(dialog); });
  return text;
}

bool WaitEnabled(HWND control) {
  return WaitUntil([control] { return IsWindowEnabled(control) != FALSE; });
}

bool WaitUninstallerEnded(HWND forward) {
  return WaitUntil(
      [forward] { return ControlText(forward) == L"Continue" && IsWindowEnabled(forward); });
}

}  // namespace testing_support

namespace testing_support {

TNewBackups::TNewBackups(std::wstring root) : root_(std::move(root)) {
  existed_ = GetFileAttributesW(root_.c_str()) != INVALID_FILE_ATTRIBUTES;
  for (const TBackupAction& action : ListBackups(root_)) before_.insert(action.Folder);
}

TNewBackups::~TNewBackups() {
  // Only what the actions name: their saved keys and manifests, then their emptied folders.
  for (const TBackupAction& action : New()) {
    for (const TBackupItem& item : action.Items)
      if (!item.File.empty()) DeleteFileW((action.Folder + item.File).c_str());
    DeleteFileW((action.Folder + L"manifest.txt").c_str());
    RemoveDirectoryW(action.Folder.c_str());
  }
  if (!existed_) RemoveDirectoryW(root_.c_str());
}

std::vector<TBackupAction> TNewBackups::New() const {
  std::vector<TBackupAction> made;
  for (TBackupAction& action : ListBackups(root_))
    if (!before_.contains(action.Folder)) made.push_back(std::move(action));
  return made;
}

}  // namespace testing_support
