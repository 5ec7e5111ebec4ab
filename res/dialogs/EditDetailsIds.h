// Control identifiers of the edit-program-details dialog.
#pragma once

#define IDD_EDITDETAILS 1700
#define IDC_ED_BANNER 1701
#define IDC_ED_TITLE 1702
#define IDC_ED_PICTURE 1703
#define IDC_ED_HEADING 1710
#define IDC_ED_GRID 1711
#define IDC_ED_STOREDLABEL 1712
#define IDC_ED_STORED 1713
#define IDC_ED_ADD 1720
#define IDC_ED_DELETE 1721
#define IDC_ED_GRIDCONTROL 1714
