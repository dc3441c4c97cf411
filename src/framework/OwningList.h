#pragma once

#include <memory>
#include <vector>

// A list that owns its records and deletes them when they are removed or with itself, in
// creation order. The one owning list of the program (processes, modules, entries, commands).
template <class T>
class COwningList {
public:
    T* Add(std::unique_ptr<T> item) {
        m_items.push_back(std::move(item));
        return m_items.back().get();
    }
    template <class... Args>
    T* Emplace(Args&&... args) { return Add(std::make_unique<T>(std::forward<Args>(args)...)); }

    size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    // The item at the index, or null when the index is out of range.
    T* GetAt(size_t i) const { return i < m_items.size() ? m_items[i].get() : nullptr; }
    void RemoveAll() { m_items.clear(); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<std::unique_ptr<T>> m_items;
};
