// Resource IDs of the toolbar, menu, side bar, state and wizard images (ICON resources from
// res/images/*.svg, rendered by res/images/render.sh). Plain #defines: read by windres too.
// Within a group the IDs are consecutive, so FIRST + i walks the group in image-list order.
#pragma once

// Toolbar buttons, in toolbar order. Sizes 16, 24, 32, 48, 64.
#define IDI_TB_UNINSTALL 200
#define IDI_TB_ASSISTED 201
#define IDI_TB_DELETE 202
#define IDI_TB_DETAILS 203
#define IDI_TB_AUDIT 204
#define IDI_TB_HELP 205
#define IDI_TB_UPDATE 206
#define IDI_TB_FIRST IDI_TB_UNINSTALL
#define IDI_TB_COUNT 7

// Menu items. Sizes 16, 20, 24, 32.
#define IDI_MN_NEW 300
#define IDI_MN_EDIT 301
#define IDI_MN_EXIT 302
#define IDI_MN_UNINSTALL 303
#define IDI_MN_ASSISTED 304
#define IDI_MN_DELETE 305
#define IDI_MN_DETAILS 306
#define IDI_MN_REFRESH 307
#define IDI_MN_AUDIT 308
#define IDI_MN_LOG 309
#define IDI_MN_HELP 310
#define IDI_MN_UPDATE 311
#define IDI_MN_WELCOME 312
#define IDI_MN_ABOUT 313
#define IDI_MN_VIEWS 314
#define IDI_MN_FIRST IDI_MN_NEW
#define IDI_MN_COUNT 15

// Side bar links and the find button. Sizes 16, 32.
#define IDI_SIDE_UNINSTALL 400
#define IDI_SIDE_DELETE 401
#define IDI_SIDE_FIND 402
#define IDI_SIDE_FIRST IDI_SIDE_UNINSTALL
#define IDI_SIDE_COUNT 3

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
