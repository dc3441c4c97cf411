#pragma once

#include <string>

// True when the installed version is older than the package's, so the package is an upgrade.
// Versions are up to four dotted fields, each an unsigned decimal number; missing fields count
// as 0. Fields are compared as numbers, so 0.0.6.10 and 0.0.10.0 are newer than 0.0.6.7.
// A text that is not such a version is never older: the upgrade is refused.
bool IsOlderVersion(const std::string& installed, const std::string& package);
