#include "upgrade/UpgradeJournal.h"

#include "upgrade/SelfCopy.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/TextFormat.h"

namespace {

const char JOURNAL_FILE[] = "UpgradeJournal.ini";
const char SET_ASIDE_FILE[] = "UpgradeJournal.failed.ini";
const char JOURNAL_SECTION[] = "Journal";
const char KEY_WORK_FOLDER[] = "Work Folder";
const char KEY_COUNT[] = "Count";
const char KEY_DESTINATION[] = "Destination";
const char KEY_BACKUP[] = "Backup";
const char KEY_ADDED[] = "Added";
const char KEY_ATTRIBUTES[] = "Attributes";
const char KEY_STATE[] = "State";

// The states' words in the file, in the order of JOURNAL_STATE.
const char* const STATE_WORDS[] = {"untouched", "installing", "installed", "tolerated", "restored"};

JOURNAL_STATE StateOf(const std::string& word) {
    for (int i = 0; i < static_cast<int>(std::size(STATE_WORDS)); ++i)
        if (word == STATE_WORDS[i]) return static_cast<JOURNAL_STATE>(i);
    // A word that is not ours: the file may have changed, so treat it as touched.
    return JOURNAL_INSTALLING;
}

std::string FormatJournal(const std::string& workFolder, const std::vector<JOURNAL_RECORD>& records) {
    std::string text = FormatText("[%s]\r\n%s=%s\r\n%s=%u\r\n", JOURNAL_SECTION, KEY_WORK_FOLDER, workFolder.c_str(),
                                  KEY_COUNT, static_cast<unsigned>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        const JOURNAL_RECORD& record = records[i];
        text += FormatText("[Entry %u]\r\n%s=%s\r\n%s=%s\r\n%s=%d\r\n%s=%lu\r\n%s=%s\r\n", static_cast<unsigned>(i + 1),
                           KEY_DESTINATION, record.strDestPath.c_str(), KEY_BACKUP, record.strBackupPath.c_str(),
                           KEY_ADDED, record.bAdded ? 1 : 0, KEY_ATTRIBUTES,
                           static_cast<unsigned long>(record.dwAttributes), KEY_STATE, STATE_WORDS[record.state]);
    }
    return text;
}

std::string WriteDurably(const std::string& path, const std::string& text) {
    DWORD error = ERROR_SUCCESS;
    if (ReplaceFileDurably(path, text, &error)) return std::string();
    return FormatText("Write upgrade journal %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
}

}  // namespace

std::string CUpgradeJournal::GetPath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + JOURNAL_FILE;
}

std::string CUpgradeJournal::GetSetAsidePath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + SET_ASIDE_FILE;
}

std::string CUpgradeJournal::Begin(const std::string& installFolder, const std::string& workFolder,
                                   const COwningList<CEntryItem>& items) {
    m_strPath = GetPath(installFolder);
    m_strWorkFolder = workFolder;
    m_records.clear();
    // Normally there from the self-copy; if it cannot be made, the write says why.
    ::CreateDirectoryA(GetUpgradeFolder(installFolder).c_str(), nullptr);
    for (const auto& item : items) {
        JOURNAL_RECORD record;
        record.strDestPath = item->m_strDestPath;
        record.strBackupPath = item->m_strBackupPath;
        record.bAdded = item->m_bHadNoFile;
        record.dwAttributes = item->m_dwAttributes;
        m_records.push_back(record);
    }
    return Write();
}

std::string CUpgradeJournal::SetState(size_t index, JOURNAL_STATE state) {
    if (index >= m_records.size()) return std::string();
    m_records[index].state = state;
    return Write();
}

std::string CUpgradeJournal::Write() const { return WriteDurably(m_strPath, FormatJournal(m_strWorkFolder, m_records)); }

bool CUpgradeJournal::Read(const std::string& installFolder) {
    m_strPath = GetPath(installFolder);
    m_records.clear();
    if (!FileExists(m_strPath)) return false;
    m_strWorkFolder = GetIniString(JOURNAL_SECTION, KEY_WORK_FOLDER, "", m_strPath);
    const UINT count = ::GetPrivateProfileIntA(JOURNAL_SECTION, KEY_COUNT, 0, m_strPath.c_str());
    for (UINT i = 1; i <= count; ++i) {
        const std::string section = FormatText("Entry %u", i);
        JOURNAL_RECORD record;
        record.strDestPath = GetIniString(section, KEY_DESTINATION, "", m_strPath);
        record.strBackupPath = GetIniString(section, KEY_BACKUP, "", m_strPath);
        record.bAdded = ::GetPrivateProfileIntA(section.c_str(), KEY_ADDED, 0, m_strPath.c_str()) != 0;
        record.dwAttributes = ::GetPrivateProfileIntA(section.c_str(), KEY_ATTRIBUTES, 0, m_strPath.c_str());
        record.state = StateOf(GetIniString(section, KEY_STATE, "", m_strPath));
        m_records.push_back(record);
    }
    return true;
}

void CUpgradeJournal::Delete() const {
    if (!m_strPath.empty()) ::DeleteFileA(m_strPath.c_str());
}
