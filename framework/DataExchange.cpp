#include "framework/DataExchange.h"
#include "framework/Dialog.h"

void DDX_Text(CDataExchange* pDX, int id, std::string& value)
{
    HWND item = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate) {
        int length = ::GetWindowTextLengthA(item);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = ::GetWindowTextA(item, &text[0], length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        value = text;
    } else {
        ::SetWindowTextA(item, value.c_str());
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    HWND item = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(item, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(item, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    control.m_hWnd = pDX->m_pDlgWnd->GetDlgItem(id);
}
