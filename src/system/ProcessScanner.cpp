#include "system/ProcessScanner.h"

#include <tlhelp32.h>

#include <functional>

#include "framework/ScopedHandles.h"
#include "system/ProductNames.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

// Sends each process's image file name and id to the visitor until it answers false. A snapshot
// that can't be taken, or whose first record can't be read, reports nothing.
void WalkProcesses(const std::function<bool(const char* imageName, DWORD processId)>& visit) {
    CScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        if (!visit(entry.szExeFile, entry.th32ProcessID)) return;
    }
}

}  // namespace

bool IsProductRunning() {
    bool found = false;
    WalkProcesses([&](const char* imageName, DWORD) {
        found = EqualsNoCase(GetFileNameOf(imageName), PRODUCT_EXE_NAME);
        return !found;
    });
    return found;
}

std::vector<SEEN_PROCESS> FindProcesses(const std::string& pathOrName) {
    const std::string fileName = GetFileNameOf(pathOrName);
    FILETIME beforeWalk{};
    ::GetSystemTimeAsFileTime(&beforeWalk);
    std::vector<SEEN_PROCESS> seen;
    WalkProcesses([&](const char* imageName, DWORD processId) {
        const std::string name = GetFileNameOf(imageName);
        if (EqualsNoCase(name, fileName)) seen.push_back({processId, name, beforeWalk});
        return true;
    });
    return seen;
}
