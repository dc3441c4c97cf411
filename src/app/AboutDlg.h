#pragma once

#include "framework/Dialog.h"
#include "resources/resource.h"

// The About box (template 100): icon, name and version. No behaviour of its own.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND hParent) : CDialog(IDD_ABOUTBOX, hParent) {}
};
