#pragma once

#include <string>

#include "os/SystemCalls.h"
#include "upgrade/InstallationLayout.h"

class CLineSink;
class COwnProgramFile;

// Copies the running upgrader, from its own file held since its start and proven to be the program
// that runs, into the installation's "Upgrade\" folder as QuorindoUpgrade.exe, with its lines. The
// installation starts that copy elevated later (RunOnce, the upgrade server's "/auto"), so a file
// that cannot be proven is never copied. False when the copy failed and the upgrade must not go
// on; true also when nothing had to be copied: the copy is the running file.
bool CopySelfToUpgradeFolder(ISystemCalls& calls, CLineSink& sink, std::string installFolder,
                             const COwnProgramFile& self);
