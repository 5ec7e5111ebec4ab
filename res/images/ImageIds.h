// Resource IDs of the command, fold, state and wizard images (ICON resources from
// res/images/*.svg, rendered by res/images/render.sh). Plain #defines: read by windres too.
// Within a group the IDs are consecutive, so FIRST + i walks the group in image-list order.
#pragma once

// Commands: one picture per command, shared by the toolbar, the menus, the popup menu and the
// side bar links. Sizes 16, 20, 24, 32, 40, 48, 64 (menus 16 and toolbar 32 at 96 DPI, up to 200%).
#define IDI_CMD_NEW 200
#define IDI_CMD_EDIT 201
#define IDI_CMD_EXIT 202
#define IDI_CMD_UNINSTALL 203
#define IDI_CMD_ASSISTED 204
#define IDI_CMD_DELETE 205
#define IDI_CMD_DETAILS 206
#define IDI_CMD_REFRESH 207
#define IDI_CMD_AUDIT 208
#define IDI_CMD_LOG 209
#define IDI_CMD_HELP 210
#define IDI_CMD_UPDATE 211
#define IDI_CMD_WELCOME 212
#define IDI_CMD_ABOUT 213
#define IDI_CMD_FIND 214
#define IDI_CMD_RESTORE 215
#define IDI_CMD_FIRST IDI_CMD_NEW
#define IDI_CMD_COUNT 16

// Side bar panel header fold buttons, drawn on the #265BCC header. Sizes 18, 36.
#define IDI_FOLD_UP 500
#define IDI_FOLD_DOWN 501
#define IDI_FOLD_FIRST IDI_FOLD_UP
#define IDI_FOLD_COUNT 2

// Program list state images. Sizes 16, 20, 24, 32.
#define IDI_STATE_WARNING 600
#define IDI_STATE_FIRST IDI_STATE_WARNING
#define IDI_STATE_COUNT 1

// Uninstall wizard and delete-from-list pictures, drawn on a 48-unit grid. Sizes 32, 48, 96.
// 701 and 702 keep their places in the group (checking, working).
#define IDI_WIZ_FAILED 700
#define IDI_WIZ_RESERVED1 701
#define IDI_WIZ_RESERVED2 702
#define IDI_WIZ_DONE 703
#define IDI_WIZ_UNINSTALL 704
#define IDI_WIZ_DELETE 705
#define IDI_WIZ_LOG 706
#define IDI_WIZ_REPORT 707
#define IDI_WIZ_FIRST IDI_WIZ_FAILED
#define IDI_WIZ_COUNT 8

// Check-box tree pictures, node and state images in one list (TBoxTreeView::TImage order).
// Sizes 16, 20, 24, 32.
#define IDI_TREE_COMPUTER 800
#define IDI_TREE_FOLDER_CLOSED 801
#define IDI_TREE_FOLDER_OPEN 802
#define IDI_TREE_BOX_UNCHECKED 803
#define IDI_TREE_BOX_CHECKED 804
#define IDI_TREE_DRIVE_REMOVABLE 805
#define IDI_TREE_DRIVE_FIXED 806
#define IDI_TREE_DRIVE_CD 807
#define IDI_TREE_BOX_PARTIAL 808
#define IDI_TREE_DRIVE_OTHER 809
#define IDI_TREE_FIRST IDI_TREE_COMPUTER
#define IDI_TREE_COUNT 10
