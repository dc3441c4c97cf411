#pragma once

#include <string>

// Makes a shell link that starts target in the target's own folder and shows the target's first
// icon, as the bytes of a ".lnk" file, for the caller to write where it has made sure of the
// folder. True when the link object was made and saved itself. COM must be initialised on the
// calling thread.
bool SaveShellLink(const std::string& target, std::string& bytes);
