// A growable array of owned object pointers: the panels of a set and the presets of a panel.
// It grows by a fixed step and refuses to grow past its limits rather than wrap.
#pragma once
#include <cstdint>
#include <new>

template <class T>
class PtrArray {
public:
    PtrArray(uint32_t capacity, uint32_t growBy) : m_growBy(growBy) {
        if (capacity) m_items = new (std::nothrow) T*[capacity];
        if (m_items) m_capacity = capacity;
    }
    ~PtrArray() {
        RemoveAll();
        delete[] m_items;
    }
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Takes ownership; 1 added, 0 refused (null, full without growth, no memory).
    int Add(T* item) {
        if (!item || m_last == INT32_MAX) return 0;
        if (static_cast<int64_t>(m_last) + 1 == m_capacity && !Grow()) return 0;
        m_items[++m_last] = item;
        return 1;
    }
    int GetSize() const { return m_last + 1; }
    int GetLastIndex() const { return m_last; }
    bool IsEmpty() const { return m_last < 0; }
    uint32_t GetCapacity() const { return m_capacity; }
    // No bounds check: callers keep to 0..size-1.
    T* GetAt(int i) const { return m_items[i]; }
    // Null outside the array.
    T* Find(int i) const { return i >= 0 && i <= m_last ? m_items[i] : nullptr; }

    void RemoveAll() {
        for (int i = 0; i <= m_last; ++i) delete m_items[i];
        m_last = -1;
    }
    // Deletes the element and closes the gap; nothing outside the array.
    void RemoveAt(int i) {
        if (i < 0 || i > m_last) return;
        delete m_items[i];
        for (int k = i; k < m_last; ++k) m_items[k] = m_items[k + 1];
        --m_last;
    }
    // how: 0 swap with the previous, 1 with the next, 2 to the front, 3 to the end. 1 when moved.
    int Move(int i, int how) {
        if (i < 0 || i > m_last) return 0;
        switch (how) {
        case 0:
            if (i == 0) return 0;
            Swap(i, i - 1);
            return 1;
        case 1:
            if (i == m_last) return 0;
            Swap(i, i + 1);
            return 1;
        case 2:
            if (i == 0) return 0;
            for (; i > 0; --i) Swap(i, i - 1);
            return 1;
        case 3:
            if (i == m_last) return 0;
            for (; i < m_last; ++i) Swap(i, i + 1);
            return 1;
        default: return 0;
        }
    }

private:
    void Swap(int a, int b) {
        T* t = m_items[a];
        m_items[a] = m_items[b];
        m_items[b] = t;
    }
    bool Grow() {
        const uint64_t wanted = static_cast<uint64_t>(m_capacity) + m_growBy;
        if (wanted > INT32_MAX || wanted <= m_capacity) return false;
        T** items = new (std::nothrow) T*[wanted];
        if (!items) return false;
        for (int i = 0; i <= m_last; ++i) items[i] = m_items[i];
        delete[] m_items;
        m_items = items;
        m_capacity = static_cast<uint32_t>(wanted);
        return true;
    }

    T** m_items = nullptr;
    uint32_t m_capacity = 0;
    uint32_t m_growBy;
    int32_t m_last = -1;
};
