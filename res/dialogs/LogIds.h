// Control identifiers of the uninstall log window. "&Print..." and "&Cancel" are IDOK and
// IDCANCEL: they close the window with those results.
#pragma once

#define IDD_LOG 1100
#define IDC_LOG_PANEL1 1101
#define IDC_LOG_TITLE 1102
#define IDC_LOG_IMAGE2 1103
#define IDC_LOG_MLOG 1110
#define IDC_LOG_BUEDIT 1120
#define IDC_LOG_BUCLEAR 1121
