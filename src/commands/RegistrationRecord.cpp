#include "commands/RegistrationRecord.h"

#include <windows.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

const char* const REGISTRATION_RECORD_FILE = "RegisterFilter.log";

namespace {

const char* const RECORD_SECTION = "Register";
const char* const COUNT_KEY = "Count";

const char* const ITEM_KEY_FORMAT = "Item %d";

std::string ItemKey(int position) { return FormatText(ITEM_KEY_FORMAT, position); }

// The position an item key names ("Item 3": 3), or 0 for any other key.
int ItemPosition(const std::string& key) {
    const size_t prefix = ItemKey(0).size() - 1;  // "Item ", before the number
    if (key.size() <= prefix) return 0;
    const int position = std::atoi(key.c_str() + prefix);
    return EqualsNoCase(key, ItemKey(position)) ? position : 0;
}

// The positions from 1 to the count that the record has an item key for, in order. A damaged
// count promises no more items than the file holds; a file too large for a list holds none.
std::set<int> HeldItemPositions(ISystemCalls& calls, const std::string& path, int count) {
    std::set<int> positions;
    std::vector<std::string> names;
    ReadIniNames(calls, path, RECORD_SECTION, names);
    for (const std::string& name : names) {
        const int position = ItemPosition(name);
        if (position >= 1 && position <= count) positions.insert(position);
    }
    return positions;
}

}  // namespace

void LoadRegistrationRecord(ISystemCalls& calls, const std::string& folder, CRegistrationList& list) {
    list.clear();
    const std::string path = folder + REGISTRATION_RECORD_FILE;
    const int count = static_cast<int>(GetIniNumber(calls, RECORD_SECTION, COUNT_KEY, 0, path));
    // Every item the record holds up to the count is kept as read, empty and repeated values
    // included; a position without its key is no item.
    for (int position : HeldItemPositions(calls, path, count))
        list.push_back(GetIniString(calls, RECORD_SECTION, ItemKey(position), "", path));
}

void SaveRegistrationRecord(ISystemCalls& calls, const std::string& folder, const CRegistrationList& list) {
    // Written whole, as the profile writer lays it out, so no item of an older, longer list stays
    // behind the new count, and never through a link planted in the record's place.
    CIniText text;
    text.AddSection(RECORD_SECTION);
    text.AddValue(COUNT_KEY, static_cast<unsigned long>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) text.AddValue(ItemKey(static_cast<int>(i) + 1), list[i]);
    DWORD error = ERROR_SUCCESS;
    ReplaceFileDurably(calls, folder + REGISTRATION_RECORD_FILE, text.GetText(), &error);
}
