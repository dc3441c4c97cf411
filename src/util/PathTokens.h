#pragma once

#include <string>

// Stored paths name their folder by a leading token: ".\", "<windows>\", "<System>\",
// "<Temp>\" or "<Windows Disk>\". Expansion turns the token into a folder of this machine.
std::string ExpandPathTokens(const std::string& storedPath, const std::string& installFolder);

// The folder tokens, and none.
enum PATH_TOKEN { TOKEN_NONE, TOKEN_INSTALL_FOLDER, TOKEN_WINDOWS, TOKEN_SYSTEM, TOKEN_TEMP, TOKEN_WINDOWS_DISK };
// The token a stored path begins with (matched without regard to case), and what follows it; the
// whole path for TOKEN_NONE.
PATH_TOKEN SplitPathToken(const std::string& storedPath, std::string& rest);

// The Windows folder, ending with exactly one backslash; empty when the system cannot say.
std::string GetWindowsFolder();
// The user's temporary folder, ending with exactly one backslash; empty when the system cannot say.
std::string GetTempFolder();
// A new, empty, uniquely named "JVR*.tmp" file in the folder (the user's temporary folder when
// none is given), owned by the caller. Empty when none could be made: every caller treats that
// as the failure of its step.
std::string NewTempFile(const std::string& folder = std::string());
// A new "JVR*.tmp" name in a folder that only this program writes (a run's work folder), not yet
// taken and not made: the caller creates the file without replacing one.
std::string NewScratchName(const std::string& folder);
