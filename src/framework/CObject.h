#pragma once

// Root of the records kept in owning lists: only the virtual destructor matters,
// so a list can delete what it holds through the base pointer.
class CObject {
public:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    virtual ~CObject() = default;
};
