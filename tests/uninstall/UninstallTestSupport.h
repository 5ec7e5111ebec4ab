// Shared by the uninstall tests: a program entry of the test's own registry tree that runs the
// project's sample uninstaller, and a driver that works a modal dialog from a second thread as a
// user would (clicks are posted, so they wait in the queue like real input).
#pragma once

#include "backup/BackupStore.h"
#include "inventory/ProgramList.h"
#include "inventory/UninstallItem.h"
#include "support/GuiDriver.h"
#include "support/TestMachine.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A program installed under the test key: an Uninstall entry (with a subkey of its own) whose
// command runs sampleuninst.exe with the given options, and a program folder.
struct TSampleProgram {
  std::wstring Key;
  std::wstring Folder;
  std::wstring Command;
};
TSampleProgram InstallSample(TTestKey& key, TTempDir& dir, const std::wstring& subkey,
                             const std::wstring& name, const std::wstring& options);

// The same, but like most installed programs: a copy of the uninstaller inside the program folder
// that reads its options from a file beside it, so that the command needs no options at all
// ("<folder>\uninst.exe" /S).
TSampleProgram InstallSampleCopy(TTestKey& key, TTempDir& dir, const std::wstring& subkey,
                                 const std::wstring& name, const std::wstring& options);

// A list row bound to an entry of the test key.
TUninstListItem& AddEntry(TProgramList& list, const TTestKey& key, const std::wstring& subkey,
                          const std::wstring& name, const std::wstring& command);

std::string ReadBytes(const std::wstring& path);

// Text as a pattern that matches it literally, in UTF-8.
std::string Literal(const std::wstring& text);
// The log line that names the action's backup folder, as a pattern.
std::string BackupLinePattern(const TBackupAction& action);
// Whether a scan of the test key lists a program of that name.
bool Listed(const TTestKey& key, const std::wstring& name);

// Clicks a button of a dialog and answers the message box that it opens with OK (or the button
// given): returns the box's text, empty when no box came. Waits until the dialog takes input again
// (or is gone).
std::wstring ClickForMessage(HWND dialog, int button, int answer = IDOK);
// Waits for a message box over the dialog and answers it with the button given: returns the box's
// text, empty when no box came. Waits until the box is gone.
std::wstring AnswerMessage(HWND dialog, int answer = IDOK);

// Waits until a control is enabled.
bool WaitEnabled(HWND control);
// Waits until the wizard's forward button reads "Continue" and is enabled again: the uninstaller
// has ended. (The button is enabled also before the click is handled.)
bool WaitUninstallerEnded(HWND forward);

// Runs a script against a modal dialog from a thread of its own while the test's thread shows it.
class TDialogDriver {
public:
  explicit TDialogDriver(std::function<void()> script) : thread_(std::move(script)) {}
  ~TDialogDriver() {
    if (thread_.joinable()) thread_.join();
  }

private:
  std::thread thread_;
};

// The backup folders made below a Backups folder while it lives (by the program under test),
// removed when it ends file by file, with the Backups folder itself when it was made meanwhile.
class TNewBackups {
public:
  explicit TNewBackups(std::wstring root);
  ~TNewBackups();
  TNewBackups(const TNewBackups&) = delete;
  TNewBackups& operator=(const TNewBackups&) = delete;
  std::vector<TBackupAction> New() const;

private:
  std::wstring root_;
  bool existed_ = false;
  std::set<std::wstring> before_;
};

}  // namespace testing_support
