#include "ImportHook.h"
#include "framework/WinInetImports.h"

namespace {
// The import address table slot through which the program calls dll!function.
void** FindImportSlot(const char* dll, const char* function)
{
    BYTE* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), dll) != 0)
            continue;
        auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

// WinINet is no import of the program: it binds its functions through slots of its own,
// which hold a loader until the first call. The original is asked of the DLL itself, as the
// loader would write it over the recorder.
bool IsWinInet(const char* dll)
{
    return lstrcmpiA(dll, "wininet.dll") == 0;
}
}

ImportHook::ImportHook(const char* dll, const char* function, const void* replacement)
    : m_slot(IsWinInet(dll) ? WinInetImportSlot(function) : FindImportSlot(dll, function))
{
    if (m_slot == nullptr)
        return;
    m_restore = *m_slot;
    m_original = IsWinInet(dll) ? reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryA(dll), function))
                                : m_restore;
    Swap(replacement);
}

ImportHook::~ImportHook()
{
    if (m_slot)
        Swap(m_restore);
}

void ImportHook::Swap(const void* with)
{
    DWORD protection = 0;
    ::VirtualProtect(m_slot, sizeof(*m_slot), PAGE_READWRITE, &protection);
    *m_slot = const_cast<void*>(with);
    ::VirtualProtect(m_slot, sizeof(*m_slot), protection, &protection);
}
