// The commands of the main window. Menu items, toolbar buttons, side-bar links and popup items
// that start the same command share one identifier; TfMain::OnCommand says which handler runs.
#pragma once

enum TCommandId : int {
  cmNewProgram = 1001,
  cmEditDetails,
  cmExit,
  cmUninstall,
  cmAssisted,
  cmDelete,
  cmDetails,
  cmLargeIcons,
  cmSmallIcons,
  cmList,
  cmDetailsView,
  cmRefresh,
  cmAuditReport,
  cmUninstallLog,
  cmHelpTopics,
  cmUpdates,
  cmWelcomeBox,
  cmAbout,
  cmFind,
  cmRestore,
  // What the selected entry offers beside its uninstaller.
  cmModify,
  cmRepair,
  // The column menu's items, one per column in TfMain's column order, from here on.
  cmColumnFirst = 1100,
};
