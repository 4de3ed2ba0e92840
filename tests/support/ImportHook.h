#pragma once
// Puts a recorder between the test program and one function it imports from a system DLL,
// by swapping the entry in the program's import address table. For what the system does
// not let a test read back (options WinINet keeps to itself, handles a class keeps
// private); the real function is still called through Original().
#include <windows.h>

class ImportHook {
public:
    ImportHook(const char* dll, const char* function, const void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    // The function the program imported; null when the import was not found.
    template <typename F> F Original() const { return reinterpret_cast<F>(m_original); }

private:
    void Swap(const void* with);

    void** m_slot = nullptr;
    void* m_original = nullptr;
    void* m_restore = nullptr;   // what the slot held before
};
