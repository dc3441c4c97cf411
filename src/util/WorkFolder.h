#pragma once

#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

class CHeldFolder;

// The private folder of one upgrade run under the Windows folder's "Temp\": a new folder of a
// random name that only SYSTEM and the Administrators may touch. The run runs elevated, and no
// program the user runs without elevation may swap a file it writes there and later reads back
// (the compression library, compressed data, backups, the command list). Everything in it goes
// with the object. The object keeps the folder open to add files, which the start's clean-up of
// other runs' folders takes as a sign of a folder in use (see DeleteWorkFoldersBut).
class CWorkFolder {
public:
    explicit CWorkFolder(ISystemCalls& calls) : m_calls(calls) {}
    CWorkFolder(const CWorkFolder&) = delete;
    CWorkFolder& operator=(const CWorkFolder&) = delete;
    // Deletes every file in the folder, then the folder.
    ~CWorkFolder();

    // Makes the folder. Answers an error text naming the folder and the system's reason, empty
    // on success. A name that already exists is never entered: another one is tried.
    std::string Create();
    // The folder, ending with a backslash; empty until it is made, and once it is kept.
    const std::string& Path() const { return m_strPath; }
    // Leaves the folder and what is in it for the next start, which a journal sends to it.
    void Keep();
    // Its owner and access list, read through the object's own handle; empty when they cannot be read.
    CScopedLocalMemory ReadSecurity() const;

private:
    ISystemCalls& m_calls;
    std::string m_strPath;
    CScopedKernelHandle m_inUse;  // open to add files, shared with everybody but the clean-up
};

// Every work folder's name starts so; a random part follows.
inline constexpr const char* WORK_FOLDER_PREFIX = "QuorindoUpgrade-";

// True when the path names a work folder as CWorkFolder makes them: a folder named like ours
// directly under the Windows folder's "Temp\", as a full path, and no reparse point (a name a
// journal gives is checked so before anything in it is trusted or deleted).
bool IsWorkFolderPath(ISystemCalls& calls, const std::string& folder);

// Every user may make folders in Windows' Temp, so a name like ours proves nothing. Holds the
// folder (see CHeldFolder) and checks through the hold that it is ours: owned by the
// Administrators or SYSTEM, nobody else let in. Answers why it is not, with the folder let go;
// empty when it is, and then it stays held for everything read or deleted in it.
std::string HoldOwnWorkFolder(CHeldFolder& held, const std::string& folder);

// Deletes every work folder of ours but the kept ones: what runs that were killed before their
// journal existed left behind. A folder that only bears the name is left as it is, and so is one
// that another program has open to change it: a package build's, or any other work in progress.
// Only while no run can be under way.
void DeleteWorkFoldersBut(ISystemCalls& calls, const std::vector<std::string>& kept);
