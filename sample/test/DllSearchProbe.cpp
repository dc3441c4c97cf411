#include <windows.h>

#include <cstring>

#include "system/FileVersionInfo.h"
#include "system/ProcessList.h"
#include "system/ProcessScanner.h"
#include "system/SystemLibrary.h"

// Runs every walk and reader that binds a system library by name, the way the upgrader does at
// start, from a folder where libraries of those names may have been planted.
//   DllSearchProbe.exe            the program's own way of loading
//   DllSearchProbe.exe /plain     plain LoadLibraryA of each name, to show that a plant would be taken

namespace {

const char* const SYSTEM_LIBRARIES[] = {"PSAPI.DLL", "VDMDBG.DLL", "VERSION.DLL"};

// The walk of the oldest systems, which loads both the status and the virtual-machine library.
class CStatusLibraryScan : public CProcessScanner {
public:
    CStatusLibraryScan() : CProcessScanner(true) {}
};

void RunOwnLoading() {
    RemoveCurrentFolderFromDllSearch();
    FindProcessIds("QxChannel.exe");
    CProcessList list(CProcessList::ENUMERATOR_STATUS_LIBRARY);
    list.Refresh(true);
    CStatusLibraryScan scan;
    scan.LoadLibraries();
    scan.Scan();
    IsProductRunning();
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
