#pragma once
// Dialog data exchange: copies between controls and members in one direction per call.
#include <string>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;   // true: controls -> members
};

void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Binds the control object to the dialog item (both directions).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
