#include <gtest/gtest.h>
#include <windows.h>

#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestCommands.h"

// This test program doubles as a server whose self-registration answers what a test tells it:
// loading the running program as a library hands back the program itself.
namespace {
HRESULT g_hrRegistration = S_OK;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() { return g_hrRegistration; }
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() { return g_hrRegistration; }

namespace {

// Registration moves the process into the server's folder; every test gets its own back.
class ServerRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ::GetCurrentDirectoryA(MAX_PATH, m_szOldFolder); }
    void TearDown() override {
        ::SetCurrentDirectoryA(m_szOldFolder);
        g_hrRegistration = S_OK;
    }

    std::string CopySampleFile(const std::string& relative, const std::string& name) {
        const std::string path = m_scratch.Path() + name;
        EXPECT_TRUE(::CopyFileA((GetSampleVersionFolder("0.0.6.7") + relative).c_str(), path.c_str(), FALSE))
            << relative;
        return path;
    }

    std::string Execute(const std::string& type, const std::string& path) {
        return DoTestCommand(type, path, "", "", &m_registered);
    }

    CScratchFolder m_scratch;
    CRegistrationList m_registered;
    char m_szOldFolder[MAX_PATH] = {};
};

TEST_F(ServerRegistrationTest, LibraryWithoutTheExportsFailsAndTheListStillChanges) {
    const std::string panel = CopySampleFile("TallyPanel.dll", "TallyPanel.dll");

    EXPECT_EQ(Execute("Register", panel),
              "Register file " + panel + " failed because of can not fetch function 'DllRegisterServer'!");
    EXPECT_EQ(m_registered, CRegistrationList{panel});
    EXPECT_EQ(Execute("Unregister", panel),
              "Unregister file " + panel + " failed because of can not fetch function 'DllUnregisterServer'!");
    EXPECT_TRUE(m_registered.empty());
}

TEST_F(ServerRegistrationTest, MissingFileFailsWithTheTextOfEachDirection) {
    const std::string missing = m_scratch.Path() + "Gone.ax";
    m_registered = {missing};

    EXPECT_EQ(Execute("Unregister", missing), "Load file " + missing + " failed!");
    EXPECT_TRUE(m_registered.empty()) << "removed from the record all the same";
    EXPECT_EQ(Execute("Register", missing), "Load file '" + missing + "' failed(error code = 126)!");
    EXPECT_EQ(m_registered, CRegistrationList{missing});
}

TEST_F(ServerRegistrationTest, FailedStatusIsReportedInHexOnRegistrationOnly) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string server = self;

    g_hrRegistration = E_FAIL;
    EXPECT_EQ(Execute("Register", server), "Register file " + server + " failed(hr=0x80004005)!");
    EXPECT_EQ(Execute("Unregister", server), "Register file " + server + " failed!");

    g_hrRegistration = S_FALSE;  // not a failure
    EXPECT_EQ(Execute("Register", server), "");
    EXPECT_EQ(m_registered, CRegistrationList{server});
}

TEST_F(ServerRegistrationTest, DuplicatedRecordKeepsBothAndUnregisterRemovesTheFirst) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string server = self;
    m_registered = {server, "C:\\b.ax", server};

    EXPECT_EQ(Execute("Register", server), "");
    EXPECT_EQ(m_registered.size(), 3u);
    EXPECT_EQ(Execute("Unregister", server), "");
    EXPECT_EQ(m_registered, (CRegistrationList{"C:\\b.ax", server}));
}

}  // namespace
