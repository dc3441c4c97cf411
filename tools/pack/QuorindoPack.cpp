// QuorindoPack: the release engineers' front end to the upgrader's package code.
#include <cstdio>
#include <cstring>
#include <string>

#include "PackageCommands.h"
#include "package/PackageBuilder.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  QuorindoPack build [UpgradeSet.ini] [CompressData.dat]\n"
    "      Compresses every source listed in the list file (default: UpgradeSet.ini in the\n"
    "      current folder) and joins them into a package (default: CompressData.dat beside it).\n"
    "      Exit status 0 only when every source went in.\n"
    "  QuorindoPack list <package or program>\n"
    "      One line per entry: stored path, stored time (local; '-' when none), compressed\n"
    "      size and packed size, then the totals.\n"
    "  QuorindoPack verify <package or program>\n"
    "      Reads every entry and inflates it fully (gzip CRC and length checked).\n"
    "      Exit status 0 only when all is well.\n"
    "A program argument means its package resource (\"PACKAGE\" 130).\n";

std::string ArgumentOr(int argc, char** argv, int index, const char* fallback) {
    return index < argc ? argv[index] : fallback;
}

// The package goes beside its list unless named.
std::string DefaultOutputFor(const std::string& listFile) {
    const size_t slash = listFile.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : listFile.substr(0, slash + 1)) + BUILDER_OUTPUT_FILE;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc <= 4) {
        const std::string listFile = ArgumentOr(argc, argv, 2, BUILDER_LIST_FILE);
        return RunBuildCommand(listFile, argc > 3 ? argv[3] : DefaultOutputFor(listFile));
    }
    if (command == "list" && argc == 3) return RunListCommand(argv[2]);
    if (command == "verify" && argc == 3) return RunVerifyCommand(argv[2]);
    const bool askedForHelp = command == "--help" || command == "-h" || command == "/?";
    std::fputs(kUsage, askedForHelp ? stdout : stderr);
    return askedForHelp ? 0 : 2;
}
