// Resource ids of DexOption.dll.
#pragma once
#define IDD_ASSOC 102
// One check box per archive type, in the order of assoc::archiveTypes().
#define IDC_ASSOC_LHA 1000
#define IDC_ASSOC_CAB 1001
#define IDC_ASSOC_TAR 1002
#define IDC_ASSOC_ZIP 1003
