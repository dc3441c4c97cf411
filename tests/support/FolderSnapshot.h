#pragma once

#include <windows.h>

#include <map>
#include <string>

// What a file is made of for the upgrade's guarantees: bytes, last-write time, attributes.
struct FILE_STATE {
    std::string bytes;
    FILETIME time;
    DWORD attributes;
    bool operator==(const FILE_STATE& other) const;
};
using SNAPSHOT = std::map<std::string, FILE_STATE>;

// Every file below the folder, by its path relative to it, but those below the top-level folder
// "Upgrade\" (the upgrader's own copy and journal).
SNAPSHOT TakeSnapshot(const std::string& folder);
// The names of the files whose state differs, for a failure message.
std::string DescribeDifferences(const SNAPSHOT& before, const SNAPSHOT& after);
