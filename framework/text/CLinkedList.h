// A doubly linked list of values with a sentinel header, whose nodes come from a node
// pool; for collections whose elements come and go often. Values are never deleted.
#pragma once

#include "framework/files/XBase.h"
#include "framework/text/CNodePool.h"

namespace NSWayfarer
{

template <class T> class CLinkedList
{
public:
    struct CNodeLinks
    {
        CNodeLinks* fSucc = nullptr;
        CNodeLinks* fPred = nullptr;
    };
    struct CNode : CNodeLinks
    {
        T fValue{};
    };

    // The header stands in for both end nodes: fHeadEnd.fSucc is the first node (fHead),
    // fTailEnd.fSucc is always null (fTail), fTailEnd.fPred is the last node (fTailPred).
    struct CListHeader
    {
        CNodeLinks fHeadEnd;
        CNodeLinks fTailEnd;
    };

    // Walks from the first node to the header's tail end.
    class Iterator
    {
    public:
        Iterator() = default;
        explicit Iterator(CNodeLinks* node) : fNode(node) {}
        bool IsEnd() const { return fNode == nullptr || fNode->fSucc == nullptr; }
        T& operator*() const { return static_cast<CNode*>(fNode)->fValue; }
        T* operator->() const { return &static_cast<CNode*>(fNode)->fValue; }
        Iterator& operator++()
        {
            fNode = fNode->fSucc;
            return *this;
        }
        bool operator==(const Iterator& other) const { return fNode == other.fNode; }
        CNode* GetNode() const { return IsEnd() ? nullptr : static_cast<CNode*>(fNode); }

    private:
        friend class CLinkedList;
        CNodeLinks* fNode = nullptr;
    };

    explicit CLinkedList(unsigned long growSize = 64) : fNodePool(growSize) { ResetList(); }
    CLinkedList(const CLinkedList&) = delete;
    CLinkedList& operator=(const CLinkedList&) = delete;
    // Releases the pool, nodes in use included; values are not deleted.
    virtual ~CLinkedList() = default;

    Iterator GetStartIterator() const { return Iterator(fListHeader.fHeadEnd.fSucc); }
    Iterator GetEndIterator() const { return Iterator(TailEnd()); }
    Iterator begin() const { return GetStartIterator(); }
    Iterator end() const { return GetEndIterator(); }

    bool IsEmpty() const { return fListHeader.fHeadEnd.fSucc == TailEnd(); }

    Iterator InsertAtTail(const T& value)
    {
        return Iterator(InsertNodeAfter(fListHeader.fTailEnd.fPred, NewNode(value)));
    }
    Iterator InsertAtHead(const T& value)
    {
        return Iterator(InsertNodeAfter(HeadEnd(), NewNode(value)));
    }
    // Before the iterator's node (at the end when it is the end iterator).
    Iterator InsertBefore(Iterator before, const T& value)
    {
        CNodeLinks* node = before.fNode == nullptr ? TailEnd() : before.fNode;
        return Iterator(InsertNodeAfter(node->fPred, NewNode(value)));
    }

    T& GetHead() const { return Checked(GetStartIterator()); }
    T& GetTail() const { return Checked(Iterator(fListHeader.fTailEnd.fPred)); }
    T& GetAt(Iterator it) const { return Checked(it); }
    T& GetAtIndex(unsigned long index) const { return Checked(GetIterator(index)); }

    T RemoveHead() { return RemoveChecked(GetStartIterator()); }
    T RemoveTail() { return RemoveChecked(Iterator(fListHeader.fTailEnd.fPred)); }
    // Removes the iterator's node; the iterator then refers to the following node.
    void RemoveAt(Iterator& it)
    {
        Checked(it);
        Iterator next(it.fNode->fSucc);
        RemoveNode(static_cast<CNode*>(it.fNode));
        it = next;
    }
    void RemoveAtIndex(unsigned long index)
    {
        Iterator it = GetIterator(index);
        RemoveAt(it);
    }
    // Every node goes back to the pool.
    void RemoveAll()
    {
        while (!IsEmpty())
            RemoveNode(static_cast<CNode*>(fListHeader.fHeadEnd.fSucc));
    }
    // Gives the pool's memory back to the system when the list is empty.
    void Compact() { fNodePool.Compact(); }

    unsigned long CountObjects() const
    {
        unsigned long count = 0;
        for (Iterator it = GetStartIterator(); !it.IsEnd(); ++it)
            ++count;
        return count;
    }
    // The node at the index, or the end iterator when the list is shorter.
    Iterator GetIterator(unsigned long index) const
    {
        Iterator it = GetStartIterator();
        while (index > 0 && !it.IsEnd())
        {
            ++it;
            --index;
        }
        return it;
    }
    // The first node holding the value, or the end iterator.
    Iterator FindIterator(const T& value) const
    {
        Iterator it = GetStartIterator();
        while (!it.IsEnd() && !(*it == value))
            ++it;
        return it;
    }
    // True and the index of the first equal value; false with 666 when the list was not empty.
    bool FindIndex(const T& value, unsigned long* index) const
    {
        unsigned long i = 0;
        for (Iterator it = GetStartIterator(); !it.IsEnd(); ++it, ++i)
        {
            if (*it == value)
            {
                *index = i;
                return true;
            }
        }
        if (!IsEmpty())
            *index = 666;
        return false;
    }

    // Links node in after the given node (a real node or the header's head end).
    CNode* InsertNodeAfter(CNodeLinks* after, CNode* node)
    {
        node->fPred = after;
        node->fSucc = after->fSucc;
        after->fSucc->fPred = node;
        after->fSucc = node;
        return node;
    }
    // Unlinks node and gives it back to the pool.
    void RemoveNode(CNode* node)
    {
        node->fPred->fSucc = node->fSucc;
        node->fSucc->fPred = node->fPred;
        node->fValue = T();
        node->fPred = nullptr;
        fNodePool.ReleaseNode(node);
    }
    // Makes the header empty without touching nodes; callers release them first.
    void ResetList()
    {
        fListHeader.fHeadEnd.fSucc = TailEnd();
        fListHeader.fHeadEnd.fPred = nullptr;
        fListHeader.fTailEnd.fSucc = nullptr;
        fListHeader.fTailEnd.fPred = HeadEnd();
    }

    const CNodePool<CNode>& GetNodePool() const { return fNodePool; }

private:
    CNodeLinks* HeadEnd() const { return const_cast<CNodeLinks*>(&fListHeader.fHeadEnd); }
    CNodeLinks* TailEnd() const { return const_cast<CNodeLinks*>(&fListHeader.fTailEnd); }

    CNode* NewNode(const T& value)
    {
        CNode* node = fNodePool.AllocateNode();
        node->fValue = value;
        return node;
    }
    // The value at a real node; asking past either end is a caller's error.
    static T& Checked(Iterator it)
    {
        if (it.fNode == nullptr || it.fNode->fSucc == nullptr || it.fNode->fPred == nullptr)
            throw XBase();
        return *it;
    }
    T RemoveChecked(Iterator it)
    {
        T value = Checked(it);
        RemoveNode(static_cast<CNode*>(it.fNode));
        return value;
    }

    CListHeader fListHeader;
    CNodePool<CNode> fNodePool;
};

} // namespace NSWayfarer
