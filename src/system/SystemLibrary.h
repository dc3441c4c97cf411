#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"

// Loads a library from the system folder only. A library of the same name lying beside the
// program (a download folder) or in the current folder is never loaded into our elevated process.
CScopedLibrary LoadSystemLibrary(const char* name);

// Makes the system folder the only place searched for libraries loaded by name from now on, for
// their imports too, with the folders a CLibrarySearchFolder adds while it lives. False on systems
// without the search flags; called once, first thing.
bool LimitDllSearchToSystemFolder();

// Adds a folder to the places searched for libraries for as long as the object lives: a filter's
// own folder while it registers, so that it finds the libraries beside it however it loads them
// (imported, delay-loaded or by name at run time). The folder the program was started from is
// never added. Nothing changes on systems without AddDllDirectory.
class CLibrarySearchFolder {
public:
    explicit CLibrarySearchFolder(const std::string& folder);
    CLibrarySearchFolder(const CLibrarySearchFolder&) = delete;
    CLibrarySearchFolder& operator=(const CLibrarySearchFolder&) = delete;
    ~CLibrarySearchFolder();

private:
    PVOID m_cookie = nullptr;
};

// Takes the current folder out of the search path of libraries loaded later. Called once at start.
bool RemoveCurrentFolderFromDllSearch();

// Resolves an entry point of a loaded library into a typed function pointer; false when missing.
template <class F>
bool ResolveEntryPoint(HMODULE module, const char* name, F& entry) {
    FARPROC proc = module ? ::GetProcAddress(module, name) : nullptr;
    // Through a neutral function type: the entry's real type is the caller's promise.
    entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
    return entry != nullptr;
}
