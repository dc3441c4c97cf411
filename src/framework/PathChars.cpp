#include "framework/PathChars.h"

#include <windows.h>

namespace {

bool IsSeparator(char c, bool bSlash) { return c == '\\' || (bSlash && c == '/'); }

}  // namespace

size_t NextCharAt(const std::string& text, size_t index) {
    const bool bLead = ::IsDBCSLeadByte(static_cast<BYTE>(text[index])) && index + 1 < text.size();
    return index + (bLead ? 2 : 1);
}

size_t FindSeparator(const std::string& path, size_t start, bool bSlash) {
    // Walked from the start: only there is it known where each character begins.
    for (size_t i = 0; i < path.size(); i = NextCharAt(path, i))
        if (i >= start && IsSeparator(path[i], bSlash)) return i;
    return std::string::npos;
}

size_t FindLastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = FindSeparator(path); i != std::string::npos; i = FindSeparator(path, i + 1)) last = i;
    return last;
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && FindLastSeparator(path) == path.size() - 1;
}
