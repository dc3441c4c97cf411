#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ScopedHandles.h"

// What only SYSTEM and the Administrators may touch: the work folders and the run lock. The
// upgrader runs elevated, so nothing it later reads back or relies on may be open to a program
// that runs without elevation.

// The descriptor, in the system's string form: owned by the Administrators, full access for SYSTEM
// and the Administrators and nobody else, nothing inherited from the parent folder.
inline constexpr const char* ADMIN_ONLY_SDDL = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The same without the owner, for a process that may not name the Administrators as owner.
inline constexpr const char* ADMIN_ONLY_SDDL_NO_OWNER = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Builds a self-relative security descriptor from its string form; empty on failure.
CScopedLocalMemory DescriptorFromSddl(const char* sddl);

// Makes something with the admin-only descriptor: make() answers the system's error for the
// attributes it is given. The owner is named only where the process may set it.
DWORD MakeAdminOnly(const std::function<DWORD(SECURITY_ATTRIBUTES&)>& make);

// Why a descriptor read from something we are to trust shows that it is not ours: an owner other
// than the Administrators or SYSTEM, or an access list that lets anybody else in. Empty when it
// is ours. The reference is what the system reports for a folder we made just now (none: null):
// a platform that keeps no descriptors reports one of its own for everything, ours included.
std::string FindForeignSecurity(PSECURITY_DESCRIPTOR descriptor, PSECURITY_DESCRIPTOR reference);
