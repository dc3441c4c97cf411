#include "ui/ActionListExport.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"

namespace {
const char NO_CLIPBOARD_MEMORY_TEXT[] = "Cannot allocate memory for the Clipboard";
}  // namespace

std::string CopyTextToClipboard(HWND owner, const std::string& text) {
    CScopedClipboard clipboard(owner);
    if (!clipboard.IsOpen()) return "Cannot open the Clipboard";
    if (!::EmptyClipboard()) return "Cannot empty the Clipboard";

    CScopedGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
    if (!block) return NO_CLIPBOARD_MEMORY_TEXT;
    {
        CGlobalLock lock(block.Get());
        char* bytes = static_cast<char*>(lock.Get());
        if (bytes == nullptr) return NO_CLIPBOARD_MEMORY_TEXT;
        std::memcpy(bytes, text.data(), text.size());
        bytes[text.size()] = '\0';
    }
    if (::SetClipboardData(CF_TEXT, block.Get()) == nullptr) return "Unable to set Clipboard data";
    block.Release();  // the clipboard owns the block now
    return std::string();
}

bool AskSaveFileName(HWND owner, std::string* path) {
    // The framework's filter notation: '|' between the parts, turned into the system's zeros.
    std::string filter = "Text File (*.txt)|*.txt|";
    std::replace(filter.begin(), filter.end(), '|', '\0');
    char file[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    dialog.lpstrDefExt = "txt";  // a name typed without extension gets .txt
    if (!::GetSaveFileNameA(&dialog)) return false;
    *path = file;
    return true;
}

std::string SaveTextToFile(const std::string& path, const std::string& text) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeCreate | CFile::modeReadWrite, &error)) return GetExceptionMessage(&error);
    // A short write (a full disk) fails like the create does.
    const char terminator = '\0';
    if (!file.Write(text.data(), static_cast<UINT>(text.size()), &error) || !file.Write(&terminator, 1, &error) ||
        !file.Close(&error))
        return GetExceptionMessage(&error);
    return std::string();
}
