// Resource ids of the destination folder chooser (in Dexlor's resources).
#pragma once

#define IDD_FOLDER_TREE 105
#define IDR_FOLDER_MENU 138

#define IDC_FOLDER_TREE 1002
#define IDC_OVERWRITE_ALL 1005
#define IDC_IGNORE_DATE 1006
#define IDC_FOLDER_ACCEPT 1007
#define IDC_FOLDER_PATH 1012
#define IDC_NEW_FOLDER 1038
#define IDC_USE_FOLDERS 1040

#define ID_FOLDER_NEW 32788
#define ID_FOLDER_EXPLORER 32793
#define ID_FOLDER_REFRESH 32796
