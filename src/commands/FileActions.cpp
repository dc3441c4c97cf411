#include "commands/FileActions.h"

#include <windows.h>

#include "framework/FileException.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

std::string RemoveCommandFile(ISystemCalls& calls, const std::string& path) {
    ClearReadOnly(calls, path);
    if (calls.Delete(path.c_str())) return std::string();
    const DWORD error = ::GetLastError();
    return FormatText("Remove file %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
}

std::string RenameCommandFile(ISystemCalls& calls, const std::string& path, const std::string& newPath) {
    ClearReadOnly(calls, path);
    // A file that bears the new name already is not replaced.
    if (calls.Move(path.c_str(), newPath.c_str(), MOVEFILE_COPY_ALLOWED)) return std::string();
    CFileException error;
    error.Set(::GetLastError(), path);
    return FormatText("Rename file %s to %s failed because of %s", GetFileNameOf(path).c_str(), newPath.c_str(),
                      GetFileErrorReason(error.m_cause).c_str());
}
