// Control identifiers of the audit report dialog.
#pragma once

#define IDD_AUDIT 1400
#define IDC_AUD_BANNER 1401
#define IDC_AUD_TITLE 1402
#define IDC_AUD_PICTURE 1403
#define IDC_AUD_HEADER_NAME 1410
#define IDC_AUD_MEMO 1411
#define IDC_AUD_SHORT 1420
#define IDC_AUD_LONG 1421
#define IDC_AUD_DETAILED 1422
#define IDC_AUD_SAVE 1430
