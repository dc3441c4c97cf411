#include "commands/RegistrationRecord.h"

#include <windows.h>

#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/TextFormat.h"

const char* const REGISTRATION_RECORD_FILE = "RegisterFilter.log";

namespace {

const char* const RECORD_SECTION = "Register";
const char* const COUNT_KEY = "Count";

std::string ItemKey(int position) { return FormatText("Item %d", position); }

}  // namespace

void LoadRegistrationRecord(const std::string& folder, CRegistrationList& list) {
    list.clear();
    const std::string path = folder + REGISTRATION_RECORD_FILE;
    const int count = static_cast<int>(::GetPrivateProfileIntA(RECORD_SECTION, COUNT_KEY, 0, path.c_str()));
    // Every item up to the count is kept as read, empty and repeated values included.
    for (int i = 1; i <= count; ++i) list.push_back(GetIniString(RECORD_SECTION, ItemKey(i), "", path));
}

void SaveRegistrationRecord(const std::string& folder, const CRegistrationList& list) {
    // Written whole, as the profile writer lays it out, so no item of an older, longer list stays
    // behind the new count, and never through a link planted in the record's place.
    CIniText text;
    text.AddSection(RECORD_SECTION);
    text.AddValue(COUNT_KEY, static_cast<unsigned long>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) text.AddValue(ItemKey(static_cast<int>(i) + 1), list[i]);
    DWORD error = ERROR_SUCCESS;
    ReplaceFileDurably(folder + REGISTRATION_RECORD_FILE, text.GetText(), &error);
}
