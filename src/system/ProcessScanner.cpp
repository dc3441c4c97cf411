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

std::vector<DWORD> FindProcessIds(const std::string& pathOrName) {
    const std::string fileName = GetFileNameOf(pathOrName);
    std::vector<DWORD> ids;
    WalkProcesses([&](const char* imageName, DWORD processId) {
        if (EqualsNoCase(GetFileNameOf(imageName), fileName)) ids.push_back(processId);
        return true;
    });
    return ids;
}
