// A free list of list nodes refilled in blocks, so that lists whose elements come and go
// often do not allocate once per insertion. Memory goes back to the system only in FreeAll.
#pragma once

#include <cstddef>

namespace NSWayfarer
{

// N needs a default constructor and a public successor pointer fSucc of a type that an
// N* converts to; free nodes are chained through it.
template <class N> class CNodePool
{
public:
    explicit CNodePool(unsigned long growSize) : fPoolGrowSize(growSize < 1 ? 1 : growSize) {}
    CNodePool(const CNodePool&) = delete;
    CNodePool& operator=(const CNodePool&) = delete;
    virtual ~CNodePool() { FreeAll(); }

    // A node taken off the free list (the pool grows by one block when the list is empty).
    N* AllocateNode()
    {
        if (fFirstFreeNode == nullptr)
            GrowPool();
        N* node = fFirstFreeNode;
        fFirstFreeNode = static_cast<N*>(node->fSucc);
        node->fSucc = nullptr;
        --fFreeNodes;
        ++fAllocatedNodes;
        return node;
    }

    // Puts the node at the front of the free list.
    void ReleaseNode(N* node)
    {
        node->fSucc = fFirstFreeNode;
        fFirstFreeNode = node;
        ++fFreeNodes;
        --fAllocatedNodes;
    }

    void GrowPool()
    {
        CNodePoolArray* block = new CNodePoolArray;
        block->fNodes = new N[fPoolGrowSize];
        for (unsigned long i = 0; i + 1 < fPoolGrowSize; ++i)
            block->fNodes[i].fSucc = &block->fNodes[i + 1];
        // The new block's nodes go in front of whatever is still free.
        block->fNodes[fPoolGrowSize - 1].fSucc = fFirstFreeNode;
        block->fPrevious = fNodePoolArray;
        fNodePoolArray = block;
        fFirstFreeNode = &block->fNodes[0];
        fFreeNodes += fPoolGrowSize;
    }

    // Deletes every block, nodes in use included; the free list becomes empty.
    void FreeAll()
    {
        while (fNodePoolArray != nullptr)
        {
            CNodePoolArray* previous = fNodePoolArray->fPrevious;
            delete[] fNodePoolArray->fNodes;
            delete fNodePoolArray;
            fNodePoolArray = previous;
        }
        fFirstFreeNode = nullptr;
        fAllocatedNodes = 0;
        fFreeNodes = 0;
    }

    // Returns the memory when no node is in use; blocks are never split.
    void Compact()
    {
        if (fAllocatedNodes == 0)
            FreeAll();
    }

    unsigned long GetPoolGrowSize() const { return fPoolGrowSize; }
    unsigned long GetAllocatedNodes() const { return fAllocatedNodes; }
    unsigned long GetFreeNodes() const { return fFreeNodes; }
    unsigned long CountBlocks() const
    {
        unsigned long count = 0;
        for (const CNodePoolArray* block = fNodePoolArray; block != nullptr;
             block = block->fPrevious)
            ++count;
        return count;
    }

private:
    struct CNodePoolArray
    {
        N* fNodes = nullptr;
        CNodePoolArray* fPrevious = nullptr;
    };

    N* fFirstFreeNode = nullptr;
    CNodePoolArray* fNodePoolArray = nullptr;
    unsigned long fPoolGrowSize = 1;
    unsigned long fAllocatedNodes = 0;
    unsigned long fFreeNodes = 0;
};

} // namespace NSWayfarer
