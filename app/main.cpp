#include "app/SetupApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return theApp.Run(hInstance);
}
