// Every shipped program started from a download folder where a web page dropped libraries named
// like system ones: none of them is loaded, also not by a system library the program uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RunFixture.h"
#include "support/PlantedFolder.h"
#include "support/RegistryValueGuard.h"
#include "support/UpgradeLogFile.h"
#include "support/UpgradeServerWindow.h"
#include "util/PathParts.h"

using namespace e2e;

namespace {

const DWORD RUN_WAIT_MS = 30000;
const std::vector<std::string> NONE;

// Runs a program that ends by itself from the folder; answers its exit status.
DWORD RunToEnd(CPlantedFolder& folder, const std::string& program, const std::string& arguments) {
    CChildProcess run;
    DWORD exitCode = 0xFFFFFFFF;
    EXPECT_TRUE(run.Start(folder.Download(program), arguments, folder.Path(), false)) << program;
    EXPECT_TRUE(run.Wait(RUN_WAIT_MS, &exitCode)) << program << " did not end";
    return exitCode;
}

// Proof that the plants work: the loader takes them for a program that imports user32 and
// shell32 the usual way.
TEST(PlantedLibrary, IsTakenByAProgramImportingSystemLibrariesTheUsualWay) {
    CPlantedFolder folder;
    RunToEnd(folder, GetSampleTestFile("PlainImports.exe"), "");
    EXPECT_NE(folder.LoadedPlants(), NONE);
}

TEST(PlantedLibrary, IsNeverLoadedByTheDialogs) {
    const std::string builderTitle = std::string(DIALOG_TITLE) + " - Is Create Version";
    for (const auto& [variable, title] : {std::pair<const char*, std::string>{"QU_UPGRADE_EXE", DIALOG_TITLE},
                                          {"QU_BUILDER_EXE", builderTitle}}) {
        SCOPED_TRACE(variable);
        CPlantedFolder folder;
        CChildProcess program;
        ASSERT_TRUE(program.Start(folder.Download(GetProgramPath(variable)), "", folder.Path()));
        EXPECT_NE(robot::WaitForWindow(title), nullptr);
        program.End();
        EXPECT_EQ(folder.LoadedPlants(), NONE);
    }
}

// With no installation registered the run reports 2 and ends by itself; the product's values
// are put back afterwards.
TEST(PlantedLibrary, IsNeverLoadedByAnAutoRun) {
    CRegistryValueGuard installPath(HKEY_LOCAL_MACHINE, PRODUCT_KEY, INSTALL_PATH_VALUE);
    CRegistryValueGuard server(HKEY_LOCAL_MACHINE, PRODUCT_SERVER_KEY, "");
    installPath.Delete();
    server.Delete();
    CUpgradeServerWindow reports;
    CPlantedFolder folder;
    CChildProcess upgrader;
    ASSERT_TRUE(upgrader.Start(folder.Download(GetProgramPath("QU_UPGRADE_EXE")), "/auto", folder.Path(), false));
    EXPECT_TRUE(robot::WaitForHandle(upgrader.GetHandle(), RUN_WAIT_MS)) << "the auto run did not end";
    reports.WaitForCodes(1, 1000);
    EXPECT_EQ(reports.Codes(), std::vector<int>{2});
    EXPECT_EQ(folder.LoadedPlants(), NONE);
}

// A filter that loads the library beside it by name while it registers finds that one, never one
// of the same name in the download folder the upgrader was started from.
using PlantedLibraryRun = RunTest;
TEST_F(PlantedLibraryRun, IsNeverLoadedForAFilterThatLoadsItsNeighbourByName) {
    const std::string upgrader = MakeUpgrader(
        CPackageWriter()
            .AddFile(".\\AX\\LoaderFilter.ax", ReadFileText(GetSampleTestFile("neighbour\\LoaderFilter.ax")))
            .AddFile(".\\AX\\FilterNeighbour.dll", ReadFileText(GetSampleTestFile("neighbour\\FilterNeighbour.dll")))
            .AddFile("<Temp>\\CMD List.ini", "[CMD List]\r\nCMD count=1\r\n[CMD 1]\r\nType=Register\r\n"
                                             "Dest Relative Path=.\\AX\\LoaderFilter.ax\r\n")
            .Bytes());
    const std::string decoy = GetFolderOf(upgrader) + "FilterNeighbour.dll";
    ASSERT_TRUE(::CopyFileA(GetSampleTestFile("decoy\\FilterNeighbour.dll").c_str(), decoy.c_str(), FALSE));
    ASSERT_TRUE(m_upgrader.Start(upgrader, "/auto", std::string(), false));
    EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS)) << "the auto run did not end";
    EXPECT_NE(ReadFileText(GetLogPath(m_install.GetFolder())).find("\r\n        Register LoaderFilter.ax completely\r\n"),
              std::string::npos);
    EXPECT_FALSE(PathExists(decoy + ".loaded"));
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{5B0E7C21-94D3-4A8F-B6E2-1C7F3A9D4E60}");
}

TEST(PlantedLibrary, IsNeverLoadedByQuorindoPack) {
    CPlantedFolder folder;
    const std::string pack = GetBuildFile("tools/pack/QuorindoPack.exe");
    EXPECT_EQ(RunToEnd(folder, pack, "--help"), 0u);
    EXPECT_EQ(RunToEnd(folder, pack, "list Missing.dat"), 1u);
    EXPECT_EQ(folder.LoadedPlants(), NONE);
}

}  // namespace
