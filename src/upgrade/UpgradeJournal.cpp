#include "upgrade/UpgradeJournal.h"

#include <windows.h>

#include "upgrade/InstallationLayout.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/FileIdentity.h"
#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"
#include "util/WorkFolder.h"
#include "util/WriteRule.h"

namespace {

const char JOURNAL_SECTION[] = "Journal";
const char KEY_PHASE[] = "Phase";
const char KEY_WORK_FOLDER[] = "Work Folder";
const char KEY_INSTALL_FOLDER[] = "Install Folder";
const char KEY_COMMAND_LIST[] = "Command List";
const char KEY_VERSION[] = "Version";
const char KEY_COUNT[] = "Count";
const char KEY_ATTEMPTS[] = "Recovery Attempts";
const char KEY_DESTINATION[] = "Destination";
const char KEY_TEMPORARY[] = "Temporary";
const char KEY_BACKUP[] = "Backup";
const char KEY_ADDED[] = "Added";
const char KEY_ATTRIBUTES[] = "Attributes";
const char KEY_ORIGINAL[] = "Original";

// The phases' words in the file, in the order of JOURNAL_PHASE.
const char* const PHASE_WORDS[] = {"install", "commands"};

// A word that is not ours is the install phase: putting the old files back is always safe.
JOURNAL_PHASE PhaseOf(const std::string& word) {
    return word == PHASE_WORDS[JOURNAL_COMMANDS] ? JOURNAL_COMMANDS : JOURNAL_INSTALL;
}

// The section of the plan at the index, counted from 0: "Entry 1" is the first.
std::string EntrySection(size_t index) { return FormatText("Entry %u", static_cast<unsigned>(index + 1)); }

void AddPlan(CIniText& text, const ENTRY_PLAN& plan, size_t index) {
    text.AddSection(EntrySection(index));
    text.AddValue(KEY_DESTINATION, plan.strDestPath);
    text.AddValue(KEY_TEMPORARY, plan.strTempPath);
    text.AddValue(KEY_BACKUP, plan.strBackupPath);
    text.AddValue(KEY_ADDED, plan.bAdded ? 1ul : 0ul);
    text.AddValue(KEY_ATTRIBUTES, static_cast<unsigned long>(plan.dwAttributes));
    text.AddValue(KEY_ORIGINAL, FormatFileIdentity(plan.original));
}

// A value as the journal's file holds it, for the line that names it.
std::string KeyValue(const char* key, const std::string& value) { return FormatText("%s=%s", key, value.c_str()); }

ENTRY_PLAN ReadEntry(const CIniFile& file, size_t index) {
    const std::string section = EntrySection(index);
    ENTRY_PLAN plan;
    plan.strDestPath = file.GetString(section, KEY_DESTINATION);
    plan.strTempPath = file.GetString(section, KEY_TEMPORARY);
    plan.strBackupPath = file.GetString(section, KEY_BACKUP);
    plan.bAdded = file.GetNumber(section, KEY_ADDED, 0) != 0;
    plan.dwAttributes = file.GetNumber(section, KEY_ATTRIBUTES, 0);
    plan.original = ParseFileIdentity(file.GetString(section, KEY_ORIGINAL));
    return plan;
}

// The most a journal's file may be: a plan of MAX_JOURNAL_ENTRIES entries, each of three paths
// and a few numbers.
const size_t MAX_JOURNAL_FILE_SIZE = static_cast<size_t>(MAX_JOURNAL_ENTRIES) * 4 * MAX_PATH;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// "Write upgrade journal <file> failed because of <reason>".
std::string WriteFailure(const std::string& path, DWORD error) {
    return FormatText("Write upgrade journal %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
}

std::string WriteIniFile(ISystemCalls& calls, const std::string& path, const CIniText& text) {
    DWORD error = ERROR_SUCCESS;
    return ReplaceFileDurably(calls, path, text.GetText(), &error) ? std::string() : WriteFailure(path, error);
}

}  // namespace

std::string CUpgradeJournal::WritePlan(const std::string& installFolder, const std::string& workFolder,
                                       const std::string& commandList, const std::string& version,
                                       const std::vector<ENTRY_PLAN>& plans) {
    m_strNamePath = GetJournalPath(installFolder);
    m_strPath = workFolder + JOURNAL_FILE;
    m_strInstallFolder = installFolder;
    m_phase = JOURNAL_INSTALL;
    m_strWorkFolder = workFolder;
    m_strCommandList = commandList;
    m_strVersion = version;
    m_nAttempts = 0;
    m_nCount = static_cast<unsigned>(plans.size());
    if (plans.size() > MAX_JOURNAL_ENTRIES)
        return FormatText("The package has %u entries, more than the upgrade journal holds (%u)", m_nCount,
                          MAX_JOURNAL_ENTRIES);
    // Normally there from the self-copy.
    if (!MakeUpgradeFolder(m_calls, installFolder)) return WriteFailure(m_strNamePath, ::GetLastError());
    // The plan first: a name never leads to a work folder without one.
    const std::string error = Write(plans);
    return error.empty() ? WriteName() : error;
}

std::string CUpgradeJournal::SetPhase(JOURNAL_PHASE phase, const std::vector<ENTRY_PLAN>& plans) {
    m_phase = phase;
    return Write(plans);
}

std::string CUpgradeJournal::CountRecoveryAttempt() {
    // Kept with the name: the work folder is held, read-only, while a recovery works.
    ++m_nAttempts;
    return WriteName();
}

std::string CUpgradeJournal::Write(const std::vector<ENTRY_PLAN>& plans) const {
    CIniText text;
    text.AddSection(JOURNAL_SECTION);
    text.AddValue(KEY_PHASE, PHASE_WORDS[m_phase]);
    text.AddValue(KEY_INSTALL_FOLDER, m_strInstallFolder);
    text.AddValue(KEY_WORK_FOLDER, m_strWorkFolder);
    text.AddValue(KEY_COMMAND_LIST, m_strCommandList);
    text.AddValue(KEY_VERSION, m_strVersion);
    text.AddValue(KEY_COUNT, static_cast<unsigned long>(plans.size()));
    for (size_t i = 0; i < plans.size(); ++i) AddPlan(text, plans[i], i);
    return WriteIniFile(m_calls, m_strPath, text);
}

std::string CUpgradeJournal::WriteName() const {
    CIniText text;
    text.AddSection(JOURNAL_SECTION);
    text.AddValue(KEY_WORK_FOLDER, m_strWorkFolder);
    text.AddValue(KEY_ATTEMPTS, static_cast<unsigned long>(m_nAttempts));
    return WriteIniFile(m_calls, m_strNamePath, text);
}

std::string CUpgradeJournal::FindUntrustedValue(const std::string& installFolder, CHeldFolder& workFolder) {
    // Read through a link, the name would be anybody's.
    if (IsReparsePoint(m_calls, GetUpgradeFolder(installFolder)) || IsReparsePoint(m_calls, m_strNamePath))
        return m_strNamePath;
    if (!IsWorkFolderPath(m_calls, m_strWorkFolder)) return KeyValue(KEY_WORK_FOLDER, m_strWorkFolder);
    std::string why = HoldOwnWorkFolder(workFolder, m_strWorkFolder);
    // Only now is the plan read: it lies where only administrators write.
    const DWORD error = why.empty() ? ReadPlan() : ERROR_SUCCESS;
    if (IsMissing(error)) why = "it holds no journal";
    else if (error != ERROR_SUCCESS) why = "its journal cannot be read: " + GetSystemErrorText(error);
    if (!why.empty()) return FormatText("%s (%s)", KeyValue(KEY_WORK_FOLDER, m_strWorkFolder).c_str(), why.c_str());
    // A journal of ours, but of another installation.
    if (!EqualsNoCase(m_strInstallFolder, installFolder)) return KeyValue(KEY_INSTALL_FOLDER, m_strInstallFolder);
    if (m_nCount > MAX_JOURNAL_ENTRIES) return KeyValue(KEY_COUNT, std::to_string(m_nCount));
    return FindUnrecoverableValue(m_calls, installFolder, m_strWorkFolder, m_strCommandList, m_readPlans);
}

std::string CUpgradeJournal::FindUnrecoverableValue(ISystemCalls& calls, const std::string& installFolder,
                                                    const std::string& workFolder,
                                                    const std::string& commandList,
                                                    const std::vector<ENTRY_PLAN>& plans) {
    if (!IsWorkFolderPath(calls, workFolder)) return KeyValue(KEY_WORK_FOLDER, workFolder);
    // Only the package's own command list, installed into the work folder, is ever run.
    if (!commandList.empty() && !EqualsNoCase(commandList, workFolder + COMMAND_LIST_FILE))
        return KeyValue(KEY_COMMAND_LIST, commandList);
    // Files go where the rule lets a package write, backups lie in the work folder.
    const WRITE_FOLDERS folders = GetWriteFolders(calls, installFolder, workFolder);
    const auto isTarget = [&](const std::string& path) { return IsWritablePath(calls, path, folders); };
    for (size_t i = 0; i < plans.size(); ++i) {
        const ENTRY_PLAN& plan = plans[i];
        std::string value;
        if (!isTarget(plan.strDestPath))
            value = KeyValue(KEY_DESTINATION, plan.strDestPath);
        else if (!plan.strTempPath.empty() && !isTarget(plan.strTempPath))
            value = KeyValue(KEY_TEMPORARY, plan.strTempPath);
        else if (!plan.strBackupPath.empty() && !EqualsNoCase(GetFolderOf(plan.strBackupPath), workFolder))
            value = KeyValue(KEY_BACKUP, plan.strBackupPath);
        if (!value.empty()) return FormatText("[%s] %s", EntrySection(i).c_str(), value.c_str());
    }
    return std::string();
}

bool CUpgradeJournal::GetNamedWorkFolders(ISystemCalls& calls, const std::string& installFolder,
                                          std::vector<std::string>& folders) {
    folders.clear();
    DWORD error = ERROR_SUCCESS;
    std::vector<std::string> names = FindSetAsideJournals(calls, installFolder, &error);
    if (error != ERROR_SUCCESS) return false;
    names.push_back(GetJournalPath(installFolder));
    for (const std::string& path : names) {
        CIniFile name;
        error = name.Read(calls, path, MAX_LIST_FILE_SIZE);
        if (error != ERROR_SUCCESS && !IsMissing(error)) return false;
        const std::string folder = name.GetString(JOURNAL_SECTION, KEY_WORK_FOLDER);
        if (!folder.empty()) folders.push_back(folder);
    }
    return true;
}

DWORD CUpgradeJournal::Read(const std::string& installFolder) {
    m_strNamePath = GetJournalPath(installFolder);
    m_strPath.clear();
    m_readPlans.clear();
    CIniFile name;
    const DWORD error = name.Read(m_calls, m_strNamePath, MAX_LIST_FILE_SIZE);
    if (error != ERROR_SUCCESS) return error;
    m_strWorkFolder = name.GetString(JOURNAL_SECTION, KEY_WORK_FOLDER);
    m_nAttempts = name.GetNumber(JOURNAL_SECTION, KEY_ATTEMPTS, 0);
    return ERROR_SUCCESS;
}

DWORD CUpgradeJournal::ReadPlan() {
    const std::string path = m_strWorkFolder + JOURNAL_FILE;
    m_readPlans.clear();
    CIniFile plan;
    const DWORD error = plan.Read(m_calls, path, MAX_JOURNAL_FILE_SIZE);
    if (error != ERROR_SUCCESS) return error;
    m_strPath = path;
    m_phase = PhaseOf(plan.GetString(JOURNAL_SECTION, KEY_PHASE));
    m_strInstallFolder = plan.GetString(JOURNAL_SECTION, KEY_INSTALL_FOLDER);
    m_strCommandList = plan.GetString(JOURNAL_SECTION, KEY_COMMAND_LIST);
    m_strVersion = plan.GetString(JOURNAL_SECTION, KEY_VERSION);
    m_nCount = plan.GetNumber(JOURNAL_SECTION, KEY_COUNT, 0);
    // An entry without a destination is the last read: the check names it.
    for (unsigned i = 0; i < m_nCount && m_nCount <= MAX_JOURNAL_ENTRIES; ++i) {
        m_readPlans.push_back(ReadEntry(plan, i));
        if (m_readPlans.back().strDestPath.empty()) break;
    }
    return ERROR_SUCCESS;
}

bool CUpgradeJournal::Delete(const std::vector<ENTRY_PLAN>& plans) const {
    // What was put back or finished is on the disk before the journal that would redo it goes.
    // Not the work folder (the command list): nothing in it is needed once the journal is gone.
    std::vector<std::string> folders;
    for (const ENTRY_PLAN& plan : plans)
        if (!EqualsNoCase(GetFolderOf(plan.strDestPath), m_strWorkFolder)) folders.push_back(GetFolderOf(plan.strDestPath));
    return MakeFoldersDurable(m_calls, folders) == ERROR_SUCCESS && Delete();
}

bool CUpgradeJournal::Delete() const {
    // The name goes first: a work folder that nothing names is swept at the next start.
    if (!m_strNamePath.empty() && !m_calls.Delete(m_strNamePath.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // On the disk before the plan goes: a name that outlived its plan after a power cut would
    // name a journal that cannot be read. With the name gone, a failed flush changes nothing of
    // what is left to do.
    if (!m_strNamePath.empty()) FlushFolder(m_calls, GetFolderOf(m_strNamePath));
    if (!m_strPath.empty()) m_calls.Delete(m_strPath.c_str());
    return true;
}

void CUpgradeJournal::SetAside(const std::string& installFolder) const {
    // Under the first free name: each journal set aside keeps its name, and so its work folder
    // with the backups, for a repair by hand. Only when every number is taken is the last replaced.
    const std::string name = GetJournalPath(installFolder);
    for (unsigned number = 1; number <= MAX_SET_ASIDE_JOURNALS; ++number) {
        const DWORD replace = number == MAX_SET_ASIDE_JOURNALS ? MOVEFILE_REPLACE_EXISTING : 0;
        const std::string setAside = GetSetAsideJournalPath(installFolder, number);
        if (m_calls.Move(name.c_str(), setAside.c_str(), replace | MOVEFILE_WRITE_THROUGH)) break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (!m_strPath.empty()) m_calls.Move(m_strPath.c_str(), (m_strWorkFolder + SET_ASIDE_JOURNAL_FILE).c_str(), flags);
}
