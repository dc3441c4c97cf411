#include "InstallFixture.h"

#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"

namespace {

const FILETIME STORED_TIME = MakeFileTime(0x01CA8A75, 0x6A2F4C00);  // 2010
const FILETIME OLD_TIME = MakeFileTime(0x01C7F1D2, 0x11223300);     // 2007

class InstallPasses : public InstallFixture {
protected:
    // Lays out a file of the installation as it was before the upgrade.
    void Install(const std::string& name, const std::string& content, bool readOnly = false) {
        WriteFileText(Dest(name), content);
        SetLastWriteTime(Dest(name), OLD_TIME);
        if (readOnly) ::SetFileAttributesA(Dest(name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    // Opens a destination the way another program holding it would.
    CScopedKernelHandle Hold(const std::string& name, DWORD share) {
        return CScopedKernelHandle(::CreateFileA(Dest(name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    }
};

std::vector<std::string> UpgradeLines(const std::string& name) {
    return {"        Upgrade - " + name + "...", "        Upgrade " + name + " successfully!"};
}

std::vector<std::string> RestoreLines(const std::string& name) {
    return {"        Restore file " + name + ", please waiting...", "        Restore file " + name + " successfully"};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

TEST_F(InstallPasses, InstallsEveryEntryWithItsStoredTime) {
    Install("Quorindo.exe", "old program", true);
    TEST_ENTRY empty;
    empty.strPath = ".\\empty.cfg";
    Load(CPackageWriter()
             .AddFile(".\\Quorindo.exe", SampleContent(1), STORED_TIME)
             .AddFile(".\\ax\\filters\\deep\\Split.ax", SampleContent(2), MakeFileTime(0x01CA8A75, 0))
             .AddFile(".\\Skins.old\\blue.skin", "skin", MakeFileTime(0, 0x6A2F4C00))
             .Add(empty));
    FILETIME before;
    ::GetSystemTimeAsFileTime(&before);
    before.dwHighDateTime -= 1;  // some seconds of slack for the file system's clock

    ASSERT_EQ(RunPasses(), PASSES_INSTALLED);
    EXPECT_EQ(Texts(), Join({UpgradeLines("Quorindo.exe"), UpgradeLines("Split.ax"), UpgradeLines("blue.skin"),
                             UpgradeLines("empty.cfg")}));
    EXPECT_EQ(Kinds(), std::vector<int>(8, LINE_INFO));

    EXPECT_EQ(ReadFileText(Dest("Quorindo.exe")), SampleContent(1));
    EXPECT_FALSE(IsReadOnly(Dest("Quorindo.exe")));
    EXPECT_TRUE(GetLastWriteTime(Dest("Quorindo.exe")) == STORED_TIME);
    EXPECT_EQ(ReadFileText(Dest("ax\\filters\\deep\\Split.ax")), SampleContent(2));
    EXPECT_EQ(ReadFileText(Dest("Skins.old\\blue.skin")), "skin");
    EXPECT_EQ(ReadFileText(Dest("empty.cfg")), "");
    // A stored time with a zero half is no stored time: the files keep the time of their writing.
    for (const char* name : {"ax\\filters\\deep\\Split.ax", "Skins.old\\blue.skin"}) {
        const FILETIME written = GetLastWriteTime(Dest(name));
        EXPECT_GT(::CompareFileTime(&written, &before), 0) << name;
    }

    // Windows' copy gives the backup the read-only attribute of its source (Wine's does not);
    // the end of the run deletes it all the same.
    const std::string backup = Plan(0).strBackupPath;
    EXPECT_EQ(ReadFileText(backup), "old program");
    ::SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ScratchFileCount(), 2u);  // the library and one backup; members inflate from memory
    EndRun();
    EXPECT_EQ(ScratchFileCount(), 0u);
}

TEST_F(InstallPasses, FirstPassMakesFoldersAndCountsPackedSizes) {
    Load(CPackageWriter()
             .AddFile(".\\one\\two\\three\\four.dll", "four")
             .AddFile("<Temp>\\CMD List.ini", "[Commands]"));
    EXPECT_TRUE(RunBackupPass().Succeeded());
    EXPECT_TRUE(m_sink.lines.empty());
    const DWORD attributes = ::GetFileAttributesA(Dest("one\\two\\three").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(::GetFileAttributesA(Dest("one\\two\\three\\four.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    // Every byte of the package but the count belongs to some entry.
    EXPECT_EQ(m_items->GetTotalPackedSize(), m_package.GetSize() - 4);
}

TEST_F(InstallPasses, DamagedThirdOfFiveLeavesAllFiveAsTheyWere) {
    const char* names[] = {"a.dll", "b.dll", "c.dll", "d.dll", "e.dll"};
    CPackageWriter writer;
    for (int i = 0; i < 5; ++i) {
        Install(names[i], "old " + SampleContent(10 + i, 300), i == 1);
        if (i == 2) {
            writer.Add(DamagedEntry(std::string(".\\") + names[i], SampleContent(i)));
        } else {
            writer.AddFile(std::string(".\\") + names[i], SampleContent(i), STORED_TIME);
        }
    }
    Load(writer);

    ASSERT_EQ(RunPasses(), PASSES_INSTALL_FAILED);
    // The damaged entry only ever wrote its own temporary file, so the restore starts before it.
    EXPECT_EQ(Texts(), Join({UpgradeLines("a.dll"), UpgradeLines("b.dll"),
                             {"        Upgrade - c.dll...", "        Abort - Decompress to file " + Dest("c.dll") +
                                                               " failed!"},
                             RestoreLines("b.dll"), RestoreLines("a.dll")}));
    EXPECT_TRUE(ListFiles(m_strInstall, "JVR*.tmp").empty());
    EXPECT_EQ(m_sink.lines[5].nKind, LINE_ABORT);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ReadFileText(Dest(names[i])), "old " + SampleContent(10 + i, 300)) << names[i];
        EXPECT_TRUE(GetLastWriteTime(Dest(names[i])) == OLD_TIME) << names[i];
        EXPECT_EQ(IsReadOnly(Dest(names[i])), i == 1) << names[i];
    }
    EndRun();
    EXPECT_EQ(ScratchFileCount(), 0u);
}

// The new files are made ahead of the pass: a member that breaks several entries ahead fails
// only when the pass reaches it, after every entry before it was installed; all of them are then
// put back, and no file made ahead is left.
TEST_F(InstallPasses, DamagedEntryAheadOfThePassFailsAtItsOwnEntry) {
    const int COUNT = 8, DAMAGED = 5;
    CPackageWriter writer;
    std::vector<std::string> lines;
    for (int i = 0; i < COUNT; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dll";
        Install(name, "old " + SampleContent(20 + i, 300), i == 1);
        if (i == DAMAGED)
            writer.Add(DamagedEntry(".\\" + name, SampleContent(i)));
        else
            writer.AddFile(".\\" + name, SampleContent(i, 40000), STORED_TIME);
        if (i < DAMAGED) lines = Join({lines, UpgradeLines(name)});
    }
    Load(writer);
    ASSERT_TRUE(RunBackupPass().Succeeded());
    // Before the first install, the workers are given time to get past the damaged entry.
    const std::string beyond = Plan(DAMAGED + 1).strTempPath;
    bool bFirst = true;
    const auto letWorkersAhead = [&] {
        for (int i = 0; bFirst && i < 500 && ::GetFileAttributesA(beyond.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            ::Sleep(10);
        bFirst = false;
        return false;
    };
    ASSERT_EQ(RunInstallPass(letWorkersAhead).outcome, STEP_FAILED);
    Rollback();
    lines = Join({lines, {"        Upgrade - f5.dll...", "        Abort - Decompress to file " + Dest("f5.dll") +
                                                          " failed!"}});
    for (int i = DAMAGED - 1; i >= 0; --i) lines = Join({lines, RestoreLines("f" + std::to_string(i) + ".dll")});
    EXPECT_EQ(Texts(), lines);
    EXPECT_TRUE(ListFiles(m_strInstall, "JVR*.tmp").empty());
    for (int i = 0; i < COUNT; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dll";
        EXPECT_EQ(ReadFileText(Dest(name)), "old " + SampleContent(20 + i, 300)) << name;
        EXPECT_TRUE(GetLastWriteTime(Dest(name)) == OLD_TIME) << name;
        EXPECT_EQ(IsReadOnly(Dest(name)), i == 1) << name;
    }
    EndRun();
    EXPECT_EQ(ScratchFileCount(), 0u);
}

TEST_F(InstallPasses, DamagedEntryThatThePackageAddsIsRemovedAgain) {
    Install("a.dll", "old a");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").Add(DamagedEntry(".\\added.dll", SampleContent(3))));
    ASSERT_EQ(RunPasses(), PASSES_INSTALL_FAILED);
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
    EXPECT_EQ(::GetFileAttributesA(Dest("added.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::vector<std::string> texts = Texts();
    EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()), RestoreLines("a.dll"));
}

TEST_F(InstallPasses, DestinationHeldWithoutSharedWritingIsLeftAsItWas) {
    Install("a.dll", "old a");
    Install("b.dll", "old b");
    Install("c.dll", "old c");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").AddFile(".\\b.dll", "new b").AddFile(".\\c.dll", "new c"));
    CScopedKernelHandle held = Hold("b.dll", FILE_SHARE_READ);
    ASSERT_TRUE(held.IsValid());

    ASSERT_EQ(RunPasses(), PASSES_INSTALL_FAILED);
    held.Reset();
    EXPECT_EQ(Texts(), Join({UpgradeLines("a.dll"),
                             {"        Upgrade - b.dll...", "        Abort - Decompress to file " + Dest("b.dll") +
                                                               " failed!"},
                             RestoreLines("a.dll")}));
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
    EXPECT_EQ(ReadFileText(Dest("b.dll")), "old b");
    EXPECT_TRUE(GetLastWriteTime(Dest("b.dll")) == OLD_TIME);
    EXPECT_EQ(ReadFileText(Dest("c.dll")), "old c");
}

// Another program holding a destination open for reading and writing, with or without delete
// sharing, does not stop the upgrade: the file is written in place, and its backup, made a copy
// of its own first, still holds the old file.
TEST_F(InstallPasses, DestinationsHeldOpenForReadingAndWritingAreWrittenInPlace) {
    Install("a.dll", "old a");
    Install("b.dll", "old b");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a", STORED_TIME).AddFile(".\\b.dll", "new b", STORED_TIME));
    const auto hold = [&](const char* name, DWORD share) {
        return CScopedKernelHandle(::CreateFileA(Dest(name).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    CScopedKernelHandle a = hold("a.dll", FILE_SHARE_READ | FILE_SHARE_WRITE);
    CScopedKernelHandle b = hold("b.dll", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(a.IsValid() && b.IsValid());

    ASSERT_EQ(RunPasses(), PASSES_INSTALLED);
    EXPECT_EQ(Texts(), Join({UpgradeLines("a.dll"), UpgradeLines("b.dll")}));
    a.Reset();
    b.Reset();
    for (size_t i = 0; i < 2; ++i) {
        const std::string name = i == 0 ? "a" : "b";
        EXPECT_EQ(ReadFileText(Dest(name + ".dll")), "new " + name);
        EXPECT_TRUE(GetLastWriteTime(Dest(name + ".dll")) == STORED_TIME) << name;
        EXPECT_EQ(ReadFileText(Plan(i).strBackupPath), "old " + name);
    }
}

TEST_F(InstallPasses, HeldUpgradeServerProgramIsAnErrorAndTheRunGoesOn) {
    Install("QuorindoUpgradeServer.exe", "old server");
    Load(CPackageWriter().AddFile(".\\QuorindoUpgradeServer.exe", "new server").AddFile(".\\a.dll", "new a"));
    CScopedKernelHandle held = Hold("QuorindoUpgradeServer.exe", FILE_SHARE_READ);
    ASSERT_TRUE(held.IsValid());

    ASSERT_EQ(RunPasses(), PASSES_INSTALLED);
    held.Reset();
    ASSERT_EQ(m_sink.lines.size(), 4u);
    EXPECT_EQ(m_sink.lines[1].nKind, LINE_PROMPT);
    EXPECT_EQ(m_sink.lines[1].text,
              "        Error - Decompress to file " + Dest("QuorindoUpgradeServer.exe") + " failed!");
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "new a");
    EXPECT_TRUE(Item(0).IsInstalled());
}

// A backup that gets no scratch file is a failed backup: a prompt, and its file is never restored
// empty; replaced all the same, the walk names it, and nothing is left for a retry.
TEST_F(InstallPasses, FailedBackupIsAPromptAndItsFileIsNeverRestoredEmpty) {
    Install("a.dll", "old a");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").Add(DamagedEntry(".\\b.dll", SampleContent(4))));
    CScratchFolder::SetTempFolder(m_scratch.Path() + "gone\\");
    EXPECT_TRUE(RunBackupPass().Succeeded());
    CScratchFolder::SetTempFolder(m_scratch.Temp());
    ASSERT_EQ(m_sink.lines.size(), 1u);
    EXPECT_EQ(m_sink.lines[0].nKind, LINE_PROMPT);
    EXPECT_EQ(m_sink.lines[0].text.rfind("        Prompt - Backup file " + Dest("a.dll") + " failed because of ", 0), 0u);
    EXPECT_EQ(Plan(0).strBackupPath, "");
    EXPECT_EQ(ScratchFileCount(), 0u);

    // The rest of the run: a later failure restores nothing over the file that has no backup.
    EXPECT_EQ(RunInstallPass().outcome, STEP_FAILED);
    EXPECT_TRUE(Item(0).IsInstalled());
    EXPECT_EQ(Rollback(), ROLLBACK_LOST);
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "new a");
    const std::vector<std::string> texts = Texts();
    EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()),
              (std::vector<std::string>{"        Restore file a.dll, please waiting...",
                                        "        Restore file a.dll failed because its backup could not be made"}));
}

TEST_F(InstallPasses, StopDuringTheInstallPassRestoresWhatWasInstalled) {
    Install("a.dll", "old a");
    Install("b.dll", "old b");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").AddFile(".\\b.dll", "new b"));
    // Asked before each of two backups and each install: stop before the second install.
    int checks = 0;
    ASSERT_EQ(RunPasses([&] { return ++checks == 4; }), PASSES_STOPPED);
    EXPECT_EQ(Texts(), Join({UpgradeLines("a.dll"), RestoreLines("a.dll")}));
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
    EXPECT_EQ(ReadFileText(Dest("b.dll")), "old b");
}

TEST_F(InstallPasses, StopBeforeTheFirstInstallRestoresNothing) {
    Install("a.dll", "old a");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a"));
    int checks = 0;
    ASSERT_EQ(RunPasses([&] { return ++checks == 2; }), PASSES_STOPPED);
    EXPECT_TRUE(m_sink.lines.empty());
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
}

TEST_F(InstallPasses, UnreadableEntryInTheFirstPassReplacesNothing) {
    Install("a.dll", "old a");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a"));
    std::vector<BYTE> bytes = CPackageWriter().AddFile(".\\a.dll", "new a").Bytes();
    bytes[0] = 2;  // announces an entry that is not there
    m_package = CUpgradePackage(bytes);
    ASSERT_EQ(RunPasses(), PASSES_BACKUP_FAILED);
    EXPECT_EQ(Texts(), std::vector<std::string>{"        Abort - The length for target file name is invalidation"});
    EXPECT_EQ(m_sink.lines[0].nKind, LINE_ABORT);
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
    EndRun();
    EXPECT_EQ(ScratchFileCount(), 0u);
}

TEST_F(InstallPasses, WithoutTheLibraryEveryInstallFailsBeforeTouchingItsFile) {
    Install("a.dll", "old a");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a"));
    ASSERT_TRUE(RunBackupPass().Succeeded());
    EXPECT_EQ(RunInstallPass({}, ::GetModuleHandleA("kernel32.dll")).outcome, STEP_FAILED);
    EXPECT_EQ(m_items->GetLibraryPath(), "");
    EXPECT_EQ(m_sink.lines.back().text, "        Abort - Decompress to file " + Dest("a.dll") + " failed!");
    Rollback();  // nothing was touched
    EXPECT_EQ(m_sink.lines.size(), 2u);
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
}

// A backup that another program holds open for writing is not copied back: that file gets its
// failure line and the walk goes on with the others.
TEST_F(InstallPasses, BackupOpenForWritingElsewhereIsNotRestored) {
    Install("a.dll", "old a");
    Install("b.dll", "old b");
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").AddFile(".\\b.dll", "new b").Add(
        DamagedEntry(".\\c.dll", SampleContent(5))));
    ASSERT_TRUE(RunBackupPass().Succeeded());
    ASSERT_EQ(RunInstallPass().outcome, STEP_FAILED);
    CScopedKernelHandle writer(::CreateFileA(Plan(1).strBackupPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.IsValid());
    m_sink.lines.clear();

    Rollback();
    writer.Reset();
    EXPECT_EQ(Texts(), Join({{"        Restore file b.dll, please waiting...",
                              "        Restore file b.dll failed because of " + GetSystemErrorText(ERROR_SHARING_VIOLATION)},
                             RestoreLines("a.dll")}));
    EXPECT_EQ(ReadFileText(Dest("a.dll")), "old a");
    EXPECT_EQ(ReadFileText(Dest("b.dll")), "new b");
}
