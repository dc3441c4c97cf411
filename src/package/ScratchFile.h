#pragma once

#include <string>

// Deletes a scratch file made by NewTempFile, also when a copy gave it the read-only
// attribute of its source. An empty path is ignored.
void DeleteScratchFile(const std::string& path);
