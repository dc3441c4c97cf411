#include "package/ScratchFile.h"

#include <windows.h>

#include "util/FileHelpers.h"

void DeleteScratchFile(const std::string& path) {
    if (path.empty()) return;
    ClearReadOnly(path);
    ::DeleteFileA(path.c_str());
}
