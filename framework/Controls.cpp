#include "framework/Controls.h"
#include <algorithm>

std::string CListBox::GetText(int index) const
{
    LRESULT length = SendMessage(LB_GETTEXTLEN, index);
    if (length == LB_ERR)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessage(LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

void CProgressCtrl::SetRange32(int lower, int upper)
{
    m_lower = lower;
    m_upper = upper;
    RECT client = {};
    GetClientRect(&client);
    m_width = client.right - client.left;
    m_pos = INT_MIN;
    SendMessage(PBM_SETRANGE32, lower, upper);
}

int CProgressCtrl::SetPos(int pos)
{
    m_pos = pos;
    return static_cast<int>(SendMessage(PBM_SETPOS, pos));
}

int CProgressCtrl::Pixel(int pos) const
{
    long long span = static_cast<long long>(m_upper) - m_lower;
    if (span <= 0)
        return 0;
    long long done = std::min<long long>(std::max<long long>(pos - static_cast<long long>(m_lower), 0), span);
    return static_cast<int>(done * m_width / span);
}

void CProgressCtrl::MoveTo(int pos)
{
    if (pos == m_pos)
        return;
    if (m_pos == INT_MIN || pos <= m_lower || pos >= m_upper || Pixel(pos) != Pixel(m_pos))
        SetPos(pos);
}
