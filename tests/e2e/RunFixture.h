#pragma once

// What the tests of whole upgrade runs share: a sample installation registered as the product,
// a private temporary folder, and a copy of the real upgrader carrying the test's package.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/LineColours.h"
#include "support/PackageWriter.h"
#include "robot/ResourceInjector.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestPaths.h"
#include "robot/WindowRobot.h"
#include "system/ProductNames.h"

namespace e2e {

inline const char OLDER_VERSION[] = "0.0.6.5";
inline const char DIALOG_TITLE[] = "Upgrade Quorindo to Version 0.0.6.7";
inline const char CLOSING_LINE[] =
    "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations for upgrading.";
inline const int LIST_ID = 1000;
inline const int UPGRADE_ID = 1001;

// The lines of the action list without the empty separators between them.
inline std::vector<robot::ListLine> ReadLines(HWND dialog) {
    std::vector<robot::ListLine> lines;
    for (robot::ListLine& line : robot::ReadList(::GetDlgItem(dialog, LIST_ID)))
        if (line.length > 0) lines.push_back(std::move(line));
    return lines;
}

// The entry whose success line ("Upgrade file<n>.bin" or "add<n>.bin") is among the list's newest
// lines, or -1. Cheap to poll: the run does not wait while the list is read.
inline int NewestInstalledEntry(HWND dialog) {
    HWND list = ::GetDlgItem(dialog, LIST_ID);
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = count - 1; i >= 0 && i >= count - 4; --i) {
        const std::string text = robot::ReadListItem(list, i).text;
        int entry = -1;
        if (std::sscanf(text.c_str(), "        Upgrade file%d.bin successfully!", &entry) == 1 ||
            std::sscanf(text.c_str(), "        Upgrade add%d.bin successfully!", &entry) == 1)
            return entry;
    }
    return -1;
}

inline bool HasLine(const std::vector<robot::ListLine>& lines, const std::string& text, COLORREF color) {
    for (const robot::ListLine& line : lines)
        if (line.text == text && line.color == color) return true;
    return false;
}

inline std::string GetButtonText(HWND dialog, int id) {
    char text[64] = "";
    ::GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

// One test's product installation at the older version and its upgrader copy.
class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_install.CreateRegistered(OLDER_VERSION, m_scratch.Path() + GetProductFolderName()));
    }

    // The upgrader with this package, outside the installation, under the given file name.
    std::string MakeUpgrader(const std::vector<BYTE>& package, const std::string& name = "QuorindoUpgrade.exe") {
        const std::string copy = m_scratch.Path() + "Downloads\\" + name;
        ::CreateDirectoryA((m_scratch.Path() + "Downloads").c_str(), nullptr);
        EXPECT_TRUE(CopyWithPackage(GetProgramPath("QU_UPGRADE_EXE"), copy, package));
        return copy;
    }

    bool StartUpgrader(const std::vector<BYTE>& package, const std::string& arguments = std::string(),
                       const std::string& name = "QuorindoUpgrade.exe") {
        return m_upgrader.Start(MakeUpgrader(package, name), arguments, std::string(), arguments.empty());
    }

    std::vector<std::string> ScratchFiles() const { return ListFiles(m_scratch.Temp(), "JVR*.tmp"); }

    CScratchFolder m_scratch;
    CSampleInstallation m_install;
    CChildProcess m_upgrader;
};

}  // namespace e2e
