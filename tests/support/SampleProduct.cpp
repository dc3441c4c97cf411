#include "support/SampleProduct.h"

#include <gtest/gtest.h>

#include <atomic>

#include "framework/ScopedHandles.h"
#include "support/ScratchFolder.h"
#include "support/TestPaths.h"
#include "system/ProductNames.h"
#include "util/PathParts.h"

namespace {

// The build tree is named by a Unix path when the tests run under Wine; Wine knows the drive
// that shows it best.
std::string HostToDosPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    using TO_DOS_PROC = WCHAR*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<TO_DOS_PROC>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (toDos) {
        if (WCHAR* wide = toDos(path.c_str())) {
            char buffer[MAX_PATH] = {};
            const int length = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, MAX_PATH, nullptr, nullptr);
            ::HeapFree(::GetProcessHeap(), 0, wide);
            if (length > 0) return buffer;
        }
    }
    return ToWindowsPath(path);
}

std::atomic<int> g_nextInstallation{0};

std::string NewInstallationFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return WithFinalBackslash(temp) + "qu-install-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(g_nextInstallation++) + "\\";
}

// Makes the folder and its missing parents; the ones made are added deepest first.
bool MakeFolders(const std::string& folder, std::vector<std::string>& made) {
    std::vector<std::string> missing;
    for (std::string path = folder; path.size() > 3 && !PathExists(path);) {
        missing.push_back(path);
        path = GetFolderOf(WithoutFinalBackslash(path));
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!::CreateDirectoryA(it->c_str(), nullptr)) return false;
        made.insert(made.begin(), *it);
    }
    return true;
}

bool CopyTree(const std::string& from, const std::string& to) {
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(::FindFirstFileA((from + "*").c_str(), &data));
    if (!find) return false;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!::CreateDirectoryA((to + name).c_str(), nullptr) || !CopyTree(from + name + "\\", to + name + "\\"))
                return false;
        } else if (!::CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) {
            return false;
        }
    } while (::FindNextFileA(find.Get(), &data));
    return true;
}

}  // namespace

const char* const SAMPLE_COMPONENTS[10] = {
    "TallyPanel.dll",  "ClockPanel.dll",  "RecordPanel.dll",     "MatrixPanel.dll",    "LinePanel.dll",
    "TickerPanel.dll", "Quorindo.exe",    "AX\\ScrollFilter.ax", "AX\\FeedFilter.ax", "AX\\FadeFilter.ax",
};

std::string GetSampleFolder() {
    const std::string sample = GetEnvironmentText("QU_SAMPLE_DIR");
    if (!sample.empty()) return WithFinalBackslash(HostToDosPath(sample));
    return WithFinalBackslash(HostToDosPath(GetEnvironmentText("QU_BUILD_DIR"))) + "sample\\";
}

std::string GetSampleVersionFolder(const std::string& version) { return GetSampleFolder() + version + "\\"; }

std::string GetSampleTestFile(const std::string& relative) { return GetSampleFolder() + "test\\" + relative; }

CSampleInstallation::~CSampleInstallation() {
    EndPrograms();
    // Newest first, so the first guard of a value puts back what was there before the test.
    while (!m_guards.empty()) m_guards.pop_back();
    if (m_strFolder.empty()) return;
    DeleteTree(m_strFolder);
    for (const std::string& folder : m_newFolders) ::RemoveDirectoryA(folder.c_str());
}

bool RunsInCodePage(unsigned codePage) {
    const std::string asked = GetEnvironmentText("QU_CODE_PAGE");
    EXPECT_TRUE(asked.empty() || asked == std::to_string(::GetACP()))
        << "not run in code page " << asked << " (is its locale there?)";
    return ::GetACP() == codePage;
}

std::string GetProductFolderName() {
    // "ポソフト表" in code page 932: the second bytes of ポ, ソ and 表 are 0x7C, 0x5C and 0x5C.
    return RunsInCodePage(932) ? "\x83\x7C\x83\x5C\x83\x74\x83\x67\x95\x5C\\" : "Product\\";
}

bool CSampleInstallation::CreateRegistered(const std::string& version, const std::string& folder) {
    if (!Create(version, folder) || !SetInstallPath()) return false;
    DeleteValue(PRODUCT_KEY, UPGRADE_TIME_VALUE);
    DeleteValue(PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    return true;
}

bool CSampleInstallation::Create(const std::string& version, const std::string& folder) {
    const std::string target = WithFinalBackslash(folder.empty() ? NewInstallationFolder() : folder);
    const std::string source = GetSampleVersionFolder(version);
    if (!m_strFolder.empty() || PathExists(target) || !PathExists(source)) return false;
    const bool made = MakeFolders(target, m_newFolders);
    if (!m_newFolders.empty()) m_strFolder = target;  // from here on, the destructor cleans up
    return made && CopyTree(source, target);
}

bool CSampleInstallation::SetInstallPath() {
    return SetInstallPath(m_strFolder.substr(0, m_strFolder.empty() ? 0 : m_strFolder.size() - 1));
}

bool CSampleInstallation::SetInstallPath(const std::string& text) {
    return SetValue(PRODUCT_KEY, INSTALL_PATH_VALUE, text);
}

bool CSampleInstallation::SetValue(const std::string& keyPath, const std::string& valueName, const std::string& text) {
    return Guard(keyPath, valueName).Set(text);
}

void CSampleInstallation::DeleteValue(const std::string& keyPath, const std::string& valueName) {
    Guard(keyPath, valueName).Delete();
}

CRegistryValueGuard& CSampleInstallation::Guard(const std::string& keyPath, const std::string& valueName) {
    m_guards.push_back(std::make_unique<CRegistryValueGuard>(HKEY_LOCAL_MACHINE, keyPath, valueName));
    return *m_guards.back();
}

bool CSampleInstallation::UseMainExecutable(const std::string& variant) {
    return ::CopyFileA(GetSampleTestFile(variant + "\\Quorindo.exe").c_str(), GetPath(PRODUCT_EXE_NAME).c_str(),
                       FALSE) != FALSE;
}

CChildProcess* CSampleInstallation::Start(const std::string& relative, const std::string& arguments) {
    auto program = std::make_unique<CChildProcess>();
    if (!program->Start(GetPath(relative), arguments)) return nullptr;
    m_programs.push_back(std::move(program));
    return m_programs.back().get();
}

void CSampleInstallation::EndPrograms() { m_programs.clear(); }
