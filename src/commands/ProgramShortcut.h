#pragma once

#include <string>

#include "os/SystemCalls.h"

// Shortcuts in the product's Start-menu folder, "Quorindo" under the Programs folder that holds
// the product's own shortcut: the all-users one when it is there, the current user's otherwise.
// The product's folder is never created: without it there is nothing to do, and that succeeds.
// The current user's folders are the user's to change, while this program runs elevated: a
// shortcut is made or removed only in a plain folder reached without any link, held meanwhile so
// it cannot become one, and only a plain file is removed. Each answers an error text naming why
// not, empty on success.

// Makes the shortcut "<name>.lnk" pointing at target. A target of MAX_PATH characters or more
// makes no shortcut rather than one that points somewhere else.
std::string CreateProgramShortcut(ISystemCalls& calls, const std::string& name, const std::string& target);
// Deletes the shortcut "<name>.lnk".
std::string RemoveProgramShortcut(ISystemCalls& calls, const std::string& name);

// The Programs folder chosen as above, ending with a backslash; empty when the shell gives none.
// COM must be initialised on the calling thread.
std::string ChooseProgramsFolder(ISystemCalls& calls);
// The file of the shortcut with that name in the product's folder under the Programs folder.
std::string GetProgramShortcutPath(const std::string& programsFolder, const std::string& name);
