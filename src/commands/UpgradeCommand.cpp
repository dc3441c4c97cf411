#include "commands/UpgradeCommand.h"

#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathTokens.h"

void CUpgradeCommand::ReadFromIni(ISystemCalls& calls, const std::string& section, const std::string& listPath,
                                  const WRITE_FOLDERS& folders) {
    m_strType = GetIniString(calls, section, "Type", "", listPath);
    m_strDestPath = ExpandPathTokens(GetIniString(calls, section, INI_KEY_DEST_RELATIVE_PATH, "", listPath), folders);
    m_strSourcePath = ExpandPathTokens(GetIniString(calls, section, INI_KEY_SOURCE_PATH, "", listPath), folders);
    m_strAnotherFileName = ExpandPathTokens(GetIniString(calls, section, "Another File Name", "", listPath), folders);
}
