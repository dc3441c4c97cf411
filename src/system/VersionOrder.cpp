#include "system/VersionOrder.h"

#include <array>
#include <cstdint>

namespace {

using VERSION_FIELDS = std::array<std::uint32_t, 4>;

// Fills the fields from "a.b.c.d"; false for anything else (empty fields, signs, blanks, overflow).
bool ParseVersion(const std::string& text, VERSION_FIELDS& fields) {
    fields = {};
    size_t field = 0;
    bool digitSeen = false;
    for (char c : text) {
        if (c == '.') {
            if (!digitSeen || ++field == fields.size()) return false;
            digitSeen = false;
        } else if (c >= '0' && c <= '9') {
            const std::uint64_t value = std::uint64_t{fields[field]} * 10 + static_cast<unsigned>(c - '0');
            if (value > UINT32_MAX) return false;
            fields[field] = static_cast<std::uint32_t>(value);
            digitSeen = true;
        } else {
            return false;
        }
    }
    return digitSeen;
}

}  // namespace

bool IsOlderVersion(const std::string& installed, const std::string& package) {
    VERSION_FIELDS installedFields;
    VERSION_FIELDS packageFields;
    if (!ParseVersion(installed, installedFields) || !ParseVersion(package, packageFields)) return false;
    return installedFields < packageFields;
}
