#pragma once

#include <string>

#include "commands/RegistrationRecord.h"
#include "framework/CObject.h"

// One post-install command of a command list, its paths already expanded.
class CUpgradeCommand : public CObject {
public:
    // Reads the section's four keys from the command list; the paths are expanded with the
    // installation folder.
    void ReadFromIni(const std::string& section, const std::string& listPath, const std::string& installFolder);
    // What the action list shows for the command.
    std::string GetDescription() const;
    // Carries the command out on the calling thread; answers the error text, empty on success.
    // "Register" and "Unregister" keep the registration list up to date, even when they fail.
    std::string Execute(CRegistrationList& registered) const;

    std::string m_strType;
    std::string m_strDestPath;
    std::string m_strAnotherFileName;
    std::string m_strSourcePath;
};

// One command handed to the dialog's thread, and the outcome it hands back.
struct COMMAND_REQUEST {
    CUpgradeCommand* pCommand = nullptr;
    std::string strError;  // empty until the command fails
};
