#pragma once

#include <string>

// A link to a folder that Windows calls a reparse point, for as long as the object lives. Wine 8
// makes none itself (its CreateSymbolicLinkA answers TRUE and makes nothing, and it sets no
// reparse point), but it shows a host symbolic link to a folder as one: that is what is made,
// by the host's own "ln", which Wine starts like a program of its own.
class CFolderLink {
public:
    CFolderLink(const std::string& link, const std::string& target);
    CFolderLink(const CFolderLink&) = delete;
    CFolderLink& operator=(const CFolderLink&) = delete;
    ~CFolderLink();

    // True when the link is there and is seen as a reparse point.
    bool IsMade() const;

private:
    std::string m_strLink;
};
