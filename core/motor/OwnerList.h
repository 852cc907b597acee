#pragma once
// A list of at most N item pointers that owns its items unless it is marked borrowed.
// Serves the motors of a port and the associated files of a motor.

#include <cstddef>
#include <vector>

template <class T, int N>
class COwnerList {
public:
    static constexpr int Capacity = N;

    COwnerList() = default;
    ~COwnerList() { Clear(); }
    COwnerList(const COwnerList&) = delete;
    COwnerList& operator=(const COwnerList&) = delete;

    // Set: the list only refers to items that someone else deletes.
    bool borrowed = false;

    int GetCount() const { return static_cast<int>(m_items.size()); }
    T* GetAt(int index) const
    {
        return index >= 0 && index < GetCount() ? m_items[static_cast<std::size_t>(index)] : nullptr;
    }

    // Appends the item; an owning list numbers it. False (item not taken) when the list is full.
    bool Add(T* item)
    {
        if (item == nullptr || GetCount() >= N)
            return false;
        if (!borrowed)
            item->SetListIndex(GetCount());
        m_items.push_back(item);
        return true;
    }

    // Removes one item (deleted unless borrowed); the following items move up and an owning list
    // renumbers them. False when there is no such item.
    bool RemoveAt(int index)
    {
        if (index < 0 || index >= GetCount())
            return false;
        T* item = m_items[static_cast<std::size_t>(index)];
        m_items.erase(m_items.begin() + index);
        if (!borrowed) {
            delete item;
            for (int i = index; i < GetCount(); ++i)
                m_items[static_cast<std::size_t>(i)]->SetListIndex(i);
        }
        return true;
    }
    // Deletes the items unless borrowed; the count becomes 0.
    void Clear()
    {
        if (!borrowed) {
            for (T* item : m_items)
                delete item;
        }
        m_items.clear();
    }

    // A borrowed list takes the source's pointers; an owning one deletes its items and holds a
    // copy of each source item (made by the item's own assignment).
    void CopyFrom(const COwnerList& src)
    {
        if (&src == this)
            return;
        Clear();
        for (T* item : src.m_items) {
            if (borrowed) {
                m_items.push_back(item);
            } else {
                T* copy = new T;
                *copy = *item;
                Add(copy);
            }
        }
    }

private:
    std::vector<T*> m_items;
};
