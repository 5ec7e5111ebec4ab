// Control identifiers of the restore window. "Close" is IDCANCEL.
#pragma once

#define IDD_RESTORE 2200
#define IDC_RES_BANNER 2201
#define IDC_RES_TITLE 2202
#define IDC_RES_PICTURE 2203
#define IDC_RES_EXPLAIN 2210
#define IDC_RES_LIST 2211
#define IDC_RES_DETAILS_LABEL 2212
#define IDC_RES_DETAILS 2213
#define IDC_RES_RESTORE 2220
