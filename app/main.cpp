#include "app/SetupApp.h"
#include "release_key.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // Before anything else: a DLL this program loads comes from the system folder, never from
    // the folder it was started from (a downloads folder may hold anything).
    // Without that, end at once: a message box would itself load DLLs the old way.
    if (!::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return 1;
#ifdef NORLA_RELEASE_KEY_POINT
    // The marker lets scripts/check-exe find the key in a stripped program.
    static const struct {
        char marker[20];
        unsigned char point[65];
    } releaseKey = {"NorlaReleaseKeyP256", NORLA_RELEASE_KEY_POINT};
    static_assert(sizeof(releaseKey) == 85, "the marker, then an uncompressed P-256 point");
    theApp.m_pReleaseKey = releaseKey.point;
    theApp.m_nMinRelease = NORLA_MIN_RELEASE;
#endif
    theApp.m_commandLine = ParseCommandLine(::GetCommandLineA());
    return theApp.Run(hInstance);
}
