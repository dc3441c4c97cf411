#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "support/ChildProcess.h"
#include "support/ConsoleRun.h"

// A crashing program ends at once under the harness, and the test that started it fails with
// the program's name and its exception code instead of hanging in a debugger.
TEST(Harness, ACrashedProgramEndsAtOnceAndFailsItsTest) {
    const std::string program = GetBuildFile("tests/NullPointer.exe");
    CChildProcess child;
    ASSERT_TRUE(child.Start(program, std::string(), std::string(), false));
    DWORD status = 0;
    const ULONGLONG started = ::GetTickCount64();
    bool ended = false;
    EXPECT_NONFATAL_FAILURE(ended = child.Wait(30000, &status), "NullPointer.exe crashed with exception 0xC0000005");
    ASSERT_TRUE(ended);
    EXPECT_EQ(status, 0xC0000005u);
    std::printf("crash to end: %llu ms\n", static_cast<unsigned long long>(::GetTickCount64() - started));
}
