#include <windows.h>

#include <cstring>

#include "system/FileVersionInfo.h"
#include "system/SystemLibrary.h"

// Runs every reader that binds a system library by name, the way the upgrader does at start, from
// a folder where libraries of those names may have been planted.
//   DllSearchProbe.exe            the program's own way of loading
//   DllSearchProbe.exe /plain     plain LoadLibraryA of each name, to show that a plant would be taken

namespace {

const char* const SYSTEM_LIBRARIES[] = {"VERSION.DLL"};

void RunOwnLoading() {
    RemoveCurrentFolderFromDllSearch();
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    CFileVersionInfo info;
    info.Open(self);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "/plain") == 0) {
        for (const char* name : SYSTEM_LIBRARIES) CScopedLibrary library(::LoadLibraryA(name));
        return 0;
    }
    RunOwnLoading();
    return 0;
}
