#include "commands/RegistrationRecord.h"

#include <windows.h>

#include <algorithm>

#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/TextFormat.h"

const char* const REGISTRATION_RECORD_FILE = "RegisterFilter.log";

namespace {

const char* const RECORD_SECTION = "Register";
const char* const COUNT_KEY = "Count";
const char* const ITEM_PREFIX = "Item ";
// Far more filters than any product registers; a count beyond it, or beyond the items the record
// holds, is not believed.
const unsigned MAX_RECORDED_FILES = 1000;

std::string ItemKey(size_t position) { return FormatText("%s%u", ITEM_PREFIX, static_cast<unsigned>(position)); }

}  // namespace

void LoadRegistrationRecord(const std::string& folder, CRegistrationList& list) {
    list.clear();
    const std::string path = folder + REGISTRATION_RECORD_FILE;
    const unsigned count = std::min(::GetPrivateProfileIntA(RECORD_SECTION, COUNT_KEY, 0, path.c_str()),
                                    GetHighestNumberedName(path, RECORD_SECTION, ITEM_PREFIX, MAX_RECORDED_FILES));
    // Every item up to the count is kept as read, empty and repeated values included.
    for (unsigned i = 1; i <= count; ++i) list.push_back(GetIniString(RECORD_SECTION, ItemKey(i), "", path));
}

void SaveRegistrationRecord(const std::string& folder, const CRegistrationList& list) {
    // Written whole, as the profile writer lays it out, so no item of an older, longer list stays
    // behind the new count, and never through a link planted in the record's place.
    CIniText text;
    text.AddSection(RECORD_SECTION);
    text.AddValue(COUNT_KEY, static_cast<unsigned long>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) text.AddValue(ItemKey(i + 1), list[i]);
    DWORD error = ERROR_SUCCESS;
    ReplaceFileDurably(folder + REGISTRATION_RECORD_FILE, text.GetText(), &error);
}
