#pragma once

#include <string>

// True when a file, not a folder, exists at the path.
bool FileExists(const std::string& path);
// True when a folder exists at the path.
bool FolderExists(const std::string& path);
// Creates every missing folder of a file's path, starting at its drive.
// False when the path has no drive or no folder to walk.
bool CreateFolderPath(const std::string& filePath);
// Removes the read-only attribute of an existing file.
void ClearReadOnly(const std::string& path);
