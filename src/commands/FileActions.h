#pragma once

#include <string>

// The file commands of a command list. Each answers an error text, empty on success.

// Deletes a file, read-only or not.
std::string RemoveCommandFile(const std::string& path);
// Renames a file, read-only or not; a file that already bears the new name is not replaced.
std::string RenameCommandFile(const std::string& path, const std::string& newPath);
