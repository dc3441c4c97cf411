#pragma once

#include <string>

// Self-registration of a COM server file through its own exports. Each answers an error text,
// empty on success. The file's folder becomes the process's current folder, and is added to the
// library search while the file is loaded, so the server finds the libraries that lie beside it
// however it loads them; the old current folder is not restored.
std::string RegisterServerFile(const std::string& path);
std::string UnregisterServerFile(const std::string& path);
