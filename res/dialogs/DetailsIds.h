// Control identifiers of the program details dialog.
#pragma once

#define IDD_DETAILS 1600
#define IDC_DET_BANNER 1601
#define IDC_DET_TITLE 1602
#define IDC_DET_PICTURE 1603
#define IDC_DET_PAGE 1610
// The labels of row i on the page: its caption is IDC_DET_FIRST_LABEL + 2 i, its value the next.
#define IDC_DET_FIRST_LABEL 1650
