#pragma once
// How every page passes control on: hide, run the next page, then end with OK whatever the
// next page's result was. Ending any page therefore unwinds the whole chain.
#include "framework/Dialog.h"

template <class NextPage>
void HandOverTo(CDialog& current)
{
    current.ShowWindow(SW_HIDE);
    NextPage next;
    next.DoModal();
    current.EndDialog(IDOK);
}
