#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/RegistryValueGuard.h"

// Where the build put the sample product, as Windows paths ending with a backslash:
// QU_SAMPLE_DIR when set, otherwise QU_BUILD_DIR followed by "sample".
std::string GetSampleFolder();
// One version's clean image: every file of that version of the product.
std::string GetSampleVersionFolder(const std::string& version);
// A test-only program or library: "1.10.2.3\Quorindo.exe", "no-version\Quorindo.exe",
// "planted\psapi.dll", "DllSearchProbe.exe".
std::string GetSampleTestFile(const std::string& relative);

// The name of a test's installation folder, with its final backslash: "Product\\", or, where the
// test runs in a double-byte code page (QU_CODE_PAGE=932, with LC_ALL=ja_JP.UTF-8: see
// tests/CMakeLists.txt), one whose characters have a backslash (0x5C) and a bar (0x7C) as their
// second byte, the last one too. Fails the test when the program does not run in that code page.
std::string GetProductFolderName();
// True when the program runs in that code page; fails the test when QU_CODE_PAGE asks for one it
// does not run in.
bool RunsInCodePage(unsigned codePage);

// The ten files an installation must have, relative to its folder, in the order they are tested.
extern const char* const SAMPLE_COMPONENTS[10];
// The sample's scroll, feed and fade filters, and the class key under HKEY_LOCAL_MACHINE that each
// registers, in the same order.
inline constexpr const char* FILTER_FILES[] = {"AX\\ScrollFilter.ax", "AX\\FeedFilter.ax", "AX\\FadeFilter.ax"};
inline constexpr const char* FILTER_CLASS_KEYS[] = {
    "SOFTWARE\\Classes\\CLSID\\{D47945FF-3513-4E25-9573-279AEB9655EA}",
    "SOFTWARE\\Classes\\CLSID\\{DFB57666-7A11-45F1-88A4-460B2FA08A6C}",
    "SOFTWARE\\Classes\\CLSID\\{3DEB868E-4AF5-4DCA-B816-713E2D59E18B}",
};
// Where the command list's AutoRun starts the upgrade server at logon, under HKEY_CURRENT_USER.
inline constexpr const char* RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// An installed sample product for one test: the files of a version laid out in a folder of its
// own, the product's registry values and running programs. Everything it made is undone at
// destruction: programs ended, registry values put back, the folder deleted.
class CSampleInstallation {
public:
    CSampleInstallation() = default;
    CSampleInstallation(const CSampleInstallation&) = delete;
    CSampleInstallation& operator=(const CSampleInstallation&) = delete;
    ~CSampleInstallation();

    // Copies every file of the version into the folder, which must not exist yet (its missing
    // parents are made too). Without a folder, a fresh one under the temporary folder is used.
    bool Create(const std::string& version, const std::string& folder = std::string());
    // Create, then registered as the installed product that has never been upgraded: "Install
    // Path" names it, and no "Upgrade Time" or "Upgrade Version" is there.
    bool CreateRegistered(const std::string& version, const std::string& folder);
    const std::string& GetFolder() const { return m_strFolder; }  // ends with a backslash
    std::string GetPath(const std::string& relative) const { return m_strFolder + relative; }

    // Writes HKEY_LOCAL_MACHINE "Software\Quorindo" "Install Path": the folder without its final
    // backslash, or the given text.
    bool SetInstallPath();
    bool SetInstallPath(const std::string& text);
    // Sets any value the installation's registry record needs ("Install Version", the product's
    // COM server key's default value...) for the length of the test. A value is remembered the
    // first time it is touched and put back at destruction.
    bool SetValue(const std::string& keyPath, const std::string& valueName, const std::string& text);
    void DeleteValue(const std::string& keyPath, const std::string& valueName);

    // Replaces the main executable with a test-only build ("1.10.2.3", "no-version",
    // "no-translation").
    bool UseMainExecutable(const std::string& variant);
    // Starts a program of the installation ("Quorindo.exe", "QxChannel.exe"); null on failure.
    CChildProcess* Start(const std::string& relative, const std::string& arguments = std::string());
    // Ends every program this installation started.
    void EndPrograms();

private:
    CRegistryValueGuard& Guard(const std::string& keyPath, const std::string& valueName);

    std::string m_strFolder;
    std::vector<std::string> m_newFolders;  // made by Create, deepest first
    std::vector<std::unique_ptr<CRegistryValueGuard>> m_guards;
    std::vector<std::unique_ptr<CChildProcess>> m_programs;
};
