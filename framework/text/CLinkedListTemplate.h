// A small singly linked list with one heap node per element, for the framework's short lists
// of windows, views, menus and the like. Values are never deleted.
#pragma once

#include "framework/files/XBase.h"

#include <utility>

namespace NSWayfarer
{

template <class T> class CLinkedListTemplate
{
public:
    struct CNode
    {
        T fValue;
        CNode* fNext = nullptr;
    };

    // Holds the current node and the one before it (both the first node at the start);
    // a current node of null means past the end.
    class Iterator
    {
    public:
        explicit Iterator(const CLinkedListTemplate& list)
            : fCurrent(list.fFirstPtr), fPrevious(list.fFirstPtr)
        {
        }
        bool IsDone() const { return fCurrent == nullptr; }
        T& operator*() const { return fCurrent->fValue; }
        T* operator->() const { return &fCurrent->fValue; }
        Iterator& operator++()
        {
            if (fCurrent != nullptr)
            {
                fPrevious = fCurrent;
                fCurrent = fCurrent->fNext;
            }
            return *this;
        }
        CNode* GetCurrent() const { return fCurrent; }
        CNode* GetPrevious() const { return fPrevious; }

    private:
        friend class CLinkedListTemplate;
        CNode* fCurrent;
        CNode* fPrevious;
    };

    // Plain forward iteration for range-for loops.
    class RangeIterator
    {
    public:
        explicit RangeIterator(CNode* node) : fNode(node) {}
        T& operator*() const { return fNode->fValue; }
        RangeIterator& operator++()
        {
            fNode = fNode->fNext;
            return *this;
        }
        bool operator==(const RangeIterator& other) const { return fNode == other.fNode; }

    private:
        CNode* fNode;
    };

    CLinkedListTemplate() = default;
    CLinkedListTemplate(const CLinkedListTemplate& other)
    {
        for (CNode* node = other.fFirstPtr; node != nullptr; node = node->fNext)
            TailInsert(node->fValue);
    }
    CLinkedListTemplate(CLinkedListTemplate&& other) noexcept
        : fFirstPtr(std::exchange(other.fFirstPtr, nullptr)),
          fLastPtr(std::exchange(other.fLastPtr, nullptr))
    {
    }
    CLinkedListTemplate& operator=(CLinkedListTemplate other) noexcept
    {
        std::swap(fFirstPtr, other.fFirstPtr);
        std::swap(fLastPtr, other.fLastPtr);
        return *this;
    }
    // Frees every node, not the values.
    virtual ~CLinkedListTemplate() { RemoveAll(); }

    RangeIterator begin() const { return RangeIterator(fFirstPtr); }
    RangeIterator end() const { return RangeIterator(nullptr); }

    bool IsEmpty() const { return fFirstPtr == nullptr; }

    void HeadInsert(const T& value)
    {
        CNode* node = new CNode{value, fFirstPtr};
        fFirstPtr = node;
        if (fLastPtr == nullptr)
            fLastPtr = node;
    }

    void TailInsert(const T& value)
    {
        CNode* node = new CNode{value, nullptr};
        if (fLastPtr == nullptr)
            fFirstPtr = node;
        else
            fLastPtr->fNext = node;
        fLastPtr = node;
    }

    // Before the iterator's current node (at the end when it is past the end); the
    // iterator then refers to the new node.
    void InsertAt(Iterator& it, const T& value)
    {
        if (it.fCurrent == fFirstPtr)
        {
            HeadInsert(value);
            it.fCurrent = it.fPrevious = fFirstPtr;
        }
        else if (it.fCurrent == nullptr)
        {
            TailInsert(value);
            it.fCurrent = fLastPtr;
        }
        else
        {
            CNode* node = new CNode{value, it.fCurrent};
            it.fPrevious->fNext = node;
            it.fCurrent = node;
        }
    }

    // The new element gets the index; an index equal to the count appends.
    void InsertAtIndex(unsigned long index, const T& value)
    {
        if (index > CountItems())
            throw XBase();
        Iterator it = IteratorAt(index);
        InsertAt(it, value);
    }

    // Removes the current node; the iterator then refers to the following node.
    void RemoveAt(Iterator& it)
    {
        CNode* node = it.fCurrent;
        if (node == nullptr)
            return;
        if (node == fFirstPtr)
        {
            fFirstPtr = node->fNext;
            if (fFirstPtr == nullptr)
                fLastPtr = nullptr;
            delete node;
            it.fCurrent = it.fPrevious = fFirstPtr;
        }
        else
        {
            it.fPrevious->fNext = node->fNext;
            if (node == fLastPtr)
                fLastPtr = it.fPrevious;
            delete node;
            it.fCurrent = it.fPrevious->fNext;
        }
    }

    void RemoveAtIndex(unsigned long index)
    {
        Iterator it = IteratorAt(index);
        if (it.IsDone())
            throw XBase();
        RemoveAt(it);
    }

    T HeadRemove()
    {
        if (fFirstPtr == nullptr)
            throw XBase();
        T value = fFirstPtr->fValue;
        Iterator it(*this);
        RemoveAt(it);
        return value;
    }

    T TailRemove()
    {
        if (fLastPtr == nullptr)
            throw XBase();
        T value = fLastPtr->fValue;
        RemoveAtIndex(CountItems() - 1);
        return value;
    }

    void RemoveAll()
    {
        while (fFirstPtr != nullptr)
        {
            CNode* next = fFirstPtr->fNext;
            delete fFirstPtr;
            fFirstPtr = next;
        }
        fLastPtr = nullptr;
    }

    T& GetHead() const { return Checked(fFirstPtr); }
    T& GetTail() const { return Checked(fLastPtr); }
    T& GetAt(const Iterator& it) const { return Checked(it.fCurrent); }
    T& GetAtIndex(unsigned long index) const { return Checked(IteratorAt(index).fCurrent); }

    // Walks the list.
    unsigned long CountItems() const
    {
        unsigned long count = 0;
        for (CNode* node = fFirstPtr; node != nullptr; node = node->fNext)
            ++count;
        return count;
    }

    // True and the index of the first equal value; false with 666 when the list was not empty.
    bool FindIndex(const T& value, unsigned long* index) const
    {
        unsigned long i = 0;
        for (CNode* node = fFirstPtr; node != nullptr; node = node->fNext, ++i)
        {
            if (node->fValue == value)
            {
                *index = i;
                return true;
            }
        }
        if (fFirstPtr != nullptr)
            *index = 666;
        return false;
    }

    // True and the slot of the first equal value; false and null when the list was not empty.
    bool FindPtr(const T& value, T** slot) const
    {
        for (CNode* node = fFirstPtr; node != nullptr; node = node->fNext)
        {
            if (node->fValue == value)
            {
                *slot = &node->fValue;
                return true;
            }
        }
        if (fFirstPtr != nullptr)
            *slot = nullptr;
        return false;
    }

    CNode* GetFirstNode() const { return fFirstPtr; }
    CNode* GetLastNode() const { return fLastPtr; }

private:
    // The iterator standing at the index (past the end when the list is shorter).
    Iterator IteratorAt(unsigned long index) const
    {
        Iterator it(*this);
        while (index > 0 && !it.IsDone())
        {
            ++it;
            --index;
        }
        return it;
    }
    static T& Checked(CNode* node)
    {
        if (node == nullptr)
            throw XBase();
        return node->fValue;
    }

    CNode* fFirstPtr = nullptr;
    CNode* fLastPtr = nullptr;
};

} // namespace NSWayfarer
