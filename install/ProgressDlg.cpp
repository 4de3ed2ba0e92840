#include "install/ProgressDlg.h"

UINT_PTR NextSlideTimer(UINT_PTR timer)
{
    return timer >= kLastSlideTimer ? kFirstSlideTimer : timer + 1;
}

CProgressDlg::CProgressDlg(UINT templateId, UINT pictureId, int progressBarId)
    : CDialog(templateId), m_pictureId(pictureId), m_progressBarId(progressBarId)
{
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_picture.Prepare(m_hWnd, m_pictureId);
    SetTimer(kStartTimer, kStartDelayMs);
    SetWindowText("Norla Veltro wird heruntergeladen und entpackt - bitte warten...");
    return TRUE;
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, m_progressBarId, m_progress);
}

void CProgressDlg::OnOK()
{
    CDialog::OnOK();
}

// Escape and the close box. The quit message also stops a download that is pumping.
void CProgressDlg::OnCancel()
{
    ::PostQuitMessage(0);
    CDialog::OnCancel();
}

void CProgressDlg::OnTimer(UINT_PTR id)
{
    if (id == kStartTimer) {
        KillTimer(kStartTimer);
        SetTimer(kFirstSlideTimer, kSlidePeriodMs);
        if (m_run)
            m_run(*this);
    } else if (id >= kFirstSlideTimer && id <= kLastSlideTimer) {
        SlideStep(id);
    }
}

// Every slide shows picture 144 again: load it afresh and redraw the whole window at once.
void CProgressDlg::SlideStep(UINT_PTR timer)
{
    KillTimer(timer);
    m_picture.Reload(m_hWnd, m_pictureId);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    SetTimer(NextSlideTimer(timer), kSlidePeriodMs);
}

BOOL CProgressDlg::OnEraseBkgnd(HDC hDC)
{
    return m_picture.Draw(hDC);
}

void CProgressDlg::SetRange(int lower, int upper)
{
    m_pump = CMessagePump(kPumpPeriodMs);
    m_drawnAt = ::GetTickCount();
    m_progress.SetRange32(lower, upper);
    // Positions are set as they come; the bar draws them at most every kBarDrawMs, since
    // each drawing is a round trip to the window system.
    m_progress.SendMessage(WM_SETREDRAW, FALSE);
}

bool CProgressDlg::MoveTo(int pos)
{
    m_progress.MoveTo(pos);
    if (!m_pump.Due())
        return true;
    // What goes through may paint the window around the bar, so the bar draws meanwhile.
    if (::GetTickCount() - m_drawnAt >= kBarDrawMs)
        DrawBar();
    else
        m_progress.SendMessage(WM_SETREDRAW, TRUE);
    bool goOn = PumpPendingMessages();
    m_progress.SendMessage(WM_SETREDRAW, FALSE);
    return goOn;
}

void CProgressDlg::SetPos(int pos)
{
    m_progress.SetPos(pos);
    DrawBar();
}

void CProgressDlg::DrawBar()
{
    m_drawnAt = ::GetTickCount();
    m_progress.SendMessage(WM_SETREDRAW, TRUE);
    ::RedrawWindow(m_progress.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CProgressDlg::SetStatusText(const std::string&)
{
}

void CProgressDlg::ShowCaption(const std::string& text)
{
    SetWindowText(text.c_str());
    UpdateData(FALSE);
}

void CProgressDlg::ShowMessage(const std::string& text, UINT type)
{
    DrawBar();
    MessageBox(text.c_str(), nullptr, type);
}

// A quit request that a step's pump met stays queued for the enclosing loops.
bool CProgressDlg::StopRequested()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}
