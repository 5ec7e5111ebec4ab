// Control identifiers of the assisted uninstall wizard.
#pragma once

#define IDD_ASSISTED 2100
#define IDC_AS_BANNER 2101
#define IDC_AS_TITLE 2102
#define IDC_AS_PICTURE 2103
#define IDC_AS_LEFT 2104
#define IDC_AS_EXPLAINING 2105
// Page 0: the applications
#define IDC_AS_HAS_DESKTOP_ICON 2110
#define IDC_AS_ICONS 2111
#define IDC_AS_SELECT_EXE 2112
#define IDC_AS_FILES 2113
#define IDC_AS_ADD 2114
#define IDC_AS_REMOVE 2115
// Pages 1 to 4: a heading, a tree and its search status bar each
#define IDC_AS_LABEL1 2120
#define IDC_AS_ROOT_FOLDER 2121
#define IDC_AS_SEARCH_ROOT_FOLDER 2122
#define IDC_AS_LABEL2 2123
#define IDC_AS_START_MENU 2124
#define IDC_AS_SEARCH_START_MENU 2125
#define IDC_AS_LABEL3 2126
#define IDC_AS_REG_ENTRIES 2127
#define IDC_AS_SEARCH_REG_ENTRIES 2128
#define IDC_AS_LABEL4 2129
#define IDC_AS_EXTENSIONS 2130
#define IDC_AS_SEARCH_EXTENSIONS 2131
// Page 5: the confirmation list
#define IDC_AS_LABEL5 2140
#define IDC_AS_FOR_DELETION 2141
#define IDC_AS_SELECT_ALL 2142
#define IDC_AS_SAVE_AS_LOG 2143
#define IDC_AS_DELETING 2144
#define IDC_AS_DELETED_ITEM 2145
#define IDC_AS_OVERALL 2146
#define IDC_AS_PROGRESS 2147
// The button row
#define IDC_AS_HELP 2150
#define IDC_AS_BACK 2151
#define IDC_AS_NEXT 2152
