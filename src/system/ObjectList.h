#pragma once

#include <memory>

#include "framework/CObject.h"
#include "framework/OwningList.h"

// An owning list of records: they are deleted when removed or with the list.
template <class T>
class CObjectListOf : public CObject {
public:
    T* AddTail(std::unique_ptr<T> item) { return m_items.Add(std::move(item)); }
    size_t GetCount() const { return m_items.GetCount(); }
    // The item at the index, or null when the index is out of range.
    T* GetAt(size_t index) const { return index < m_items.GetCount() ? m_items.GetAt(index) : nullptr; }
    void RemoveAll() { m_items.RemoveAll(); }

private:
    COwningList<T> m_items;
};

using CObjectList = CObjectListOf<CObject>;
