#pragma once

#include <string>

// What Wine cannot make itself: links on the host's file system, which a Windows program then sees
// as a user would have planted them (a link to a folder as a reparse point; one to a file as the
// file it leads to).

// The host's path of a file of the prefix; empty when Wine cannot say.
std::string UnixPathOf(const std::string& windowsPath);
// Makes the link, a host symbolic link to target (both Windows paths), replacing a link of that
// name. True once what it leads to is there.
bool MakeHostLink(const std::string& target, const std::string& link);
// Removes such a link, never what it leads to. True once it is gone.
bool RemoveHostLink(const std::string& link);
