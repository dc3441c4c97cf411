#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// A folder opened as itself, never through a link (neither it nor a folder on its way may be one),
// and held without write or delete sharing:
// while it is held nobody can rename it, remove it or turn it into a link, and it cannot be taken
// while anybody else has it open to do so. So a path through it leads into this very folder for
// as long as the hold lasts.
// A folder's owner and access list, read through an open handle; empty when they cannot be read.
CScopedLocalMemory ReadFolderSecurity(ISystemCalls& calls, HANDLE folder);

class CHeldFolder {
public:
    explicit CHeldFolder(ISystemCalls& calls) : m_calls(calls) {}
    CHeldFolder(const CHeldFolder&) = delete;
    CHeldFolder& operator=(const CHeldFolder&) = delete;

    // Opens and holds the folder, given as a full path. Answers the system's error:
    // ERROR_SHARING_VIOLATION while another program has it open to change it,
    // ERROR_CANT_ACCESS_FILE for a link, a folder reached through one, or a file.
    // To write in it, the hold itself may also add files, and flush the folder (GetHandle).
    DWORD Hold(const std::string& folder, bool bToWriteIn = false);
    HANDLE GetHandle() const { return m_folder.Get(); }
    // Its owner and access list, read through the hold; empty when they cannot be read.
    CScopedLocalMemory ReadSecurity() const { return ReadFolderSecurity(m_calls, m_folder.Get()); }
    // Deletes every file in it (read-only ones too) and the folders below it while it is held, then
    // lets it go and removes it.
    void DeleteWithFiles();
    void Release() { m_folder.Reset(); }
    ISystemCalls& GetCalls() const { return m_calls; }

private:
    ISystemCalls& m_calls;
    CScopedKernelHandle m_folder;
    std::string m_strPath;
};
