#pragma once
// The information page: a full-window picture, "Weiter" and "Abbrechen".
#include "framework/PictureBackground.h"
#include "framework/Dialog.h"

class CInfoDlg : public CDialog {
public:
    CInfoDlg();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnEraseBkgnd(HDC hDC) override;
    BOOL OnPaint() override;
    HICON OnQueryDragIcon() override;

private:
    HICON m_hIcon;
    PictureBackground m_picture;
};
