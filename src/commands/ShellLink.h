#pragma once

#include <string>

// Makes a shell link at linkPath that starts target in the target's own folder and shows the
// target's first icon. True when the link object was made and asked to save itself.
// COM must be initialised on the calling thread.
bool CreateShellLink(const std::string& target, const std::string& linkPath);
