#include "commands/UpgradeCommand.h"

#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathTokens.h"

void CUpgradeCommand::ReadFromIni(const CIniFile& list, const std::string& section, const WRITE_FOLDERS& folders) {
    m_strType = list.GetString(section, "Type");
    m_strDestPath = ExpandPathTokens(list.GetString(section, INI_KEY_DEST_RELATIVE_PATH), folders);
    m_strSourcePath = ExpandPathTokens(list.GetString(section, INI_KEY_SOURCE_PATH), folders);
    m_strAnotherFileName = ExpandPathTokens(list.GetString(section, "Another File Name"), folders);
}
