#pragma once

#include <string>

#include "upgrade/InstallationLayout.h"

class CLineSink;

// Copies the running upgrader (exeName: its file name without ".exe") into the installation's
// "Upgrade\" folder as QuorindoUpgrade.exe, with its lines. False when the copy failed and the
// upgrade must not go on; true also when nothing had to be copied: the copy is the running file.
bool CopySelfToUpgradeFolder(CLineSink& sink, std::string installFolder, const std::string& exeName);
