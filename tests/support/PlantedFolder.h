#pragma once

#include <string>
#include <vector>

#include "support/ScratchFolder.h"

// A download folder where a web page dropped libraries named like system ones: every library of
// the sample's "planted" folder. Each leaves "<its path>.loaded" when something loads it. Wine
// takes such a file only when WINEDLLOVERRIDES says "n,b" for its name (QU_EXTRA_DLLOVERRIDES).
class CPlantedFolder {
public:
    CPlantedFolder();
    CPlantedFolder(const CPlantedFolder&) = delete;
    CPlantedFolder& operator=(const CPlantedFolder&) = delete;
    ~CPlantedFolder();

    const std::string& Path() const { return m_scratch.Path(); }  // ends with a backslash
    // Copies a program into the folder, under its own name; answers the copy's path.
    std::string Download(const std::string& program);
    // The markers of the plants loaded so far ("version.dll.loaded").
    std::vector<std::string> LoadedPlants() const;

private:
    CScratchFolder m_scratch;
};
