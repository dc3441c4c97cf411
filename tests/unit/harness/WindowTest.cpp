#include <windows.h>

#include <gtest/gtest.h>

#include "util/MessagePump.h"

// The harness gives every test a display: a real top-level window can be made, shown and found.
TEST(Harness, CreatesFindsAndDestroysAWindow) {
    HWND wnd = ::CreateWindowExA(0, "STATIC", "QuorindoHarnessProbe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    PumpMessages(nullptr);
    EXPECT_EQ(::FindWindowA(nullptr, "QuorindoHarnessProbe"), wnd);
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_TRUE(::DestroyWindow(wnd));
    EXPECT_EQ(::FindWindowA(nullptr, "QuorindoHarnessProbe"), nullptr);
}
