#pragma once

#include <string>

// The switches that ask for the usage box ("/?", "-?", "/help"); compared without regard to case.
bool IsHelpSwitch(const char* pszParam);

// What the usage box says: the switches, the exit statuses and where the upgrade log is (the
// installation's own log when one is found, else where it would be).
std::string FormatUsage(const std::string& installFolder);
