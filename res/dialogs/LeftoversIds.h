// Control identifiers of the leftovers window and of the dialog that names a removed program.
// "Close" and "Cancel" are IDCANCEL.
#pragma once

#define IDD_LEFTOVERS 2400
#define IDC_LO_BANNER 2401
#define IDC_LO_TITLE 2402
#define IDC_LO_PICTURE 2403
#define IDC_LO_EXPLAIN 2410
#define IDC_LO_LIST_LABEL 2411
#define IDC_LO_LIST 2412
#define IDC_LO_SEARCHING 2413
#define IDC_LO_EVIDENCE_LABEL 2414
#define IDC_LO_EVIDENCE 2415
#define IDC_LO_REMOVE 2420

#define IDD_REMOVED_PROGRAM 2450
#define IDC_RP_EXPLAIN 2451
#define IDC_RP_SAVED_LABEL 2452
#define IDC_RP_SAVED 2453
#define IDC_RP_NAME_LABEL 2454
#define IDC_RP_NAME 2455
#define IDC_RP_FOLDER_LABEL 2456
#define IDC_RP_FOLDER 2457
#define IDC_RP_BROWSE 2458
