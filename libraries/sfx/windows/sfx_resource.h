#pragma once
#define IDD_SFX 100
#define IDC_SFX_INFO 1001
#define IDC_SFX_DEST 1002
#define IDC_SFX_BROWSE 1003
#define IDC_SFX_CURRENT 1004
#define IDC_SFX_BAR 1005
#define IDC_SFX_LOG 1006
#define IDI_SFX 1
