// Resource ids of Dexlor.
#pragma once

#define IDC_STATIC -1
#define IDR_MAINFRAME 1        // program icon
#define IDI_LHA 2              // icons of the associated types (file icon indexes 1 to 4)
#define IDI_TAR 3
#define IDI_CAB 4
#define IDI_ZIP 5

#define IDM_ABOUTBOX 0x0010
#define IDS_ABOUTBOX 101

#define IDD_ABOUTBOX 100
#define IDD_DEXLOR_DIALOG 102
#define IDD_RESULT 103
#define IDD_SFX_KIND 136
#define IDD_NOTICE 148

#define IDR_MAIN_MENU 131
#define IDR_ENTRY_MENU 134
#define IDR_EMPTY_MENU 139
#define IDR_ACCELERATORS 140

#define IDC_ENTRY_LIST 1000
#define IDC_TEXT 1003
#define IDC_EXTRACT 1005
#define IDC_SELECT_ALL 1006
#define IDC_DESELECT_ALL 1007
#define IDC_LIB_LHA 1008
#define IDC_LIB_CAB 1009
#define IDC_LIB_TAR 1010
#define IDC_LIB_ZIP 1011
#define IDC_VIEWER_ICON 1012
#define IDC_HIDE_NOTICE 1040
#define IDC_SFX_WIN95 1006
#define IDC_SFX_WIN31 1091
#define IDC_SFX_DOS 1008
#define IDC_STATUS_BAR 0xFFFF

#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_EDIT_CLEAR 57666

#define ID_OPTION_VIEWER 32772
#define ID_SORT_NAME 32773
#define ID_SORT_DATE 32774
#define ID_VIEW_ENTRY 32775
#define ID_OPEN_ENTRY 32777
#define ID_OPEN_ARCHIVE 32781
#define ID_MAKE_SFX 32783
#define ID_SORT_SIZE 32785
#define ID_SORT_RATIO 32786
#define ID_PASTE_ARCHIVE 32789
#define ID_COPY_ENTRIES 32790
#define ID_RENAME_ENTRY 32792
#define ID_ASSOCIATE 32797
#define ID_HELP_TOPICS 32799
