#include "package/ScratchFile.h"

#include <windows.h>

#include "util/FileHelpers.h"

void DeleteScratchFile(const std::string& path) {
    if (path.empty()) return;
    // Most scratch files are not read-only, so the attribute is looked at only when the delete is refused.
    if (::DeleteFileA(path.c_str())) return;
    ClearReadOnly(path);
    ::DeleteFileA(path.c_str());
}
