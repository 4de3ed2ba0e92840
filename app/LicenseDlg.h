#pragma once
// The licence terms page.
#include "framework/Dialog.h"

class CLicenseDlg : public CDialog {
public:
    CLicenseDlg();

protected:
    void OnOK() override;
    void OnCancel() override;
};
