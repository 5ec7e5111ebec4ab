// Control identifiers of the new program entry dialog.
#pragma once

#define IDD_NEW_PROGRAM 1700
#define IDC_NEW_BANNER 1701
#define IDC_NEW_TITLE 1702
#define IDC_NEW_PICTURE 1703
#define IDC_NEW_REG 1710
#define IDC_NEW_NAME 1711
#define IDC_NEW_UNINSTALL 1712
#define IDC_NEW_UNINSTALL_BROWSE 1713
#define IDC_NEW_ICON 1714
#define IDC_NEW_ICON_BROWSE 1715
