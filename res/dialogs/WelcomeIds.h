// Control identifiers of the welcome box, and the pictures of the welcome, splash and about
// windows.
#pragma once

#define IDD_WELCOME 1900
#define IDC_WEL_TOP 1901
#define IDC_WEL_HEADING 1910
#define IDC_WEL_NORMAL 1911
#define IDC_WEL_NORMAL_TEXT 1912
#define IDC_WEL_MANUAL 1913
#define IDC_WEL_MANUAL_TEXT 1914
#define IDC_WEL_SHOW 1920

// Bitmaps rendered from res/help/*.svg at build time, at 96 DPI and at twice that.
#define IDB_BANNER 1950
#define IDB_BANNER_2X 1951
#define IDB_SPLASH 1952
#define IDB_SPLASH_2X 1953
