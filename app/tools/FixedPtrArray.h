#pragma once
// The fixed array of item pointers in which the monitor window, the motor view's monitor page and
// the chart view keep their items. It never grows: every caller checks Count() against its own
// limit (50 monitor items, 8 chart items) before Add. An owning array deletes its items; a
// borrowed one only points at items someone else owns.
//
// T must provide AssignSlot(int): the array tells each owned item its index (a chart item passes
// it on to its embedded watch item), and Copy(const T&) for AddCopy. Items are deleted through T's
// destructor, so a class hierarchy needs a virtual one.

#include <array>
#include <cassert>
#include <cstddef>
#include <utility>

template <class T, int N = 50>
class CFixedPtrArray {
public:
    static constexpr int kSlots = N;

    explicit CFixedPtrArray(bool borrowed = false) : m_borrowed(borrowed) { m_items.fill(nullptr); }
    ~CFixedPtrArray() { RemoveAll(); }
    CFixedPtrArray(const CFixedPtrArray&) = delete;
    CFixedPtrArray& operator=(const CFixedPtrArray&) = delete;

    bool IsBorrowed() const { return m_borrowed; }
    int Count() const { return m_count; }
    bool IsFull() const { return m_count >= N; }

    // Stores the item at slot Count(); an owning array takes it over and tells it its index.
    // The caller has checked its limit; a full array would be a programming error, and the item is
    // then deleted (owning) rather than written past the end.
    void Add(T* item)
    {
        assert(m_count < N);
        if (m_count >= N) {
            if (!m_borrowed)
                delete item;
            return;
        }
        m_items[static_cast<std::size_t>(m_count)] = item;
        if (!m_borrowed && item)
            item->AssignSlot(m_count);
        ++m_count;
    }

    // A new item copied from `item`, added; returns it.
    T* AddCopy(const T& item)
    {
        T* copy = new T;
        copy->Copy(item);
        Add(copy);
        return m_count > 0 && m_items[static_cast<std::size_t>(m_count - 1)] == copy ? copy : nullptr;
    }

    // The item at index, or null outside 0..Count()-1.
    T* GetAt(int index) const
    {
        return index >= 0 && index < m_count ? m_items[static_cast<std::size_t>(index)] : nullptr;
    }
    T* operator[](int index) const { return GetAt(index); }

    // Deletes the item at index (owning), moves the following ones down and renumbers them.
    void RemoveAt(int index)
    {
        if (index < 0 || index >= m_count)
            return;
        if (!m_borrowed)
            delete m_items[static_cast<std::size_t>(index)];
        for (int i = index; i + 1 < m_count; ++i) {
            m_items[static_cast<std::size_t>(i)] = m_items[static_cast<std::size_t>(i + 1)];
            if (!m_borrowed && m_items[static_cast<std::size_t>(i)])
                m_items[static_cast<std::size_t>(i)]->AssignSlot(i);
        }
        --m_count;
        m_items[static_cast<std::size_t>(m_count)] = nullptr;
    }

    // Exchanges two slots and renumbers both.
    void Swap(int a, int b)
    {
        if (a < 0 || b < 0 || a >= m_count || b >= m_count || a == b)
            return;
        std::swap(m_items[static_cast<std::size_t>(a)], m_items[static_cast<std::size_t>(b)]);
        if (!m_borrowed) {
            m_items[static_cast<std::size_t>(a)]->AssignSlot(a);
            m_items[static_cast<std::size_t>(b)]->AssignSlot(b);
        }
    }

    // Owning: deletes every item and empties the array. Borrowed: leaves it as it is.
    void RemoveAll()
    {
        if (!m_borrowed)
            DeleteAll();
    }
    // Deletes every item whether the array owns them or not.
    void DeleteAll()
    {
        for (T*& item : m_items) {
            delete item;
            item = nullptr;
        }
        m_count = 0;
    }

    T* const* begin() const { return m_items.data(); }
    T* const* end() const { return m_items.data() + m_count; }

private:
    bool m_borrowed;
    int m_count = 0;
    std::array<T*, N> m_items;
};
