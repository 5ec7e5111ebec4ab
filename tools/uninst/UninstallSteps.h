// The steps of the sample uninstaller; each writes what it did to the run's log.
#pragma once

#include "uninst/UninstallOptions.h"

#include <string>

namespace uninst {

class Steps {
public:
  explicit Steps(const Options& opts);

  void Log(const std::wstring& line) const;
  // Removes the Uninstall key with its subkeys and the usage record key of the same name.
  void RemoveKeys() const;
  // Deletes the program folder (keeping the leftovers /leave-files asks for). A copy of this
  // program that runs from inside the folder is moved out of it first; when that is impossible a
  // helper finishes the job once this process has ended.
  void RemoveFiles() const;
  // Tries to start the missing second-stage helper; returns the error that stopped it.
  DWORD StartSecondStep() const;
  // Starts a copy of this program from %TEMP% with the same options that works after this
  // process has ended; false when it could not be started.
  bool StartHelper(const Options& helperOpts) const;
  // In a helper: waits until the process it outlives has ended, then for the set delay.
  void WaitForParent() const;
  // Lets the system delete this executable at the next restart (it cannot delete itself).
  void ScheduleSelfDelete() const;

private:
  bool ExeIsInsideDir() const;

  const Options& opts_;
  std::wstring exe_;
  std::wstring dir_;  // opts_.dir with environment variables expanded
};

}  // namespace uninst
