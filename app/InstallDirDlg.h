#pragma once
// The installation directory page.
#include "app/PictureBackground.h"
#include "framework/Dialog.h"

class CInstallDirDlg : public CDialog {
public:
    CInstallDirDlg();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnEraseBkgnd(HDC hDC) override;

private:
    PictureBackground m_picture;
};
