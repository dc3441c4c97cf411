#include "upgrade/UpgradeJournal.h"

#include <windows.h>

#include "upgrade/SelfCopy.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/TextFormat.h"

namespace {

const char JOURNAL_FILE[] = "UpgradeJournal.ini";
const char SET_ASIDE_FILE[] = "UpgradeJournal.failed.ini";
const char JOURNAL_SECTION[] = "Journal";
const char KEY_PHASE[] = "Phase";
const char KEY_WORK_FOLDER[] = "Work Folder";
const char KEY_COMMAND_LIST[] = "Command List";
const char KEY_VERSION[] = "Version";
const char KEY_COUNT[] = "Count";
const char KEY_DESTINATION[] = "Destination";
const char KEY_TEMPORARY[] = "Temporary";
const char KEY_BACKUP[] = "Backup";
const char KEY_ADDED[] = "Added";
const char KEY_ATTRIBUTES[] = "Attributes";

// The phases' words in the file, in the order of JOURNAL_PHASE.
const char* const PHASE_WORDS[] = {"install", "commands"};

// A word that is not ours is the install phase: putting the old files back is always safe.
JOURNAL_PHASE PhaseOf(const std::string& word) {
    return word == PHASE_WORDS[JOURNAL_COMMANDS] ? JOURNAL_COMMANDS : JOURNAL_INSTALL;
}

std::string FormatPlan(const ENTRY_PLAN& plan, size_t index) {
    return FormatText("[Entry %u]\r\n%s=%s\r\n%s=%s\r\n%s=%s\r\n%s=%d\r\n%s=%lu\r\n", static_cast<unsigned>(index + 1),
                      KEY_DESTINATION, plan.strDestPath.c_str(), KEY_TEMPORARY, plan.strTempPath.c_str(), KEY_BACKUP,
                      plan.strBackupPath.c_str(), KEY_ADDED, plan.bAdded ? 1 : 0, KEY_ATTRIBUTES,
                      static_cast<unsigned long>(plan.dwAttributes));
}

ENTRY_PLAN ReadPlan(const std::string& path, UINT index) {
    const std::string section = FormatText("Entry %u", index);
    ENTRY_PLAN plan;
    plan.strDestPath = GetIniString(section, KEY_DESTINATION, "", path);
    plan.strTempPath = GetIniString(section, KEY_TEMPORARY, "", path);
    plan.strBackupPath = GetIniString(section, KEY_BACKUP, "", path);
    plan.bAdded = ::GetPrivateProfileIntA(section.c_str(), KEY_ADDED, 0, path.c_str()) != 0;
    plan.dwAttributes = ::GetPrivateProfileIntA(section.c_str(), KEY_ATTRIBUTES, 0, path.c_str());
    return plan;
}

}  // namespace

std::string CUpgradeJournal::GetPath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + JOURNAL_FILE;
}

std::string CUpgradeJournal::GetSetAsidePath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + SET_ASIDE_FILE;
}

std::string CUpgradeJournal::WritePlan(const std::string& installFolder, const std::string& workFolder,
                                       const std::string& commandList, const std::string& version,
                                       std::vector<ENTRY_PLAN> plans) {
    m_strPath = GetPath(installFolder);
    m_phase = JOURNAL_INSTALL;
    m_strWorkFolder = workFolder;
    m_strCommandList = commandList;
    m_strVersion = version;
    m_plans = std::move(plans);
    // Normally there from the self-copy; if it cannot be made, the write says why.
    ::CreateDirectoryA(GetUpgradeFolder(installFolder).c_str(), nullptr);
    return Write();
}

std::string CUpgradeJournal::SetPhase(JOURNAL_PHASE phase) {
    m_phase = phase;
    return Write();
}

std::string CUpgradeJournal::Write() const {
    std::string text = FormatText("[%s]\r\n%s=%s\r\n%s=%s\r\n%s=%s\r\n%s=%s\r\n%s=%u\r\n", JOURNAL_SECTION, KEY_PHASE,
                                  PHASE_WORDS[m_phase], KEY_WORK_FOLDER, m_strWorkFolder.c_str(), KEY_COMMAND_LIST,
                                  m_strCommandList.c_str(), KEY_VERSION, m_strVersion.c_str(), KEY_COUNT,
                                  static_cast<unsigned>(m_plans.size()));
    for (size_t i = 0; i < m_plans.size(); ++i) text += FormatPlan(m_plans[i], i);
    DWORD error = ERROR_SUCCESS;
    if (ReplaceFileDurably(m_strPath, text, &error)) return std::string();
    return FormatText("Write upgrade journal %s failed because of %s", m_strPath.c_str(),
                      GetSystemErrorText(error).c_str());
}

bool CUpgradeJournal::Read(const std::string& installFolder) {
    m_strPath = GetPath(installFolder);
    m_plans.clear();
    if (!FileExists(m_strPath)) return false;
    m_phase = PhaseOf(GetIniString(JOURNAL_SECTION, KEY_PHASE, "", m_strPath));
    m_strWorkFolder = GetIniString(JOURNAL_SECTION, KEY_WORK_FOLDER, "", m_strPath);
    m_strCommandList = GetIniString(JOURNAL_SECTION, KEY_COMMAND_LIST, "", m_strPath);
    m_strVersion = GetIniString(JOURNAL_SECTION, KEY_VERSION, "", m_strPath);
    const UINT count = ::GetPrivateProfileIntA(JOURNAL_SECTION, KEY_COUNT, 0, m_strPath.c_str());
    for (UINT i = 1; i <= count; ++i) m_plans.push_back(ReadPlan(m_strPath, i));
    return true;
}

void CUpgradeJournal::Delete() const {
    if (!m_strPath.empty()) ::DeleteFileA(m_strPath.c_str());
}

void CUpgradeJournal::SetAside(const std::string& installFolder) const {
    ::MoveFileExA(GetPath(installFolder).c_str(), GetSetAsidePath(installFolder).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
