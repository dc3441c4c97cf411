#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>

#include <cstdio>

#include "support/TestCalls.h"
#include "support/ScratchFolder.h"
#include "util/AdminOnlySecurity.h"
#include "util/PathTokens.h"
#include "util/WorkFolder.h"

namespace {

// A well-known SID, in a buffer of its own.
struct WELL_KNOWN_SID {
    explicit WELL_KNOWN_SID(WELL_KNOWN_SID_TYPE type) {
        DWORD size = sizeof buffer;
        ::CreateWellKnownSid(type, nullptr, buffer, &size);
    }
    PSID Get() { return buffer; }
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
};

// Checks a work folder's descriptor: owned by the Administrators (when it has an owner), a
// protected list that gives SYSTEM and the Administrators full access to the folder and all
// below it, and nothing to anyone else.
void ExpectOnlySystemAndAdministrators(PSECURITY_DESCRIPTOR descriptor, bool withOwner) {
    WELL_KNOWN_SID system(WinLocalSystemSid), administrators(WinBuiltinAdministratorsSid);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent folder's rights must not be inherited";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    if (withOwner) {
        EXPECT_TRUE(owner != nullptr && ::EqualSid(owner, administrators.Get()));
    }

    BOOL present = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr);
    ASSERT_EQ(dacl->AceCount, 2);
    PSID expected[] = {system.Get(), administrators.Get()};
    for (DWORD i = 0; i < 2; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, &ace));
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(allowed->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
                  OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(allowed->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
        EXPECT_TRUE(::EqualSid(reinterpret_cast<PSID>(&allowed->SidStart), expected[i])) << "entry " << i;
    }
}

}  // namespace

TEST(WorkFolder, DescriptorGivesOnlySystemAndTheAdministratorsFullAccess) {
    CScopedLocalMemory withOwner = DescriptorFromSddl(ADMIN_ONLY_SDDL);
    ASSERT_TRUE(withOwner);
    ExpectOnlySystemAndAdministrators(withOwner.Get(), true);
    CScopedLocalMemory withoutOwner = DescriptorFromSddl(ADMIN_ONLY_SDDL_NO_OWNER);
    ASSERT_TRUE(withoutOwner);
    ExpectOnlySystemAndAdministrators(withoutOwner.Get(), false);
}

// Anybody may make a folder named like ours in Windows' Temp. Ours is owned by the Administrators
// or SYSTEM and lets nobody else in; what the system reports for a folder we made (the reference;
// Wine reports its own owner and list for every folder) counts as ours too, and nothing more.
TEST(WorkFolder, OnlyAFolderOwnedByTheAdministratorsOrSystemAndClosedToOthersIsOurs) {
    const std::string user = "S-1-5-21-1-2-3-1001";
    const std::string wine = "O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)";
    const struct {
        std::string reference, folder, why;
    } cases[] = {
        {"", ADMIN_ONLY_SDDL, ""},
        {"", "O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(D;OICI;FA;;;WD)", ""},
        {"", "O:" + user + "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", "it is owned by " + user},
        {ADMIN_ONLY_SDDL, "O:" + user + "D:P(A;OICI;FA;;;SY)", "it is owned by " + user},
        {"", "O:BAD:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", "its access list lets S-1-5-32-545 in"},
        {"", "O:BA", "its access list lets everybody in"},
        {wine, wine, ""},
        {wine, wine + "(A;OICI;0x1200a9;;;WD)", "its access list lets S-1-1-0 in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " against " + c.reference);
        CScopedLocalMemory folder = DescriptorFromSddl(c.folder.c_str()), reference;
        if (!c.reference.empty()) reference = DescriptorFromSddl(c.reference.c_str());
        ASSERT_TRUE(folder);
        EXPECT_EQ(FindForeignSecurity(folder.Get(), reference.Get()), c.why);
    }
}

// Each run gets a folder of its own under the Windows folder's "Temp\", never the user's, and
// it goes with everything in it, read-only files included.
TEST(WorkFolder, FreshFolderUnderTheWindowsTempThatLeavesNothingBehind) {
    std::string first, second;
    {
        CWorkFolder one(TestCalls()), two(TestCalls());
        ASSERT_EQ(one.Create(), "");
        ASSERT_EQ(two.Create(), "");
        first = one.Path();
        second = two.Path();
        EXPECT_NE(first, second);
        EXPECT_EQ(first.rfind(GetWindowsFolder() + "Temp\\QuorindoUpgrade-", 0), 0u) << first;
        EXPECT_EQ(first.back(), '\\');
        const std::string scratch = NewTempFile(TestCalls(), first);
        EXPECT_EQ(scratch.rfind(first + "JVR", 0), 0u) << scratch;
        ::SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_READONLY);

        // Read back as far as the platform reports it (Wine may not report what it was given).
        PSECURITY_DESCRIPTOR readBack = nullptr;
        if (::GetNamedSecurityInfoA(first.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    nullptr, nullptr, &readBack) == ERROR_SUCCESS) {
            CScopedLocalMemory held(readBack);
            SECURITY_DESCRIPTOR_CONTROL control = 0;
            DWORD revision = 0;
            ::GetSecurityDescriptorControl(readBack, &control, &revision);
            std::printf("read back: DACL %s\n", (control & SE_DACL_PROTECTED) ? "protected" : "not protected");
        }
    }
    EXPECT_EQ(::GetFileAttributesA(first.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
}
