#pragma once

#include <string>

#include "os/SystemCalls.h"

// Stored paths name their folder by a leading token: ".\", "<windows>\", "<System>\",
// "<Temp>\" or "<Windows Disk>\". Expansion turns the token into a folder of this machine.

// The folders of one machine that the tokens stand for, each ending with a backslash.
struct WRITE_FOLDERS {
    std::string strInstall;      // ".\"
    std::string strSystem;       // "<System>\"
    std::string strWindows;      // "<windows>\"
    std::string strWork;         // "<Temp>\": in a run, its private work folder
    std::string strWindowsDisk;  // "<Windows Disk>\": the root of the drive that holds the Windows folder
};

// With "<Temp>\" the user's temporary folder: for looking at a package, never for a run.
std::string ExpandPathTokens(const std::string& storedPath, const std::string& installFolder);
// With the folders given: a run's "<Temp>\" is its work folder, for package entries and commands alike.
std::string ExpandPathTokens(const std::string& storedPath, const WRITE_FOLDERS& folders);

// The folder tokens, and none.
enum PATH_TOKEN { TOKEN_NONE, TOKEN_INSTALL_FOLDER, TOKEN_WINDOWS, TOKEN_SYSTEM, TOKEN_TEMP, TOKEN_WINDOWS_DISK };
// The token a stored path begins with (matched without regard to case), and what follows it; the
// whole path for TOKEN_NONE.
PATH_TOKEN SplitPathToken(const std::string& storedPath, std::string& rest);

// The folder a token stands for among the folders; null for TOKEN_NONE.
const std::string* FolderOfToken(PATH_TOKEN token, const WRITE_FOLDERS& folders);
// This machine's system, Windows and Windows disk folders, with the installation and the folder
// that "<Temp>\" stands for, as they are written.
WRITE_FOLDERS GetTokenFolders(const std::string& installFolder, const std::string& workFolder);
// The same with the installation as its final path (ResolveFolder): where a package is written.
WRITE_FOLDERS GetWriteFolders(ISystemCalls& calls, const std::string& installFolder, const std::string& workFolder);

// The Windows folder, ending with exactly one backslash; empty when the system cannot say.
std::string GetWindowsFolder();
// The user's temporary folder, ending with exactly one backslash; empty when the system cannot say.
std::string GetTempFolder();
// A new, empty, uniquely named "JVR*.tmp" file in the folder (the user's temporary folder when
// none is given), owned by the caller. Empty when none could be made: every caller treats that
// as the failure of its step.
std::string NewTempFile(ISystemCalls& calls, const std::string& folder = std::string());
// A new "JVR*.tmp" name in a folder that only this program writes (a run's work folder), not yet
// taken and not made: the caller creates the file without replacing one.
std::string NewScratchName(ISystemCalls& calls, const std::string& folder);
