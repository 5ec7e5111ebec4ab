// Control identifiers of the Options window.
#pragma once

#define IDD_OPTIONS 2600
#define IDC_OPT_SHOW 2610
#define IDC_OPT_HIDE_SYSTEM 2611
#define IDC_OPT_RECYCLE_BIN 2620
#define IDC_OPT_LEFTOVERS 2621
#define IDC_OPT_QUIET 2622
#define IDC_OPT_LOG_FILE 2630
#define IDC_OPT_BROWSE 2631
