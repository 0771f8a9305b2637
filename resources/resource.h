// Resource and control identifiers shared by the resource script and the code.
// Plain preprocessor definitions so that both windres and portable C++ can read them.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MODELPROBE_U_DIALOG 102
#define IDD_EXTEND_PROTECT 103
#define IDD_AVI_PLAYER 104
#define IDD_SELECT_PORT 105
#define IDR_MAINFRAME 128
#define IDB_WARRANTY_OFFER 129
#define IDB_PORT_PLUGS 130
#define IDB_CUTTING_PLOTTER 131

#define IDC_MODELPROBE 1000
#define IDC_UPDATE_PORT 1001
#define IDC_INSTALL_USB 1002
#define IDC_UNINSTALL_USB 1003
#define IDC_INSTALL_DRIVER 1004
#define IDC_PORT_COMBO 1007
#define IDC_MODEL_COMBO 1008

#define IDC_USB_TYPE_HELP 3
#define IDC_EXTRA_CANCEL 4

#define IDM_ABOUTBOX 0x0010
