#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "support/RecordingCalls.h"

// What may survive a power cut, by the persistence model the README states. On each volume, the
// changes to names, sizes, times and attributes reach the disk in the order they were made, and a
// cut keeps a prefix of them: at least everything before the volume's last flush (of the volume
// as a whole, or of a folder on it), at most everything. A file's data written since its last
// flush (of the file, or of its volume) is kept or lost (zeros over what was written); a flushed
// file's data, size and times survive with its name. The registry keeps what was written.
struct POWER_CUT {
    size_t changes;         // the recorded changes made before the cut
    bool bLongestOnDisk;    // the installation's volume: the longest prefix, or the shortest
    bool bLongestElsewhere; // every other volume
    bool bDataKept;         // unflushed data kept, or lost
};

struct MODEL_FILE {
    std::string bytes;
    FILETIME created{}, written{};
    DWORD attributes = 0;
};
struct MODEL_NAME {
    std::string path;
    ULONGLONG file;
};
// The disk and the registry as a cut leaves them, for every path the recording touched.
struct CRASH_STATE {
    std::map<std::string, MODEL_NAME> names;     // files, by PathKey
    std::map<std::string, std::string> folders;  // by PathKey: the path and the access list it was made with
    std::map<ULONGLONG, MODEL_FILE> files;
    std::map<std::string, std::optional<std::string>> values;  // registry values by their recorded id
};

CRASH_STATE BuildCrashState(const CRecordingCalls& recording, const POWER_CUT& cut, char installVolume);
// The whole state in one text, to tell states apart.
std::string DescribeCrashState(const CRASH_STATE& state);
// Makes the disk and the registry hold the state, for every path the recording touched.
void PutCrashStateInPlace(const CRASH_STATE& state, const CRecordingCalls& recording);
