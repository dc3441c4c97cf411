#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/OwningList.h"
#include "package/CompressionLibrary.h"
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
// before each entry whether to stop. Every scratch file (backups, compressed data, the library)
// is made in the work folder, and the command list is installed there too, so the run reads
// back only what nobody else could write; they all live as long as the list.
class CEntryItemList {
public:
    using StopCheck = std::function<bool()>;
    using ItemEvent = std::function<void(const CEntryItem&)>;
    // Asked before an item's destination is opened; false ends the pass as failed, untouched.
    using ItemGate = std::function<bool(size_t index, const CEntryItem&)>;

    // Without a work folder the scratch files go to the user's temporary folder and the command
    // list stays where its token puts it.
    CEntryItemList(CUpgradePackage& package, std::string installFolder, std::string workFolder = std::string());
    CEntryItemList(const CEntryItemList&) = delete;
    CEntryItemList& operator=(const CEntryItemList&) = delete;
    ~CEntryItemList();

    // First pass: every entry of the package, each backed up.
    PASS_RESULT Prepare(CLineSink& sink, const StopCheck& isStopRequested = {});
    // The bytes all items occupy in the package: the progress bar's range.
    DWORD GetTotalPackedSize() const;

    // Writes out, checks and loads the compression library of the module (the running program by
    // default). A library that could not be loaded is not reported here: each install then fails.
    void ExtractLibrary(HMODULE module = nullptr);
    const std::string& GetLibraryPath() const { return m_library.GetPath(); }

    // Second pass: every item installed in order; onDone sees each installed (or tolerated) one.
    PASS_RESULT Do(CLineSink& sink, const StopCheck& isStopRequested = {}, const ItemEvent& onDone = {},
                   const ItemGate& beforeItem = {});
    // Puts back what the second pass changed, newest first, between its two lines; onWalked sees
    // every item walked. Does nothing when the second pass changed nothing.
    void Rollback(CLineSink& sink, const ItemEvent& onWalked = {});

    const COwningList<CEntryItem>& GetItems() const { return m_items; }

private:
    // The first command list of the package goes into the work folder.
    void PlaceCommandList(CEntryItem& item);

    CUpgradePackage& m_package;
    std::string m_strInstallFolder;
    std::string m_strWorkFolder;
    bool m_bCommandListPlaced = false;
    COwningList<CEntryItem> m_items;
    CCompressionLibrary m_library;
    size_t m_nTouched = 0;  // items from the head to the last one the second pass changed
};
