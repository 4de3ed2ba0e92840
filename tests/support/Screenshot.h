#pragma once
#include <windows.h>
#include <string>

// Copies what the screen shows of the window (frame included) into a 24-bit BMP file.
bool SaveScreenshot(HWND hwnd, const std::string& path);
