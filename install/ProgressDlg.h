#pragma once
// The progress window that runs the installation.
#include "framework/Dialog.h"

class CProgressDlg : public CDialog {
public:
    CProgressDlg();
};
