// Control identifiers of the Options window.
#pragma once

#define IDD_OPTIONS 2300
#define IDC_OPT_SHOW 2310
#define IDC_OPT_HIDE_SYSTEM 2311
#define IDC_OPT_RECYCLE_BIN 2320
#define IDC_OPT_LEFTOVERS 2321
#define IDC_OPT_QUIET 2322
#define IDC_OPT_LOG_FILE 2330
#define IDC_OPT_BROWSE 2331
