// Resource ids shared by NorlaInstaller.rc and the C++ sources.
#pragma once

#define IDD_INFO                 102
#define IDR_MAINFRAME            128
#define IDD_LICENSE              130
#define IDD_INSTALL_DIR          131
#define IDD_PROGRESS             139
#define IDB_INFO_PICTURE         143
#define IDB_PROGRESS_PICTURE     144
#define IDB_INSTALL_DIR_PICTURE  145

#define IDC_START_INSTALL        1000
#define IDC_INSTALL_DIR          1001
#define IDC_BROWSE               1002
#define IDC_LICENSE_LIST         1003
#define IDC_ACCEPT_LICENSE       1004
#define IDC_PROGRESS_BAR         1005
#define IDC_DESKTOP_ICON         1006
#define IDC_START_MENU           1007

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif
