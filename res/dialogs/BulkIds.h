// Control identifiers of the bulk uninstall window. "Close" is IDCANCEL.
#pragma once

#define IDD_BULK 2300
#define IDC_BU_BANNER 2301
#define IDC_BU_TITLE 2302
#define IDC_BU_PICTURE 2303
#define IDC_BU_EXPLAIN 2310
#define IDC_BU_LIST_LABEL 2311
#define IDC_BU_LIST 2312
#define IDC_BU_QUIET 2313
#define IDC_BU_NOW 2314
#define IDC_BU_ELAPSED 2315
#define IDC_BU_SUMMARY 2316
#define IDC_BU_CLEANUP 2320
#define IDC_BU_LEFTOVERS 2321
#define IDC_BU_SAVE 2322
#define IDC_BU_START 2323
#define IDC_BU_STOP 2324
