#include "install/ProgressDlg.h"
#include "app/res/resource.h"

CProgressDlg::CProgressDlg() : CDialog(IDD_PROGRESS)
{
}
