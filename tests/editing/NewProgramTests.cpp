// Adding a program entry by hand: the proposed subkey name, the checks on OK with their messages,
// what OK writes, and the entry listed afterwards.
#include "editing/NewProgram.h"

#include "app/MainWindowTestSupport.h"
#include "dialogs/NewProgramIds.h"
#include "editing/NewProgramEntry.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace testing_support;
using namespace main_window_testing;

namespace {

// A value below the test key's Uninstall key as stored: its type and text.
struct TStored {
  DWORD Type = REG_NONE;
  std::wstring Text;
};
std::optional<TStored> Stored(const TTestKey& key, const std::wstring& subkey,
                              const std::wstring& name) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Uninstall\\" + subkey)) return {};
  auto value = registry.ReadValue(name);
  if (!value) return {};
  return TStored{value->RawType, value->Text()};
}

std::vector<std::wstring> Subkeys(const TTestKey& key) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(L"\\" + key.Path() + L"\\Uninstall")) return {};
  return registry.GetKeyNames();
}

bool Listed(TfMain& w, const std::wstring& caption) {
  for (size_t i = 0; i < w.Programs().Count(); ++i)
    if (w.Programs().Row(i).Caption == caption) return true;
  return false;
}

struct TOwnedSearch {
  HWND Owner;
  HWND Found = nullptr;
};

BOOL CALLBACK FindOwned(HWND hwnd, LPARAM lp) {
  auto& search = *reinterpret_cast<TOwnedSearch*>(lp);
  if (IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == search.Owner) {
    search.Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Works the new program dialog from a second thread as a user does.
class TUser {
public:
  bool Open() {
    dialog_ = WaitForDialog(L"New Program");
    return dialog_ != nullptr;
  }
  // Takes the next dialog that opens after this one, or none once done() holds.
  bool OpenNext(const std::function<bool()>& done) {
    HWND previous = dialog_, found = nullptr;
    WaitUntil([&] {
      found = FindWindowW(L"#32770", L"New Program");
      if (found && (found == previous || !IsWindowVisible(found))) found = nullptr;
      return found || done();
    });
    if (!found) return false;
    dialog_ = found;
    return true;
  }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  std::wstring Field(int id) const { return ControlText(GetDlgItem(dialog_, id)); }
  void Type(int id, const std::wstring& text) const {
    SendMessageW(GetDlgItem(dialog_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Clicks a button; returns the text of the message box that came and was answered, or
  // "<closed>" when the dialog went away instead.
  std::wstring Click(int id) {
    PostClick(GetDlgItem(dialog_, id));
    return Outcome();
  }
  // Picks a file in the open dialog of a browse button; true once the field has changed.
  bool Browse(int button, int field, const std::wstring& file) {
    std::wstring before = Field(field);
    PostClick(GetDlgItem(dialog_, button));
    if (!AnswerFileDialog(L"Open", file)) return false;
    return WaitUntil([&] { return Field(field) != before; });
  }
  // Esc pressed in a field, through the dialog's own keyboard handling.
  std::wstring Escape(int field) {
    PostMessageW(GetDlgItem(dialog_, field), WM_KEYDOWN, VK_ESCAPE, 1);
    return Outcome();
  }
  std::wstring LastTitle() const { return title_; }

private:
  std::wstring Outcome() {
    TOwnedSearch search{dialog_};
    bool closed = false;
    if (!WaitUntil([&] {
          closed = !IsWindow(dialog_) || !IsWindowVisible(dialog_);
          if (!closed) EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
          return closed || search.Found;
        }))
      return L"<nothing happened>";
    if (closed) return L"<closed>";
    title_ = ControlText(search.Found);
    std::wstring text = ControlText(GetDlgItem(search.Found, 0xFFFF));
    PostMessageW(search.Found, WM_COMMAND, IDOK, 0);
    if (!WaitUntil([&] { return !IsWindow(search.Found); })) return L"<the box stayed>";
    return text;
  }

  HWND dialog_ = nullptr;
  std::wstring title_;
};

// A drop of files from the shell, as Explorer sends it.
HGLOBAL MakeDrop(const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

void MakeShortcut(const std::wstring& path, const std::wstring& target, const std::wstring& icon) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, link.PutVoid())));
  link->SetPath(target.c_str());
  if (!icon.empty()) link->SetIconLocation(icon.c_str(), 0);
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())));
  ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

constexpr wchar_t kFillAll[] = L"Please fill in all fields !";
constexpr wchar_t kExists[] = L"Registry entry already exists !";
constexpr wchar_t kClosed[] = L"<closed>";

class NewProgramTest : public MainWindowTest {
protected:
  // Opens the dialog with the main window's command and runs the user's part meanwhile.
  void Run(const std::function<void(TUser&)>& script) {
    TUser user;
    std::thread thread([&] {
      if (user.Open()) script(user);
    });
    Command(cmNewProgram);
    thread.join();
  }
  std::wstring Uninstall() const {
    return L"HKEY_CURRENT_USER\\" + key.Path() + L"\\Uninstall\\";
  }
};

TEST(NewProgramName, IsTheSmallestFreeNumberInAnyLetterCase) {
  TTestKey key;
  key.AddProgram(L"NewProgram1", L"One", L"1.exe");
  key.AddProgram(L"NewProgram3", L"Three", L"3.exe");
  EXPECT_EQ(TNewProgramEntry(key.Source()).GeneratedName(), L"NewProgram2");
  key.AddProgram(L"newprogram2", L"Two", L"2.exe");
  key.AddProgram(L"NEWPROGRAM4", L"Four", L"4.exe");
  key.AddProgram(L"NewProgram05", L"Five", L"5.exe");  // another name than NewProgram5
  EXPECT_EQ(TNewProgramEntry(key.Source()).GeneratedName(), L"NewProgram5");
  // An Uninstall key that is not there holds no names.
  TUninstallSource missing = key.Source();
  missing.UninstallKey += L"\\Missing";
  EXPECT_EQ(TNewProgramEntry(missing).GeneratedName(), L"NewProgram1");
}

TEST(NewProgramEntry, AKeyTheRegistryRefusesIsReportedAndNothingIsMade) {
  TTestKey key;
  TNewProgramEntry entry(key.Source());
  // Longer than any key name may be.
  EXPECT_EQ(entry.Create(std::wstring(300, L'k'), {L"reg", L"Name", L"un.exe", L""}),
            TNewProgramResult::CannotCreate);
  EXPECT_TRUE(Subkeys(key).empty());
}

TEST_F(NewProgramTest, OkChecksTheFieldsThenTheKeyAndWritesNothingUntilBothPass) {
  TfMain& w = Start();
  std::wstring shownReg, shownName;
  std::vector<std::wstring> answers;
  std::wstring title;
  Run([&](TUser& user) {
    shownReg = user.Field(IDC_NEW_REG);
    shownName = user.Field(IDC_NEW_NAME);
    answers.push_back(user.Click(IDOK));  // everything empty but the location
    title = user.LastTitle();
    user.Type(IDC_NEW_NAME, L"Typed");
    user.Type(IDC_NEW_UNINSTALL, L"typed.exe");
    user.Type(IDC_NEW_REG, L"");
    answers.push_back(user.Click(IDOK));
    // The proposed name is taken while the dialog is open; an empty field is told first.
    key.AddProgram(L"newprogram1", L"Taken meanwhile", L"taken.exe");
    user.Type(IDC_NEW_REG, L"anything");
    user.Type(IDC_NEW_UNINSTALL, L"");
    answers.push_back(user.Click(IDOK));
    user.Type(IDC_NEW_UNINSTALL, L"typed.exe");
    answers.push_back(user.Click(IDOK));
    answers.push_back(user.Click(IDCANCEL));
  });
  EXPECT_EQ(shownReg, Uninstall() + L"NewProgram1");
  EXPECT_EQ(shownName, L"");
  EXPECT_EQ(title, L"Tarvenholt Purgalot!");
  EXPECT_EQ(answers, (std::vector<std::wstring>{kFillAll, kFillAll, kFillAll, kExists, kClosed}));
  EXPECT_EQ(Subkeys(key).size(), 5u);
  EXPECT_EQ(Stored(key, L"NewProgram1", L"DisplayName")->Text, L"Taken meanwhile");
  EXPECT_EQ(Stored(key, L"NewProgram1", L"UninstallString")->Text, L"taken.exe");
  EXPECT_EQ(w.Programs().Count(), 4u);  // Cancel: no rescan
}

TEST_F(NewProgramTest, OkWritesTheTextsAsTypedUnderKeyNameAndListsTheEntry) {
  TfMain& w = Start();
  std::wstring tool = dir.MakeFile(L"My Tools\\un inst.exe");
  std::wstring icon = dir.MakeFile(L"My Tools\\tool.ico");
  std::wstring answer, regAfterTyping;
  bool regReadOnly = false;
  Run([&](TUser& user) {
    // The entry's name is only shown: keys typed there change nothing.
    HWND reg = user.Item(IDC_NEW_REG);
    regReadOnly = (GetWindowLongPtrW(reg, GWL_STYLE) & ES_READONLY) != 0;
    SendMessageW(reg, WM_CHAR, L'x', 1);
    regAfterTyping = user.Field(IDC_NEW_REG);
    user.Type(IDC_NEW_NAME, L"  Spaced  Name ");
    user.Type(IDC_NEW_UNINSTALL, L"\"C:\\x y\\un.exe\" /S ");
    answer = user.Click(IDOK);
  });
  EXPECT_EQ(answer, kClosed);
  EXPECT_TRUE(regReadOnly);
  EXPECT_EQ(regAfterTyping, Uninstall() + L"NewProgram1");
  auto name = Stored(key, L"NewProgram1", L"DisplayName");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(name->Text, L"  Spaced  Name ");
  EXPECT_EQ(Stored(key, L"NewProgram1", L"UninstallString")->Text, L"\"C:\\x y\\un.exe\" /S ");
  EXPECT_FALSE(Stored(key, L"NewProgram1", L"DisplayIcon"));  // not even an empty one
  EXPECT_TRUE(Listed(w, L"  Spaced  Name "));
  EXPECT_EQ(Subkeys(key).size(), 5u);

  // The browse buttons put the chosen files' paths into their fields, unquoted.
  std::wstring shownReg, browsedCommand, browsedIcon;
  bool browsed = false;
  Run([&](TUser& user) {
    shownReg = user.Field(IDC_NEW_REG);
    user.Type(IDC_NEW_NAME, L"Browsed");
    user.Type(IDC_NEW_ICON, L"typed over");
    browsed = user.Browse(IDC_NEW_UNINSTALL_BROWSE, IDC_NEW_UNINSTALL, tool) &&
              user.Browse(IDC_NEW_ICON_BROWSE, IDC_NEW_ICON, icon);
    browsedCommand = user.Field(IDC_NEW_UNINSTALL);
    browsedIcon = user.Field(IDC_NEW_ICON);
    answer = user.Click(IDOK);
  });
  ASSERT_TRUE(browsed);
  EXPECT_EQ(shownReg, Uninstall() + L"NewProgram2");
  EXPECT_EQ(browsedCommand, tool);
  EXPECT_EQ(browsedIcon, icon);
  EXPECT_EQ(answer, kClosed);
  EXPECT_EQ(Stored(key, L"NewProgram2", L"UninstallString")->Text, tool);
  EXPECT_EQ(Stored(key, L"NewProgram2", L"DisplayIcon")->Text, icon);
  EXPECT_TRUE(Listed(w, L"Browsed"));
  EXPECT_EQ(w.Programs().Count(), 6u);
}

TEST_F(NewProgramTest, CancelAndEscWriteNothing) {
  TfMain& w = Start();
  std::vector<std::wstring> answers;
  for (bool escape : {false, true}) {
    Run([&](TUser& user) {
      user.Type(IDC_NEW_NAME, L"Never");
      user.Type(IDC_NEW_UNINSTALL, L"never.exe");
      user.Type(IDC_NEW_ICON, L"never.ico");
      answers.push_back(escape ? user.Escape(IDC_NEW_NAME) : user.Click(IDCANCEL));
    });
  }
  EXPECT_EQ(answers, (std::vector<std::wstring>{kClosed, kClosed}));
  EXPECT_EQ(Subkeys(key).size(), 4u);
  EXPECT_EQ(w.Programs().Count(), 4u);
}

TEST_F(NewProgramTest, DroppedShortcutsOpenTheDialogFilledOneAfterAnother) {
  TfMain& w = Start();
  std::wstring target = dir.MakeFile(L"App\\app.exe");
  std::wstring icon = dir.MakeFile(L"App\\app.ico");
  MakeShortcut(dir.Path() + L"My App.lnk", target, L"");
  MakeShortcut(dir.Path() + L"A.lnk", target, icon);  // the subkey of Alpha Editor
  MakeShortcut(dir.Path() + L"Upper.LNK", target, L"");
  std::wstring text = dir.MakeFile(L"notes.txt");
  std::wstring folder = dir.MakeFolder(L"Folder.lnk");

  struct TShown {
    std::wstring Reg, Name, Command, Icon;
    std::vector<std::wstring> Answers;
  };
  std::vector<TShown> shown;
  std::atomic<bool> dropped{false};
  TUser user;
  std::thread thread([&] {
    while (user.OpenNext([&] { return dropped.load(); })) {
      TShown s{user.Field(IDC_NEW_REG), user.Field(IDC_NEW_NAME), user.Field(IDC_NEW_UNINSTALL),
               user.Field(IDC_NEW_ICON), {}};
      s.Answers.push_back(user.Click(IDOK));
      if (s.Answers.back() != kClosed) s.Answers.push_back(user.Click(IDCANCEL));
      shown.push_back(std::move(s));
    }
  });
  SendMessageW(w.Handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(MakeDrop({text, dir.Path() + L"My App.lnk", folder,
                                                  dir.Path() + L"Upper.LNK", dir.Path() + L"A.lnk"})),
               0);
  dropped = true;
  thread.join();

  ASSERT_EQ(shown.size(), 2u);  // the text file, the folder and the capital .LNK open nothing
  EXPECT_EQ(shown[0].Reg, Uninstall() + L"My App");
  EXPECT_EQ(shown[0].Name, L"My App");
  EXPECT_EQ(shown[0].Command, target);
  EXPECT_EQ(shown[0].Icon, target);  // no icon of its own: the target
  EXPECT_EQ(shown[0].Answers, std::vector<std::wstring>{kClosed});
  EXPECT_EQ(shown[1].Reg, Uninstall() + L"A");
  EXPECT_EQ(shown[1].Icon, icon);
  EXPECT_EQ(shown[1].Answers, (std::vector<std::wstring>{kExists, kClosed}));

  EXPECT_TRUE(Listed(w, L"My App"));
  EXPECT_EQ(w.Programs().Count(), 5u);
  EXPECT_EQ(Stored(key, L"My App", L"UninstallString")->Text, target);
  EXPECT_EQ(Stored(key, L"My App", L"DisplayIcon")->Text, target);
  EXPECT_EQ(Stored(key, L"A", L"DisplayName")->Text, L"Alpha Editor");
  EXPECT_FALSE(Stored(key, L"A", L"DisplayIcon"));
}

}  // namespace
