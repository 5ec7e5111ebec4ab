// Control identifiers of the delete-from-list dialog.
#pragma once

#define IDD_DELETE 1300
#define IDC_DEL_BANNER 1301
#define IDC_DEL_TITLE 1302
#define IDC_DEL_PICTURE 1303
#define IDC_DEL_WARNING 1310
#define IDC_DEL_HIDDEN 1311
#define IDC_DEL_DELETE 1320
#define IDC_DEL_UNINSTALL 1321
