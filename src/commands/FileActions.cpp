#include "commands/FileActions.h"

#include <windows.h>

#include "framework/File.h"
#include "framework/FileException.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

std::string RemoveCommandFile(const std::string& path) {
    ClearReadOnly(path);
    if (::DeleteFileA(path.c_str())) return std::string();
    const DWORD error = ::GetLastError();
    return FormatText("Remove file %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
}

std::string RenameCommandFile(const std::string& path, const std::string& newPath) {
    ClearReadOnly(path);
    CFileException error;
    if (CFile::Rename(path, newPath, &error)) return std::string();
    return FormatText("Rename file %s to %s failed because of %s", GetFileNameOf(path).c_str(), newPath.c_str(),
                      GetFileErrorReason(error.m_cause).c_str());
}
