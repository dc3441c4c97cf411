#include "package/EntryItem.h"

#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/StageLines.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// Both halves must be non-zero for a time to count as stored.
bool HasStoredTime(const FILETIME& time) { return time.dwHighDateTime != 0 && time.dwLowDateTime != 0; }

}  // namespace

CEntryItem::~CEntryItem() {
    DeleteScratchFile(m_plan.strTempPath);
    DiscardBackup(m_plan, !m_bReplaced);
}

DWORD CEntryItem::GetPackedSize() const {
    return 16 + static_cast<DWORD>(m_fields.strRelativePath.size()) + m_fields.dwCompressedLength;
}

CEntryBackupStep::CEntryBackupStep(CEntryItem& item, CPackageEntryReader& reader, const WRITE_FOLDERS& folders,
                                   CLineSink& sink, PlaceEntry place)
    : m_item(item), m_reader(reader), m_folders(folders), m_sink(sink), m_place(std::move(place)) {}

STEP_RESULT CEntryBackupStep::Do() {
    // A path outside the rule is never resolved, so nothing is made or backed up for it.
    ENTRY_READ_OPTIONS options = BACKUP_READ;
    options.pFolders = &m_folders;
    const std::string error = m_reader.ReadNext(m_folders.strInstall, options, m_item.m_fields);
    m_item.m_plan.strDestPath = m_item.m_fields.strDestPath;
    if (!error.empty()) {
        AddAbortLine(m_sink, error);
        return StepFailed(RESULT_BACKUP_FAILED, error);
    }
    if (m_place) m_place(m_item);
    ENTRY_PLAN& plan = m_item.m_plan;
    plan.strTempPath = NewScratchName(GetFolderOf(plan.strDestPath));
    const std::string backupError = BackUpDestination(plan, m_folders.strWork);
    if (!backupError.empty()) AddPromptLine(m_sink, backupError);
    return StepSucceeded();
}

STEP_RESULT CEntryBackupStep::Undo() {
    // The backup stays with its item, which deletes it: a file that could not be put back needs
    // it at the next start.
    return StepSucceeded();
}

CEntryInstallStep::CEntryInstallStep(CEntryItem& item, const CCompressionLibrary& library,
                                     const INSTALL_OPTIONS& options, CLineSink& sink, ItemEvent onInstalled,
                                     ItemEvent onUndone)
    : m_item(item), m_library(library), m_options(options), m_sink(sink), m_onInstalled(std::move(onInstalled)),
      m_onUndone(std::move(onUndone)) {}

STEP_RESULT CEntryInstallStep::Do() {
    const std::string fileName = GetFileNameOf(m_item.GetDestPath());
    m_sink.AddLine(LINE_INFO, "        Upgrade - %s...", fileName.c_str());
    const std::string error = Install();
    if (!error.empty()) {
        if (EqualsNoCase(GetFileNameOf(m_item.m_fields.strRelativePath), UPGRADE_SERVER_FILE_NAME))
            return Tolerate(error);
        AddAbortLine(m_sink, error);
        return StepFailed(RESULT_INSTALL_FAILED, error);
    }
    m_sink.AddLine(LINE_INFO, "        Upgrade %s successfully!", fileName.c_str());
    m_item.m_bInstalled = true;
    if (m_onInstalled) m_onInstalled(m_item);
    return StepSucceeded();
}

STEP_RESULT CEntryInstallStep::Tolerate(const std::string& error) {
    m_sink.AddLine(LINE_PROMPT, "        Error - %s", error.c_str());
    if (m_item.m_bDestChanged) {
        // Tolerated only as the file it was. If it cannot go back, it is neither the new file nor
        // the old one: the run fails like any other entry, and the restore walk tries it once more.
        const STEP_RESULT putBack = PutBackDestination(m_item.m_plan);
        if (!putBack.Succeeded()) {
            const std::string text = FormatRestoreFailure(m_item.GetDestPath(), putBack.strText);
            AddAbortLine(m_sink, text);
            return StepFailed(RESULT_INSTALL_FAILED, text);
        }
        m_item.m_bDestChanged = false;
    }
    m_item.m_bInstalled = true;
    if (m_onInstalled) m_onInstalled(m_item);
    return StepSucceeded();
}

bool CEntryInstallStep::WriteNewFile(HANDLE file) const {
    const PACKAGE_ENTRY_FIELDS& fields = m_item.m_fields;
    return m_library.InflateInto(fields.pCompressedData, fields.dwCompressedLength, file);
}

bool CEntryInstallStep::FinishNewFile(CScopedKernelHandle& file, bool bWritten) const {
    const FILETIME& time = m_item.m_fields.ftLastWrite;
    if (bWritten && HasStoredTime(time)) ::SetFileTime(file.Get(), nullptr, nullptr, &time);
    if (bWritten && (m_options.bFlushEachFile || m_item.m_bFlushAlways))
        bWritten = ::FlushFileBuffers(file.Get()) != FALSE;
    // Closing is where a full disk may show last.
    return CloseWrittenFile(file) && bWritten;
}

std::string CEntryInstallStep::Install() {
    const ENTRY_PLAN& plan = m_item.m_plan;
    const std::string failed = FormatText("Decompress to file %s failed!", plan.strDestPath.c_str());
    CScopedKernelHandle file(::CreateFileA(plan.strTempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return failed;
    if (!FinishNewFile(file, WriteNewFile(file.Get()))) {
        DeleteScratchFile(plan.strTempPath);
        return failed;
    }
    // The backup pass knows the attributes: only a read-only file needs the attribute taken off
    // before it can be renamed over.
    const bool bReadOnly = !plan.bAdded && (plan.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (bReadOnly) ::SetFileAttributesA(plan.strDestPath.c_str(), plan.dwAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (::MoveFileExA(plan.strTempPath.c_str(), plan.strDestPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        m_item.m_bReplaced = true;
        return std::string();
    }
    // Held open by another program without delete sharing (or running): written in place.
    const std::string error = plan.bAdded || !WriteInPlace() ? failed : std::string();
    DeleteScratchFile(plan.strTempPath);
    // Left untouched, the file gets its read-only attribute back here: no restore will walk it.
    if (!m_item.m_bDestChanged && bReadOnly) ::SetFileAttributesA(plan.strDestPath.c_str(), plan.dwAttributes);
    return error;
}

bool CEntryInstallStep::WriteInPlace() {
    ENTRY_PLAN& plan = m_item.m_plan;
    // The write must never reach the backup, so a backup that is a second name becomes a copy first.
    if (!MakeBackupACopy(plan)) return false;
    // Shared for reading and writing, as the other program shares it.
    CScopedKernelHandle file =
        OpenFileNoLink(plan.strDestPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) return false;
    m_item.m_bDestChanged = true;
    m_item.m_bReplaced = FinishNewFile(file, WriteNewFile(file.Get()) && ::SetEndOfFile(file.Get()));
    return m_item.m_bReplaced;
}

STEP_RESULT CEntryInstallStep::Undo() {
    // A destination the step left as it was (the server's program that the running server holds)
    // gets no lines and cannot fail.
    const bool bReached = m_item.m_bInstalled || m_item.IsChanged();
    STEP_RESULT result;
    if (m_item.IsChanged())
        result = PutBackWithLines(m_item.m_plan, m_sink);
    else
        DeleteScratchFile(m_item.m_plan.strTempPath);
    if (result.Succeeded()) m_item.m_bReplaced = m_item.m_bDestChanged = false;
    if (m_onUndone && bReached) m_onUndone(m_item);
    return result;
}
