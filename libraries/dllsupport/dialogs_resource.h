// Resource ids of the dialogs every archiver library shows (dialogs.rc).
#pragma once

#define IDD_DLLS_OVERWRITE 30100
#define IDD_DLLS_PROGRESS 30101
#define IDD_DLLS_INPUT 30102
#define IDD_DLLS_PASSWORD 30103

#define IDC_DLLS_MESSAGE 30200
#define IDC_DLLS_FILE 30201
#define IDC_DLLS_BAR 30202
#define IDC_DLLS_EDIT 30203
#define IDC_DLLS_YESTOALL 30210
#define IDC_DLLS_FORALL 30211
