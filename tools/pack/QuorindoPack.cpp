// QuorindoPack: the release engineers' front end to the upgrader's package code.
#include <cstdio>
#include <string>

#include "PackageCommands.h"
#include "package/PackageBuilder.h"
#include "util/PathParts.h"

namespace {

const char USAGE[] =
    "Usage:\n"
    "  QuorindoPack build [UpgradeSet.ini] [CompressData.dat]\n"
    "      Compresses every source listed in the list file (default: UpgradeSet.ini in the\n"
    "      current folder) and joins them into a package (default: CompressData.dat beside it).\n"
    "      A list that is missing or names no source (a source count of 0 too) is refused:\n"
    "      a package of no entries installs nothing and succeeds everywhere.\n"
    "  QuorindoPack list <package or program>\n"
    "      One line per entry: stored path, stored time (local; '-' when none), compressed\n"
    "      size and packed size, then the totals.\n"
    "  QuorindoPack verify <package or program>\n"
    "      Reads every entry and inflates it fully (gzip CRC and length checked).\n"
    "A program argument means its package resource (\"PACKAGE\" 130).\n"
    "Exit status:\n"
    "  0  all well\n"
    "  1  build: a source left out, the list refused or the package not written;\n"
    "     list, verify: the package cannot be read or an entry is damaged\n"
    "  2  the command line is not understood\n"
    "  3  verify: the package holds no entry, so it would install nothing\n";

std::string ArgumentOr(int argc, char** argv, int index, const char* fallback) {
    return index < argc ? argv[index] : fallback;
}

// Full paths before anything reads them: the profile functions look for a bare name in the
// Windows folder, not in the current one.
std::string FullPathOf(const std::string& path) {
    const std::string full = GetFullPath(path);
    return full.empty() ? path : full;
}

// The package goes beside its list unless named.
std::string DefaultOutputFor(const std::string& listFile) { return GetFolderOf(listFile) + BUILDER_OUTPUT_FILE; }

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc <= 4) {
        const std::string listFile = FullPathOf(ArgumentOr(argc, argv, 2, BUILDER_LIST_FILE));
        return RunBuildCommand(listFile, argc > 3 ? FullPathOf(argv[3]) : DefaultOutputFor(listFile));
    }
    if (command == "list" && argc == 3) return RunListCommand(argv[2]);
    if (command == "verify" && argc == 3) return RunVerifyCommand(argv[2]);
    const bool askedForHelp = command == "--help" || command == "-h" || command == "/?";
    std::fputs(USAGE, askedForHelp ? stdout : stderr);
    return askedForHelp ? PACK_EXIT_OK : PACK_EXIT_USAGE;
}
