#include "app/Usage.h"

#include "upgrade/ResultCodes.h"
#include "upgrade/InstallationLayout.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

const char* const HELP_SWITCHES[] = {"?", "help"};

struct EXIT_STATUS_TEXT {
    int nStatus;
    const char* text;
};

// Every exit status, as scripts and deployment tools read it.
const EXIT_STATUS_TEXT EXIT_STATUSES[] = {
    {RESULT_SUCCEEDED, "the upgrade succeeded and was recorded"},
    {RESULT_UPGRADE_PRESSED, "\"Upgrade\" was pressed during a silent run"},
    {RESULT_NOT_INSTALLED, "Quorindo is not installed"},
    {RESULT_VERSION_UNREADABLE, "the installed version could not be read"},
    {RESULT_NOT_OLDER, "the installed version is not older than the package"},
    {RESULT_PRODUCT_RUNNING,
     "Quorindo is running, another upgrade is under way, or the last one still has files to put back"},
    {RESULT_PACKAGE_NOT_LOADED, "the package could not be loaded"},
    {RESULT_PACKAGE_TOO_SHORT, "the package is too short"},
    {RESULT_BACKUP_FAILED, "a file could not be read or backed up; nothing was changed"},
    {RESULT_INSTALL_FAILED, "a file could not be installed; everything was put back"},
    {RESULT_SELF_COPY_FAILED, "the upgrader could not copy itself into the installation, or lock it"},
    {RESULT_NOT_RECORDED, "the upgrade is installed but could not be recorded; the next start records it"},
    {EXIT_NO_RESULT, "the upgrade was stopped, or the channel program could not be ended"},
    {EXIT_NO_RUN, "no upgrade ran"},
};

}  // namespace

bool IsHelpSwitch(const char* pszParam) {
    for (const char* help : HELP_SWITCHES)
        if (EqualsNoCase(pszParam, help)) return true;
    return false;
}

std::string FormatUsage(const std::string& installFolder) {
    std::string text =
        "QuorindoUpgrade.exe [/auto | /recover]\n\n"
        "(no switch)\tshows the dialog; \"Upgrade\" starts the upgrade\n"
        "/auto\tupgrades at once without showing anything and ends\n"
        "/recover\tends an interrupted upgrade, if there is one\n\n"
        "Exit status:\n";
    for (const EXIT_STATUS_TEXT& status : EXIT_STATUSES) text += FormatText("%d\t%s\n", status.nStatus, status.text);
    // Without an installation, where its log would be.
    return text + "\nEvery run is recorded in " +
           GetUpgradeLogPath(installFolder.empty() ? "<installation folder>" : installFolder);
}
