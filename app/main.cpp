#include "app/SetupApp.h"
#include "release_key.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // Before anything else: a DLL this program loads comes from the system folder, never from
    // the folder it was started from (a downloads folder may hold anything).
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#ifdef NORLA_RELEASE_KEY_POINT
    static const unsigned char releaseKey[] = NORLA_RELEASE_KEY_POINT;
    static_assert(sizeof(releaseKey) == 65, "an uncompressed P-256 point");
    theApp.m_pReleaseKey = releaseKey;
#endif
    theApp.m_commandLine = ParseCommandLine(::GetCommandLineA());
    return theApp.Run(hInstance);
}
