#pragma once
// The progress window that runs the installation: picture 144 over the whole window, the
// progress bar that the installation drives, the start timer and the slide ring.
#include "framework/PictureBackground.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include <string>

// Timers of the progress window.
enum : UINT_PTR {
    kStartTimer = 111,
    kFirstSlideTimer = 2,
    kLastSlideTimer = 7,
};
const UINT kStartDelayMs = 100;
const UINT kSlidePeriodMs = 10000;

// The slide timer that follows `timer` in the ring 2 -> 3 -> ... -> 7 -> 2.
UINT_PTR NextSlideTimer(UINT_PTR timer);

class CProgressDlg : public CDialog {
public:
    // The template, its picture and its progress bar, from the program's resources.
    CProgressDlg(UINT templateId, UINT pictureId, int progressBarId);

    // Shows nothing: the window has no status line.
    void SetStatusText(const std::string& text);
    // The framework's OK: members from the controls, end the modal run with IDOK.
    void OnOK() override;

    CProgressCtrl m_progress;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;
    BOOL OnEraseBkgnd(HDC hDC) override;

private:
    void SlideStep(UINT_PTR timer);

    PictureBackground m_picture;
    UINT m_pictureId;
    int m_progressBarId;
};

