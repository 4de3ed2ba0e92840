#pragma once
// Owners of the handles the program opens: each frees what it holds when its scope ends, on
// every path. Small on purpose, one class per kind of handle.
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>
#include <string>

// A kernel handle (file, process, thread). Both "no handle" values are accepted.
class CHandle {
public:
    explicit CHandle(HANDLE handle = nullptr) : m_h(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    void Attach(HANDLE handle)
    {
        Close();
        m_h = handle;
    }
    HANDLE Detach()
    {
        HANDLE handle = m_h;
        m_h = nullptr;
        return handle;
    }
    bool Close()
    {
        bool closed = !IsValid() || ::CloseHandle(m_h) != FALSE;
        m_h = nullptr;
        return closed;
    }

private:
    HANDLE m_h;
};

// A FindFirstFileA search.
class CFindHandle {
public:
    CFindHandle(const char* pattern, WIN32_FIND_DATAA* data)
        : m_h(::FindFirstFileA(pattern, data))
    {
    }
    ~CFindHandle()
    {
        if (IsValid())
            ::FindClose(m_h);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE; }
    bool FindNext(WIN32_FIND_DATAA* data) { return ::FindNextFileA(m_h, data) != FALSE; }

private:
    HANDLE m_h;
};

// A loaded library.
class CLibrary {
public:
    CLibrary() = default;
    ~CLibrary()
    {
        if (m_h)
            ::FreeLibrary(m_h);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    HMODULE Handle() const { return m_h; }
    bool Load(const char* path, DWORD flags = 0)
    {
        m_h = ::LoadLibraryExA(path, nullptr, flags);
        return m_h != nullptr;
    }
    // Through void(*)(): a direct cast between unrelated function types draws a warning.
    template <class Function>
    Function GetProc(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(m_h, name)));
    }

private:
    HMODULE m_h = nullptr;
};

// A COM interface pointer, released when the scope ends.
template <class Interface>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr()
    {
        if (m_p)
            m_p->Release();
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    Interface* operator->() const { return m_p; }
    Interface* Get() const { return m_p; }
    Interface** Out() { return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    Interface* m_p = nullptr;
};

// An item identifier list, freed with the shell's allocator that made it.
class CItemIdList {
public:
    CItemIdList(IMalloc* allocator, ITEMIDLIST* item) : m_allocator(allocator), m_p(item) {}
    ~CItemIdList()
    {
        if (m_p)
            m_allocator->Free(m_p);
    }
    CItemIdList(const CItemIdList&) = delete;
    CItemIdList& operator=(const CItemIdList&) = delete;

    ITEMIDLIST* Get() const { return m_p; }

private:
    IMalloc* m_allocator;
    ITEMIDLIST* m_p;
};

// Memory the system allocated with LocalAlloc for the caller (FormatMessage, SetEntriesInAcl).
template <class Pointer>
class CLocalMemory {
public:
    CLocalMemory() = default;
    ~CLocalMemory()
    {
        if (m_p)
            ::LocalFree(m_p);
    }
    CLocalMemory(const CLocalMemory&) = delete;
    CLocalMemory& operator=(const CLocalMemory&) = delete;

    Pointer Get() const { return m_p; }
    Pointer* Out() { return &m_p; }

private:
    Pointer m_p = nullptr;
};

// Puts the current directory back when the operation ends, however it ends.
class CCurrentDirectoryKeeper {
public:
    CCurrentDirectoryKeeper() : m_saved(Current()) {}
    ~CCurrentDirectoryKeeper() { ::SetCurrentDirectoryA(m_saved.c_str()); }
    CCurrentDirectoryKeeper(const CCurrentDirectoryKeeper&) = delete;
    CCurrentDirectoryKeeper& operator=(const CCurrentDirectoryKeeper&) = delete;

    static std::string Current()
    {
        DWORD length = ::GetCurrentDirectoryA(0, nullptr);
        std::string path(length, '\0');
        length = length ? ::GetCurrentDirectoryA(length, &path[0]) : 0;
        path.resize(length < path.size() ? length : 0);
        return path;
    }

private:
    std::string m_saved;
};
