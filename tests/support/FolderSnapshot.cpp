#include "support/FolderSnapshot.h"

#include <cstring>

#include "framework/ScopedHandles.h"
#include "support/ScratchFolder.h"

namespace {

void AddFiles(const std::string& folder, const std::string& relative, SNAPSHOT& snapshot) {
    WIN32_FIND_DATAA data;
    CScopedFindHandle find(::FindFirstFileA((folder + relative + "*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (relative.empty() && _stricmp(name.c_str(), "Upgrade") == 0) continue;
            AddFiles(folder, relative + name + "\\", snapshot);
        } else {
            snapshot[relative + name] = {ReadFileText(folder + relative + name), data.ftLastWriteTime,
                                         data.dwFileAttributes};
        }
    } while (::FindNextFileA(find.Get(), &data));
}

}  // namespace

bool FILE_STATE::operator==(const FILE_STATE& other) const {
    return bytes == other.bytes && time == other.time && attributes == other.attributes;
}

SNAPSHOT TakeSnapshot(const std::string& folder) {
    SNAPSHOT snapshot;
    AddFiles(folder, "", snapshot);
    return snapshot;
}

std::string DescribeDifferences(const SNAPSHOT& before, const SNAPSHOT& after) {
    std::string names;
    for (const auto& [name, state] : before) {
        auto found = after.find(name);
        if (found == after.end()) names += " missing:" + name;
        else if (!(found->second == state)) {
            const FILE_STATE& now = found->second;
            names += " changed:" + name + (now.bytes != state.bytes ? "(bytes)" : "") +
                     (now.time == state.time ? "" : "(time)") +
                     (now.attributes != state.attributes ? "(attributes " + std::to_string(state.attributes) + "->" +
                                                               std::to_string(now.attributes) + ")"
                                                         : "");
        }
    }
    for (const auto& [name, state] : after)
        if (before.find(name) == before.end()) names += " added:" + name;
    return names;
}
