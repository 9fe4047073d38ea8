// Resource ids of pdinstall.exe.
#pragma once
#define IDR_MAINFRAME 128
#define IDD_INSTALL 102
#define IDC_FOLDER 1000
#define IDC_BROWSE 1001
#define IDC_INSTALL 1002
#define IDC_PROMPT 1003
