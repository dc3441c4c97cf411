#pragma once

#include <string>
#include <vector>

#include "framework/ScopedHandles.h"

// The private folder of one upgrade run under the Windows folder's "Temp\": a new folder of a
// random name that only SYSTEM and the Administrators may touch. The run runs elevated, and no
// program the user runs without elevation may swap a file it writes there and later reads back
// (the compression library, compressed data, backups, the command list). Everything in it goes
// with the object.
class CWorkFolder {
public:
    CWorkFolder() = default;
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

private:
    std::string m_strPath;
};

// Every work folder's name starts so; a random part follows.
inline constexpr const char* WORK_FOLDER_PREFIX = "QuorindoUpgrade-";

// True when the path names a work folder as CWorkFolder makes them: a folder named like ours
// directly under the Windows folder's "Temp\", as a full path, and no reparse point (a name a
// journal gives is checked so before anything in it is trusted or deleted).
bool IsWorkFolderPath(const std::string& folder);

// Deletes every file in the folder (read-only ones too), then the folder. A folder that is a
// reparse point is left alone.
void DeleteFolderAndFiles(const std::string& folder);

// Deletes every folder named like a work folder but the kept ones: what runs that were killed
// before their journal existed left behind. Only while no run can be under way.
void DeleteWorkFoldersBut(const std::vector<std::string>& kept);

// The security descriptor every work folder gets, in the system's string form: owned by the
// Administrators, full access for SYSTEM and the Administrators and nobody else, nothing
// inherited from the parent folder.
inline constexpr const char* WORK_FOLDER_SDDL = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The same without the owner, for a process that may not name the Administrators as owner.
inline constexpr const char* WORK_FOLDER_SDDL_NO_OWNER = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Builds a self-relative security descriptor from its string form; empty on failure.
CScopedLocalMemory DescriptorFromSddl(const char* sddl);
