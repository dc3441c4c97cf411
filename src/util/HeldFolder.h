#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"

// A folder opened as itself, never through a link (neither it nor a folder on its way may be one),
// and held without write or delete sharing:
// while it is held nobody can rename it, remove it or turn it into a link, and it cannot be taken
// while anybody else has it open to do so. So a path through it leads into this very folder for
// as long as the hold lasts.
// A folder's owner and access list, read through an open handle; empty when they cannot be read.
CScopedLocalMemory ReadFolderSecurity(HANDLE folder);

class CHeldFolder {
public:
    CHeldFolder() = default;
    CHeldFolder(const CHeldFolder&) = delete;
    CHeldFolder& operator=(const CHeldFolder&) = delete;

    // Opens and holds the folder, given as a full path. Answers the system's error:
    // ERROR_SHARING_VIOLATION while another program has it open to change it,
    // ERROR_CANT_ACCESS_FILE for a link, a folder reached through one, or a file.
    DWORD Hold(const std::string& folder);
    // Its owner and access list, read through the hold; empty when they cannot be read.
    CScopedLocalMemory ReadSecurity() const { return ReadFolderSecurity(m_folder.Get()); }
    // Deletes every file in it (read-only ones too) and the folders below it while it is held, then
    // lets it go and removes it.
    void DeleteWithFiles();
    void Release() { m_folder.Reset(); }

private:
    CScopedKernelHandle m_folder;
    std::string m_strPath;
};
