#pragma once

#include <string>

#include "os/SystemCalls.h"

// The file commands of a command list. Each answers an error text, empty on success.

// Deletes a file, read-only or not.
std::string RemoveCommandFile(ISystemCalls& calls, const std::string& path);
// Renames a file, read-only or not; a file that already bears the new name is not replaced.
std::string RenameCommandFile(ISystemCalls& calls, const std::string& path, const std::string& newPath);
