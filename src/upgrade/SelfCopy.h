#pragma once

#include <string>

class CLineSink;

// The name the upgrader has inside the installation, whatever it was downloaded as.
inline constexpr const char* SELF_COPY_FILE = "QuorindoUpgrade.exe";

// The installation's "Upgrade\" folder, where the upgrader keeps its copy, its journal and its log.
std::string GetUpgradeFolder(std::string installFolder);
// Makes the "Upgrade\" folder when it is missing. False, with the system's error, when it cannot
// be made or is a reparse point, which would send everything written there somewhere else.
bool MakeUpgradeFolder(const std::string& installFolder);

// Copies the running upgrader (exeName: its file name without ".exe") into the installation's
// "Upgrade\" folder as QuorindoUpgrade.exe, with its lines. False when the copy failed and the
// upgrade must not go on; true also when nothing had to be copied.
bool CopySelfToUpgradeFolder(CLineSink& sink, std::string installFolder, const std::string& exeName);
