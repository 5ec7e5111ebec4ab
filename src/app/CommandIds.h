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
  cmCheckBoxes,
  // Narrowing the list: the filter box, View > Show (one item per TShowKind, in its order) and
  // Options.
  cmFocusFilter,
  cmShowAll,
  cmShowMissingUninstaller,
  cmShowPerUser,
  cmShow32Bit,
  cmShowWindowsInstaller,
  cmHideSystemEntries,
  cmOptions,
  // Leftovers: of the selected program, and of one removed earlier.
  cmFindLeftovers,
  cmFindRemovedLeftovers,
  // What the selected entry offers beside its uninstaller.
  cmModify,
  cmRepair,
  // The column menu's items, one per column in TfMain's column order, from here on.
  cmColumnFirst = 1100,
};
