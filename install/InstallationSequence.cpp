#include "install/InstallationSequence.h"
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"

void RunInstallation()
{
    DownloadArchive("NorlaInstaller", theApp.m_strDownloadFileName);
    theApp.m_dlgProgress.OnOK();
}
