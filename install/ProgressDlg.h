#pragma once
// The progress window that runs the installation: picture 144 over the whole window, the
// progress bar that the installation drives, the start timer and the slide ring.
#include "framework/PictureBackground.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "install/InstallationSequence.h"
#include "util/ProgressSink.h"
#include <functional>
#include <string>

// Timers of the progress window.
enum : UINT_PTR {
    kStartTimer = 111,
    kFirstSlideTimer = 2,
    kLastSlideTimer = 7,
};
const UINT kStartDelayMs = 100;
const UINT kSlidePeriodMs = 10000;
// Input goes through at most this often while a step reports, the bar draws at most this often.
const DWORD kPumpPeriodMs = 10;
const DWORD kBarDrawMs = 50;

// The slide timer that follows `timer` in the ring 2 -> 3 -> ... -> 7 -> 2.
UINT_PTR NextSlideTimer(UINT_PTR timer);

// The installation's sink, caption feedback and reporter: its bar moves, its caption shows
// the disk object's texts, its message boxes end the run.
class CProgressDlg : public CDialog,
                     public CProgressSink,
                     public CCaptionFeedback,
                     public CInstallationReporter {
public:
    // The template, its picture and its progress bar, from the program's resources.
    CProgressDlg(UINT templateId, UINT pictureId, int progressBarId);

    // What the start timer runs, with this window as sink and reporter.
    void SetRun(std::function<void(CProgressDlg&)> run) { m_run = std::move(run); }

    void SetRange(int lower, int upper) override;
    // The bar is set only when its drawn length changes; input goes through at most every
    // kPumpPeriodMs, as each look at the queue is a round trip to the window system.
    bool MoveTo(int pos) override;
    void SetPos(int pos) override;
    // Shows nothing: the window has no status line.
    void SetStatusText(const std::string& text) override;
    // The caption, pushed to the controls at once.
    void ShowCaption(const std::string& text) override;
    void ShowMessage(const std::string& text, UINT type) override;
    void Finish() override { OnOK(); }
    bool StopRequested() override;
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
    void DrawBar();

    PictureBackground m_picture;
    CMessagePump m_pump;
    DWORD m_drawnAt = 0;
    std::function<void(CProgressDlg&)> m_run;
    UINT m_pictureId;
    int m_progressBarId;
};

