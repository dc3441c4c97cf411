#include "util/AdminOnlySecurity.h"

#include <sddl.h>

#include <algorithm>
#include <vector>

#include "util/TextFormat.h"

namespace {

// A well-known SID in a buffer of its own.
class CWellKnownSid {
public:
    explicit CWellKnownSid(WELL_KNOWN_SID_TYPE type) {
        DWORD size = sizeof m_buffer;
        ::CreateWellKnownSid(type, nullptr, m_buffer, &size);
    }
    PSID Get() { return m_buffer; }

private:
    BYTE m_buffer[SECURITY_MAX_SID_SIZE] = {};
};

PSID OwnerOf(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return descriptor != nullptr && ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ? owner : nullptr;
}

// The access list; null when there is none, which lets everybody in.
PACL AccessListOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    return descriptor != nullptr && ::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present
               ? list
               : nullptr;
}

// Adds whom the list's entries let in. An entry that denies only takes rights away; false for an
// entry of any other kind, which is never one of ours.
bool AddAllowedSids(PACL list, std::vector<PSID>& sids) {
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(list, i, &entry)) return false;
        const BYTE type = static_cast<ACE_HEADER*>(entry)->AceType;
        if (type == ACCESS_ALLOWED_ACE_TYPE)
            sids.push_back(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart);
        else if (type != ACCESS_DENIED_ACE_TYPE)
            return false;
    }
    return true;
}

bool IsAmong(PSID sid, const std::vector<PSID>& sids) {
    return sid != nullptr && std::any_of(sids.begin(), sids.end(), [&](PSID known) { return ::EqualSid(sid, known); });
}

// "S-1-5-21-...", for the line that says whose it is.
std::string SidText(PSID sid) {
    char* text = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidA(sid, &text)) return "nobody";
    CScopedLocalMemory held(text);
    return text;
}

}  // namespace

CScopedLocalMemory DescriptorFromSddl(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return CScopedLocalMemory();
    return CScopedLocalMemory(descriptor);
}

DWORD MakeAdminOnly(const std::function<DWORD(SECURITY_ATTRIBUTES&)>& make) {
    for (const char* sddl : {ADMIN_ONLY_SDDL, ADMIN_ONLY_SDDL_NO_OWNER}) {
        CScopedLocalMemory descriptor = DescriptorFromSddl(sddl);
        if (!descriptor) return ::GetLastError();
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
        const DWORD error = make(attributes);
        if (error != ERROR_INVALID_OWNER) return error;
    }
    return ERROR_INVALID_OWNER;
}

std::string FindForeignSecurity(PSECURITY_DESCRIPTOR descriptor, PSECURITY_DESCRIPTOR reference) {
    CWellKnownSid system(WinLocalSystemSid), administrators(WinBuiltinAdministratorsSid);
    std::vector<PSID> owners = {system.Get(), administrators.Get()};
    std::vector<PSID> allowed = owners;
    if (PSID owner = OwnerOf(reference)) owners.push_back(owner);
    if (PACL list = AccessListOf(reference)) AddAllowedSids(list, allowed);

    PSID owner = OwnerOf(descriptor);
    if (!IsAmong(owner, owners)) return FormatText("it is owned by %s", SidText(owner).c_str());
    PACL list = AccessListOf(descriptor);
    if (list == nullptr) return "its access list lets everybody in";
    std::vector<PSID> sids;
    if (!AddAllowedSids(list, sids)) return "its access list has entries of other kinds";
    for (PSID sid : sids)
        if (!IsAmong(sid, allowed)) return FormatText("its access list lets %s in", SidText(sid).c_str());
    return std::string();
}
