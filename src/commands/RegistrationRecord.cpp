#include "commands/RegistrationRecord.h"

#include <windows.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "util/FileErrors.h"
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

// "Read <file> failed because of <reason>" and its like, for the record.
std::string RecordFailure(const char* action, const std::string& path, DWORD error) {
    return FormatText("%s %s failed because of %s", action, path.c_str(), GetSystemErrorText(error).c_str());
}

}  // namespace

std::string LoadRegistrationRecord(ISystemCalls& calls, const std::string& folder, CRegistrationList& list) {
    list.clear();
    const std::string path = folder + REGISTRATION_RECORD_FILE;
    CIniFile record;
    const DWORD error = record.Read(calls, path, MAX_LIST_FILE_SIZE);
    // Not there, or too large to be one of ours: no items.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_TOO_LARGE)
        return std::string();
    if (error != ERROR_SUCCESS) return RecordFailure("Read", path, error);
    const int count = static_cast<int>(record.GetNumber(RECORD_SECTION, COUNT_KEY, 0));
    // Every item the record holds up to the count is kept as read, empty and repeated values
    // included; a position without its key is no item. A damaged count promises no more items
    // than the file holds.
    std::set<int> positions;
    for (const std::string& name : record.GetNames(RECORD_SECTION)) {
        const int position = ItemPosition(name);
        if (position >= 1 && position <= count) positions.insert(position);
    }
    for (int position : positions) list.push_back(record.GetString(RECORD_SECTION, ItemKey(position)));
    return std::string();
}

std::string SaveRegistrationRecord(ISystemCalls& calls, const std::string& folder, const CRegistrationList& list) {
    // Written whole, as the profile writer lays it out, so no item of an older, longer list stays
    // behind the new count, and never through a link planted in the record's place.
    CIniText text;
    text.AddSection(RECORD_SECTION);
    text.AddValue(COUNT_KEY, static_cast<unsigned long>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) text.AddValue(ItemKey(static_cast<int>(i) + 1), list[i]);
    const std::string path = folder + REGISTRATION_RECORD_FILE;
    DWORD error = ERROR_SUCCESS;
    return ReplaceFileDurably(calls, path, text.GetText(), &error) ? std::string() : RecordFailure("Write", path, error);
}
