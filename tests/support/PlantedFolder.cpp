#include "support/PlantedFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/SampleProduct.h"
#include "util/PathParts.h"

namespace {

const char PLANTED_FOLDER[] = "planted\\";

}  // namespace

CPlantedFolder::CPlantedFolder() {
    const std::string plants = GetSampleTestFile(PLANTED_FOLDER);
    const std::vector<std::string> names = ListFiles(plants, "*.dll");
    EXPECT_FALSE(names.empty()) << "no planted libraries in " << plants;
    for (const std::string& name : names)
        EXPECT_TRUE(::CopyFileA((plants + name).c_str(), (Path() + name).c_str(), FALSE)) << name;
}

CPlantedFolder::~CPlantedFolder() {
    // The libraries of a process that just ended may stay in use for a moment.
    for (int attempt = 0; attempt < 200 && ::GetFileAttributesA(Path().c_str()) != INVALID_FILE_ATTRIBUTES;
         ++attempt) {
        DeleteTree(Path());
        ::Sleep(10);
    }
}

std::string CPlantedFolder::Download(const std::string& program) {
    std::string name, extension;
    SplitPath(program, nullptr, nullptr, &name, &extension);
    const std::string copy = Path() + name + extension;
    EXPECT_TRUE(::CopyFileA(program.c_str(), copy.c_str(), FALSE)) << program;
    return copy;
}

std::vector<std::string> CPlantedFolder::LoadedPlants() const { return ListFiles(Path(), "*.loaded"); }
