// The path functions walk characters of the ANSI code page, never bytes. In code page 932 (run as
// cp932.unit_util) "ソ" and "表" have a backslash as their second byte and "ポ" a bar.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/SampleProduct.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/WriteRule.h"

namespace {

#define SO "\x83\x5C"
#define HYO "\x95\x5C"
#define PO "\x83\x7C"

TEST(PathParts, DoubleByteCharactersAreNeverSeparators) {
    if (!RunsInCodePage(932)) GTEST_SKIP() << "run in code page 932 by cp932.unit_util";
    const struct {
        std::string path, folder, name;
        bool bEndsWithSeparator;
    } cases[] = {
        {"C:\\" SO "\\" HYO ".dll", "C:\\" SO "\\", HYO ".dll", false},
        {"C:\\" PO HYO, "C:\\", PO HYO, false},                // ends in a character whose second byte is "\"
        {"C:\\" HYO "\\", "C:\\" HYO "\\", "", true},
        {"C:\\ab\x83", "C:\\", "ab\x83", false},               // a lead byte at the very end is a character
        {"D:\\" SO "/" PO ".ini", "D:\\" SO "/", PO ".ini", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFolderOf(c.path), c.folder);
        EXPECT_EQ(GetFileNameOf(c.path), c.name);
        EXPECT_EQ(EndsWithSeparator(c.path), c.bEndsWithSeparator);
        EXPECT_EQ(WithFinalBackslash(c.path), c.bEndsWithSeparator ? c.path : c.path + "\\");
    }
    EXPECT_EQ(WithoutFinalBackslash("C:\\" HYO "\\"), "C:\\" HYO);
    EXPECT_EQ(WithoutFinalBackslash("C:\\" HYO), "C:\\" HYO);
    EXPECT_EQ(SplitPathComponents(SO "\\" HYO "\\x"), (std::vector<std::string>{SO, HYO, "x"}));
    std::string rest;
    EXPECT_EQ(SplitPathToken("<Temp>\\" HYO, rest), TOKEN_TEMP);
    EXPECT_EQ(rest, HYO);
    EXPECT_EQ(SplitPathToken(SO "\\x", rest), TOKEN_NONE);
    // A name of such characters is plain; a bar of its own is not.
    EXPECT_TRUE(IsPlainStoredPath(".\\" PO "\\" SO HYO ".dll"));
    EXPECT_FALSE(IsPlainStoredPath(".\\" PO "|x.dll"));
    // Compared as characters: the second bytes "A" and "a" of two characters do not make them one.
    EXPECT_FALSE(EqualsNoCase("\x83\x41", "\x83\x61"));
    EXPECT_TRUE(EqualsNoCase(SO "ABC", SO "abc"));
}

}  // namespace
