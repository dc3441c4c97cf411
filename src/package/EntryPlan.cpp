#include "package/EntryPlan.h"

#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/FileIdentity.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

namespace {

std::string BackupFailure(const std::string& destPath, DWORD error) {
    return FormatText("Backup file %s failed because of %s", destPath.c_str(), GetSystemErrorText(error).c_str());
}

// Copies the backup over the destination in place, never through a link at either name; the
// backup is held without write or delete sharing, so what is checked is what is copied, and the
// destination as its other holders share it. On the disk before the journal that names the
// backup may go. Answers the system's error, 0 on success.
DWORD CopyBackBackup(ISystemCalls& calls, const ENTRY_PLAN& plan) {
    CScopedKernelHandle backup = OpenFileNoLink(calls, plan.strBackupPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!backup) return ::GetLastError();
    // Not even the attribute of what a link leads to is touched.
    if (IsReparsePoint(calls, plan.strDestPath)) return ERROR_CANT_ACCESS_FILE;
    ClearReadOnly(calls, plan.strDestPath);
    CScopedKernelHandle dest =
        OpenFileNoLink(calls, plan.strDestPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (!dest) return ::GetLastError();
    DWORD error = CopyFileData(calls, backup.Get(), dest.Get());
    if (error == ERROR_SUCCESS && !calls.Flush(dest.Get())) error = ::GetLastError();
    if (!CloseWrittenFile(calls, dest) && error == ERROR_SUCCESS) error = ::GetLastError();
    return error;
}

// What the backup pass needs to know of a destination, from one open where it can: its
// attributes (none when nothing is there), its identity, and whether another program holds it so
// that it can be neither renamed over nor written (open without delete or write sharing, or running
// as a program). A held file's backup must be a copy: a second name could not be deleted while it
// is held.
struct DEST_STATE {
    DWORD dwAttributes = INVALID_FILE_ATTRIBUTES;
    FILE_IDENTITY identity;
    bool bHeld = false;
};

DEST_STATE LookAtDestination(ISystemCalls& calls, const std::string& path) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    DEST_STATE state;
    // Asked with the access a rename over it and a write in place need, and sharing everything.
    CScopedKernelHandle file(
        calls.OpenFile(path.c_str(), DELETE | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING, flags));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return state;
        state.bHeld = error == ERROR_SHARING_VIOLATION;
        // Held, or read-only: looked at without any access to its data.
        file.Reset(calls.OpenFile(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING, flags));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && calls.GetInformation(file.Get(), &info)) {
        state.dwAttributes = info.dwFileAttributes;
        state.identity = IdentityOf(info);
    } else {
        state.dwAttributes = calls.GetAttributes(path.c_str());
    }
    return state;
}

// Copies the source to the new name, on the disk when asked; a copy that failed is deleted.
// Another program may hold the source open for reading and writing (the system's copy refuses those).
DWORD CopyToName(ISystemCalls& calls, const std::string& source, const std::string& copy, bool bFlush = false) {
    const DWORD error = CopyFileNoLink(calls, source, SHARE_ALL, copy, CREATE_NEW, bFlush);
    if (error != ERROR_SUCCESS) DeleteScratchFile(calls, copy);
    return error;
}

}  // namespace

std::string BackUpDestination(ISystemCalls& calls, ENTRY_PLAN& plan, const std::string& folder, bool* pCopied) {
    const DEST_STATE dest = LookAtDestination(calls, plan.strDestPath);
    plan.dwAttributes = dest.dwAttributes;
    plan.bAdded = plan.dwAttributes == INVALID_FILE_ATTRIBUTES || (plan.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (plan.bAdded) return std::string();
    // A link planted in the destination's place is never read through: the new file only replaces it.
    if (plan.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return BackupFailure(plan.strDestPath, ERROR_CANT_ACCESS_FILE);
    plan.original = dest.identity;
    plan.strBackupPath = NewScratchName(calls, folder);
    if (plan.strBackupPath.empty()) return BackupFailure(plan.strDestPath, ::GetLastError());
    if (!dest.bHeld && calls.MakeHardLink(plan.strBackupPath.c_str(), plan.strDestPath.c_str())) return std::string();
    // Held, on another volume, or on a file system without links: a copy as good, under the same name.
    const DWORD error = CopyToName(calls, plan.strDestPath, plan.strBackupPath);
    if (error == ERROR_SUCCESS) {
        if (pCopied != nullptr) *pCopied = true;
        return std::string();
    }
    plan.strBackupPath.clear();
    return BackupFailure(plan.strDestPath, error);
}

bool MakeBackupACopy(ISystemCalls& calls, ENTRY_PLAN& plan, const std::function<std::string()>& onPlanChanged) {
    if (plan.strBackupPath.empty() || !IsSameFile(calls, plan.strBackupPath, plan.strDestPath)) return true;
    // On the disk before the journal names it as the one old copy.
    const std::string copy = NewScratchName(calls, GetFolderOf(plan.strBackupPath));
    if (copy.empty() || CopyToName(calls, plan.strDestPath, copy, true) != ERROR_SUCCESS) return false;
    const std::string secondName = plan.strBackupPath;
    plan.strBackupPath = copy;
    if (!onPlanChanged().empty()) {
        plan.strBackupPath = secondName;
        DeleteScratchFile(calls, copy);
        return false;
    }
    // Named by no journal any more, the second name only costs a directory entry until the work
    // folder goes; deleted now, it is the old file's name no longer.
    DeleteFileEvenReadOnly(calls, secondName);
    return true;
}

bool IsBackupACopy(ISystemCalls& calls, const ENTRY_PLAN& plan) {
    return !plan.strBackupPath.empty() && !IsSameFile(calls, plan.strBackupPath, plan.strDestPath);
}

std::string FlushBackupCopy(ISystemCalls& calls, ENTRY_PLAN& plan) {
    const DWORD error = FlushFileToDisk(calls, plan.strBackupPath);
    if (error == ERROR_SUCCESS) return std::string();
    DeleteScratchFile(calls, plan.strBackupPath);
    plan.strBackupPath.clear();
    return BackupFailure(plan.strDestPath, error);
}

bool NeedsPutBack(ISystemCalls& calls, const ENTRY_PLAN& plan) {
    if (plan.bAdded) return FileExists(calls, plan.strDestPath);
    if (plan.original.bKnown) return !IsSameState(plan.original, ReadFileIdentity(calls, plan.strDestPath));
    return IsBackupACopy(calls, plan);
}

STEP_RESULT PutBackDestination(ISystemCalls& calls, const ENTRY_PLAN& plan) {
    DeleteScratchFile(calls, plan.strTempPath);
    DWORD error = ERROR_SUCCESS;
    if (plan.bAdded) {
        // A file the package added goes again: the installation is left as it was before the run.
        if (!calls.Delete(plan.strDestPath.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
            error = ::GetLastError();
    } else if (!plan.strBackupPath.empty()) {
        if (!IsSameFile(calls, plan.strBackupPath, plan.strDestPath)) error = CopyBackBackup(calls, plan);
        // Not every copy carries the attributes over (Wine's does not), and read-only must come back.
        if (error == ERROR_SUCCESS && plan.dwAttributes != INVALID_FILE_ATTRIBUTES &&
            !calls.SetAttributes(plan.strDestPath.c_str(), plan.dwAttributes))
            error = ::GetLastError();
    }
    if (error == ERROR_SUCCESS) return StepSucceeded();
    return StepFailed(GetSystemErrorText(error));
}

std::string FormatRestoreFailure(const std::string& file, const std::string& reason) {
    return FormatText("Restore file %s failed because of %s", file.c_str(), reason.c_str());
}

STEP_RESULT PutBackWithLines(ISystemCalls& calls, const ENTRY_PLAN& plan, CLineSink& sink) {
    if (!NeedsPutBack(calls, plan)) {
        // Still the old file, perhaps without its read-only attribute: nothing to copy, no line.
        DeleteScratchFile(calls, plan.strTempPath);
        if (!plan.bAdded && plan.dwAttributes != INVALID_FILE_ATTRIBUTES)
            calls.SetAttributes(plan.strDestPath.c_str(), plan.dwAttributes);
        return StepSucceeded();
    }
    const std::string fileName = GetFileNameOf(plan.strDestPath);
    sink.AddLine(LINE_INFO, "        Restore file %s, please waiting...", fileName.c_str());
    std::string failure;
    if (!plan.bAdded && plan.strBackupPath.empty()) {
        // Changed, with nothing to put back from: the walk says so, and is not whole.
        failure = FormatText("Restore file %s failed because its backup could not be made", fileName.c_str());
    } else {
        const STEP_RESULT result = PutBackDestination(calls, plan);
        if (!result.Succeeded()) failure = FormatRestoreFailure(fileName, result.strText);
    }
    if (failure.empty()) {
        sink.AddLine(LINE_INFO, "        Restore file %s successfully", fileName.c_str());
        return StepSucceeded();
    }
    sink.AddLine(LINE_INFO, "        %s", failure.c_str());
    return StepFailed(failure);
}

void DiscardBackup(ISystemCalls& calls, const ENTRY_PLAN& plan, bool bDestIsOld) {
    if (plan.strBackupPath.empty() || calls.Delete(plan.strBackupPath.c_str())) return;
    // A read-only file's second name is deleted only without the attribute, which both names
    // share: the old file at the destination gets it back.
    DeleteFileEvenReadOnly(calls, plan.strBackupPath);
    if (bDestIsOld && plan.dwAttributes != INVALID_FILE_ATTRIBUTES)
        calls.SetAttributes(plan.strDestPath.c_str(), plan.dwAttributes);
}
