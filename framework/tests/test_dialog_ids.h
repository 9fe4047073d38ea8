#pragma once
#define IDD_TEST 100
#define IDC_NAME 1001
#define IDC_FLAG 1002
#define IDC_RUN 1003
#define IDC_LIST 1004
#define IDC_KIND 1005
