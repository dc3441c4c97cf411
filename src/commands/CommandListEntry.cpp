#include "commands/CommandListEntry.h"

#include "util/PathParts.h"
#include "util/TextCompare.h"

const char* const COMMAND_LIST_FILE = "CMD List.ini";

CBackupRecord* FindEntryByFileName(const COwningList<CBackupRecord>* records, const std::string& fileName) {
    if (records == nullptr) return nullptr;
    for (const auto& record : *records) {
        if (EqualsNoCase(GetFileNameOf(record->m_strDestPath), fileName)) return record.get();
    }
    return nullptr;
}
