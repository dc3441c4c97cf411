#pragma once

#include <string>

// Shortcuts in the product's Start-menu folder, "Quorindo" under the Programs folder that holds
// the product's own shortcut: the all-users one when it is there, the current user's otherwise.
// Neither reports failure; the product's folder is never created.

// Makes the shortcut "<name>.lnk" pointing at target. A target of MAX_PATH characters or more
// makes no shortcut rather than one that points somewhere else.
void CreateProgramShortcut(const std::string& name, const std::string& target);
// Deletes the shortcut "<name>.lnk".
void RemoveProgramShortcut(const std::string& name);

// The Programs folder chosen as above, ending with a backslash; empty when the shell gives none.
// COM must be initialised on the calling thread.
std::string ChooseProgramsFolder();
// The file of the shortcut with that name in the product's folder under the Programs folder.
std::string GetProgramShortcutPath(const std::string& programsFolder, const std::string& name);
