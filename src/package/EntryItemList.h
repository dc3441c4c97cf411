#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/OwningList.h"
#include "package/EntryItem.h"
#include "package/UpgradePackage.h"

class CLineSink;

enum PASS_RESULT {
    PASS_DONE,     // every entry went through (some perhaps tolerated)
    PASS_FAILED,   // an entry failed; its abort line is there
    PASS_STOPPED,  // a stop was seen before an entry
};

// The entries of one upgrade run, done in package order and undone in reverse: the first
// pass makes one item per entry and backs it up, the second installs them, and a rollback
// walks back from the last item the second pass touched. Whoever drives the list is asked
// before each entry whether to stop. The items, their scratch files and the library file
// live as long as the list.
class CEntryItemList {
public:
    using StopCheck = std::function<bool()>;
    using ItemEvent = std::function<void(const CEntryItem&)>;

    CEntryItemList(CUpgradePackage& package, std::string installFolder);
    CEntryItemList(const CEntryItemList&) = delete;
    CEntryItemList& operator=(const CEntryItemList&) = delete;
    ~CEntryItemList();

    // First pass: every entry of the package, each backed up.
    PASS_RESULT Prepare(CLineSink& sink, const StopCheck& isStopRequested = {});
    // The bytes all items occupy in the package: the progress bar's range.
    DWORD GetTotalPackedSize() const;

    // Writes out the compression library of the module (the running program by default).
    // An empty path is not checked: each install then fails on its own.
    void ExtractLibrary(HMODULE module = nullptr);
    const std::string& GetLibraryPath() const { return m_strLibraryPath; }

    // Second pass: every item installed in order; onDone sees each installed (or tolerated) one.
    PASS_RESULT Do(CLineSink& sink, const StopCheck& isStopRequested = {}, const ItemEvent& onDone = {});
    // Puts back what the second pass changed, newest first, between its two lines; onWalked sees
    // every item walked. Does nothing when the second pass changed nothing.
    void Rollback(CLineSink& sink, const ItemEvent& onWalked = {});

    const COwningList<CEntryItem>& GetItems() const { return m_items; }

private:
    CUpgradePackage& m_package;
    std::string m_strInstallFolder;
    COwningList<CEntryItem> m_items;
    std::string m_strLibraryPath;
    size_t m_nTouched = 0;  // items from the head to the last one the second pass changed
};
