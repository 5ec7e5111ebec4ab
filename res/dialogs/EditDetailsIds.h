// Control identifiers of the edit-program-details dialog.
#pragma once

#define IDD_EDITDETAILS 1800
#define IDC_ED_BANNER 1801
#define IDC_ED_TITLE 1802
#define IDC_ED_PICTURE 1803
#define IDC_ED_HEADING 1810
#define IDC_ED_GRID 1811
#define IDC_ED_STOREDLABEL 1812
#define IDC_ED_STORED 1813
#define IDC_ED_ADD 1820
#define IDC_ED_DELETE 1821
#define IDC_ED_GRIDCONTROL 1814
