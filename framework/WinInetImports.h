#pragma once
// The program's own import slots for WinINet (see WinInetImports.cpp).

// The slot the program calls `function` through, or null when it has none. It holds a loader
// until the first call and the system's function after it; tests put recorders into it as
// into an import address table.
void** WinInetImportSlot(const char* function);
