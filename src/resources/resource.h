#pragma once

// Resource and control ids of the upgrader. Shared by the .rc file and the code, so
// plain #defines only.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_QUORINDOUPGRADE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_MENU_POPUP 251

#define IDC_LIST_ACTION 1000
#define IDC_UPGRADE 1001
#define IDC_PROGRESS 1002

// System-menu command of the About box; its low four bits are the system's own.
#define IDM_ABOUTBOX 0x0010

// The builder's command on the dialog's right-click menu.
#define ID_COMPRESS_DATA 2024

// The action list's menu commands. The list forwards each to its dialog as a message whose
// number is the command's own.
#define ID_COPY_ALL 32872
#define ID_SAVE_ALL 32873

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
