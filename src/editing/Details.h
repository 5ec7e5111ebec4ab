// TfDetails: what the Uninstall key records about one program, on a white page of captions and
// values; web addresses and folders open through the shell, the two commands run.
#pragma once

#include "editing/DetailsRows.h"
#include "uninstall/DialogHeader.h"
#include "win/Dialog.h"
#include "win/UniqueHandle.h"

#include <memory>
#include <string>
#include <vector>

class TUninstListItem;
class TDetailsPage;

class TfDetails : public win::TDialog {
public:
  explicit TfDetails(TUninstListItem& entry);
  ~TfDetails() override;

  // Whether a command was run from the page: the main window then scans again.
  bool Launched() const noexcept { return launched_; }

  // Starts the command line as a process of its own and returns at once, whatever its length;
  // whether it started.
  static bool RunCommand(const std::wstring& commandLine, int showState);

protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnInitDialog() override;
  void OnCommand(int id, int code) override;

private:
  void FormCreate();
  HWND AddLabel(int x, int top, const std::wstring& caption, TDetailLink link);
  void LabelClick(size_t row);
  void ExecuteAction(const TDetailRow& row);
  void LaunchCmd(const TDetailRow& row);

  TUninstListItem& entry_;
  bool launched_ = false;
  std::vector<TDetailRow> rows_;
  int labelCount_ = 0;
  TDialogHeader header_;
  std::unique_ptr<TDetailsPage> sbDetails_;
  win::UniqueHFont font_, linkFont_;
};

extern TfDetails* fDetails;
