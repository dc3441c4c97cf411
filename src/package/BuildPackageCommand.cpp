// "Compress Data..." of the create-version build: the package builder on the dialog's thread.
#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "package/PackageBuilder.h"
#include "util/PathParts.h"

void CUpgradeDlg::BuildPackage() {
    ShowMessage(
        "Program will compress these files, which list in UpgradeSet.ini, in format \n"
        "\tLen of Dest Relative path(4 bytes)     +    Dest Relative path + \n"
        "\tThe last modify time for file(8 bytes) + \n"
        "\tLen of Compress Data(4 bytes)          +    Compress Data");
    const std::string folder = GetModuleFolder();
    BuildPackageFile(*this, folder + BUILDER_LIST_FILE, folder + BUILDER_OUTPUT_FILE);
}
