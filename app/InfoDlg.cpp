#include "app/InfoDlg.h"
#include "app/LicenseDlg.h"
#include "app/PageHandOver.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"

CInfoDlg::CInfoDlg()
    : CDialog(IDD_INFO),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

BOOL CInfoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_picture.Prepare(m_hWnd, IDB_INFO_PICTURE);
    theApp.m_pSession = nullptr;
    SetWindowText("Installation Norla Veltro 2024 - Informationen");
    return TRUE;
}

void CInfoDlg::OnOK()
{
    HandOverTo<CLicenseDlg>(*this);
}

BOOL CInfoDlg::OnEraseBkgnd(HDC hDC)
{
    return m_picture.Draw(hDC);
}

BOOL CInfoDlg::OnPaint()
{
    if (!IsIconic())
        return FALSE;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(&client);
    POINT at = MinimizedIconPosition(client, ::GetSystemMetrics(SM_CXICON),
                                     ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc, at.x, at.y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
    return TRUE;
}

HICON CInfoDlg::OnQueryDragIcon()
{
    return m_hIcon;
}
