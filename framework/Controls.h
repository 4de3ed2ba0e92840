#pragma once
// Control wrappers bound to dialog items by DDX_Control.
#include "framework/Wnd.h"
#include <commctrl.h>
#include <climits>

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper);
    int SetPos(int pos);
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    // Sets the position only when the drawn bar would change, or at its range's ends: every
    // PBM_SETPOS repaints the control at once, and thousands of positions on a bar a few
    // hundred pixels wide draw the same few hundred bars.
    void MoveTo(int pos);

private:
    int Pixel(int pos) const;

    int m_lower = 0, m_upper = 100;
    int m_width = 0;               // client width when the range was set
    int m_pos = INT_MIN;           // the position last set; none after a new range
};

class CListBox : public CWnd {
public:
    int AddString(const char* text)
    {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    std::string GetText(int index) const;
};
