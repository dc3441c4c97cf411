#include "package/ScratchFile.h"

#include <windows.h>

#include "util/FileHelpers.h"

void DeleteScratchFile(const std::string& path) {
    if (!path.empty()) DeleteFileEvenReadOnly(path);
}
