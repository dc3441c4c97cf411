#include "commands/UpgradeCommand.h"

#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathTokens.h"

void CUpgradeCommand::ReadFromIni(const std::string& section, const std::string& listPath,
                                  const std::string& installFolder) {
    m_strType = GetIniString(section, "Type", "", listPath);
    m_strDestPath = ExpandPathTokens(GetIniString(section, INI_KEY_DEST_RELATIVE_PATH, "", listPath), installFolder);
    m_strSourcePath = ExpandPathTokens(GetIniString(section, INI_KEY_SOURCE_PATH, "", listPath), installFolder);
    m_strAnotherFileName = ExpandPathTokens(GetIniString(section, "Another File Name", "", listPath), installFolder);
}
