#pragma once

#include <windows.h>
#include <objbase.h>

// One small owning type per handle kind. Each treats its "no handle" values alike
// (NULL and INVALID_HANDLE_VALUE for kernel handles) and closes on every path.

template <class Traits>
class CScopedHandle {
public:
    using Handle = typename Traits::Handle;
    CScopedHandle() = default;
    explicit CScopedHandle(Handle h) : m_h(h) {}
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& o) noexcept : m_h(o.Release()) {}
    CScopedHandle& operator=(CScopedHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    ~CScopedHandle() { Reset(); }

    bool IsValid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }
    Handle Get() const { return m_h; }
    Handle Release() {
        Handle h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void Reset(Handle h = Traits::Invalid()) {
        if (Traits::IsValid(m_h)) Traits::Close(m_h);
        m_h = h;
    }
    // For APIs that fill a handle through a pointer.
    Handle* Receive() {
        Reset();
        return &m_h;
    }

private:
    Handle m_h = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::GlobalFree(h); }
};

using CScopedKernelHandle = CScopedHandle<KernelHandleTraits>;  // files, events, threads, processes, snapshots

// Closes a written file's handle now and answers whether the system took it: a full disk may
// show only at closing.
inline bool CloseWrittenFile(CScopedKernelHandle& file) { return ::CloseHandle(file.Release()) != FALSE; }
using CScopedFindHandle = CScopedHandle<FindHandleTraits>;
using CScopedRegKey = CScopedHandle<RegKeyTraits>;
using CScopedLibrary = CScopedHandle<ModuleTraits>;
using CScopedGdiObject = CScopedHandle<GdiObjectTraits>;
using CScopedMemoryDC = CScopedHandle<MemoryDCTraits>;  // made by CreateCompatibleDC
using CScopedMenu = CScopedHandle<MenuTraits>;
using CScopedGlobalMemory = CScopedHandle<GlobalMemoryTraits>;

// A locked global memory block, unlocked on scope exit.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h) : m_h(h), m_p(h ? ::GlobalLock(h) : nullptr) {}
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    ~CGlobalLock() { if (m_p) ::GlobalUnlock(m_h); }
    void* Get() const { return m_p; }

private:
    HGLOBAL m_h;
    void* m_p;
};

// A GDI object selected into a device context, put back on scope exit.
class CScopedSelectObject {
public:
    CScopedSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    CScopedSelectObject(const CScopedSelectObject&) = delete;
    CScopedSelectObject& operator=(const CScopedSelectObject&) = delete;
    ~CScopedSelectObject() { if (m_old) ::SelectObject(m_dc, m_old); }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A window's device context, released on scope exit.
class CScopedWindowDC {
public:
    explicit CScopedWindowDC(HWND wnd) : m_wnd(wnd), m_dc(::GetDC(wnd)) {}
    CScopedWindowDC(const CScopedWindowDC&) = delete;
    CScopedWindowDC& operator=(const CScopedWindowDC&) = delete;
    ~CScopedWindowDC() { if (m_dc) ::ReleaseDC(m_wnd, m_dc); }
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
};

// COM initialised for the calling thread, uninitialised on scope exit when it succeeded.
class CScopedComInit {
public:
    CScopedComInit() : m_hr(::CoInitialize(nullptr)) {}
    CScopedComInit(const CScopedComInit&) = delete;
    CScopedComInit& operator=(const CScopedComInit&) = delete;
    ~CScopedComInit() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    bool Succeeded() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// An open clipboard, closed on scope exit.
class CScopedClipboard {
public:
    explicit CScopedClipboard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    CScopedClipboard(const CScopedClipboard&) = delete;
    CScopedClipboard& operator=(const CScopedClipboard&) = delete;
    ~CScopedClipboard() { if (m_open) ::CloseClipboard(); }
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// A COM interface pointer, released on scope exit.
template <class I>
class CScopedComPtr {
public:
    CScopedComPtr() = default;
    CScopedComPtr(const CScopedComPtr&) = delete;
    CScopedComPtr& operator=(const CScopedComPtr&) = delete;
    ~CScopedComPtr() { if (m_p) m_p->Release(); }
    I* operator->() const { return m_p; }
    I* Get() const { return m_p; }
    I** Receive() { return &m_p; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(&m_p); }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p = nullptr;
};

// Memory the system allocated with LocalAlloc for the caller (security descriptors, SIDs).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};
using CScopedLocalMemory = CScopedHandle<LocalMemoryTraits>;
