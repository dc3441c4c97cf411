#pragma once

#include <string>

#include "util/PathTokens.h"

class CIniFile;

// One post-install command of a command list as its section reads, its paths already expanded.
// What it does is the step its type makes (CommandSteps.h).
class CUpgradeCommand {
public:
    // Reads the section's four keys from the command list; the paths are expanded with the folders.
    void ReadFromIni(const CIniFile& list, const std::string& section, const WRITE_FOLDERS& folders);

    std::string m_strType;
    std::string m_strDestPath;
    std::string m_strAnotherFileName;
    std::string m_strSourcePath;
};
