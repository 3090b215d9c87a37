#include "framework/files/XBase.h"
#include "framework/text/CLinkedList.h"
#include "framework/text/CLinkedListTemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

template <class L> std::vector<int> Values(const L& list)
{
    std::vector<int> out;
    for (int v : list)
        out.push_back(v);
    return out;
}

} // namespace

TEST(CLinkedListTemplate, InsertingByIndexAndIterator)
{
    CLinkedListTemplate<int> list;
    list.InsertAtIndex(0, 5);
    EXPECT_EQ(list.GetFirstNode(), list.GetLastNode());
    EXPECT_EQ(list.GetHead(), 5);
    list.InsertAtIndex(list.CountItems(), 7);
    list.InsertAtIndex(1, 6);
    list.HeadInsert(4);
    EXPECT_EQ(Values(list), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(list.GetTail(), 7);
    EXPECT_EQ(list.GetAtIndex(2), 6);
    EXPECT_THROW(list.InsertAtIndex(9, 1), XBase);
    EXPECT_THROW(list.GetAtIndex(4), XBase);

    CLinkedListTemplate<int>::Iterator it(list);
    ++it;
    ++it;
    list.InsertAt(it, 55);
    EXPECT_EQ(*it, 55);
    ++it;
    ++it;
    ++it;
    ASSERT_TRUE(it.IsDone());
    list.InsertAt(it, 8);
    EXPECT_EQ(*it, 8);
    EXPECT_EQ(list.GetTail(), 8);
    EXPECT_EQ(Values(list), (std::vector<int>{4, 5, 55, 6, 7, 8}));
}

TEST(CLinkedListTemplate, RemovingKeepsFirstAndLastRight)
{
    CLinkedListTemplate<int> list;
    list.TailInsert(1);
    CLinkedListTemplate<int>::Iterator only(list);
    list.RemoveAt(only);
    EXPECT_EQ(list.GetFirstNode(), nullptr);
    EXPECT_EQ(list.GetLastNode(), nullptr);
    EXPECT_TRUE(only.IsDone());

    for (int i = 1; i <= 5; ++i)
        list.TailInsert(i);
    CLinkedListTemplate<int>::Iterator it(list);
    ++it;
    list.RemoveAt(it); // 2; now at 3
    EXPECT_EQ(*it, 3);
    ++it;
    ++it; // at 5, the last
    list.RemoveAt(it);
    EXPECT_TRUE(it.IsDone());
    EXPECT_EQ(list.GetTail(), 4);
    list.TailInsert(9); // appends after the new last node
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 4, 9}));

    EXPECT_EQ(list.HeadRemove(), 1);
    EXPECT_EQ(list.TailRemove(), 9);
    list.RemoveAtIndex(1);
    EXPECT_EQ(Values(list), (std::vector<int>{3}));
    EXPECT_THROW(list.RemoveAtIndex(1), XBase);
    list.RemoveAtIndex(0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_THROW(list.HeadRemove(), XBase);
    EXPECT_THROW(list.GetTail(), XBase);
}

TEST(CLinkedListTemplate, SearchesReport666OnlyForNonEmptyLists)
{
    CLinkedListTemplate<int> list;
    unsigned long index = 3;
    int* slot = reinterpret_cast<int*>(&index);
    EXPECT_FALSE(list.FindIndex(1, &index));
    EXPECT_EQ(index, 3u);
    EXPECT_FALSE(list.FindPtr(1, &slot));
    EXPECT_NE(slot, nullptr);

    list.TailInsert(10);
    list.TailInsert(20);
    list.TailInsert(20);
    EXPECT_FALSE(list.FindIndex(30, &index));
    EXPECT_EQ(index, 666u);
    EXPECT_FALSE(list.FindPtr(30, &slot));
    EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(list.FindIndex(20, &index));
    EXPECT_EQ(index, 1u);
    ASSERT_TRUE(list.FindPtr(20, &slot));
    *slot = 21;
    EXPECT_EQ(Values(list), (std::vector<int>{10, 21, 20}));
}

TEST(CLinkedListTemplate, CopiesAreIndependent)
{
    CLinkedListTemplate<int> list;
    list.TailInsert(1);
    list.TailInsert(2);
    CLinkedListTemplate<int> copy(list);
    copy.TailInsert(3);
    list.HeadRemove();
    EXPECT_EQ(Values(list), (std::vector<int>{2}));
    EXPECT_EQ(Values(copy), (std::vector<int>{1, 2, 3}));
    list = copy;
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
}

TEST(CLinkedList, PoolGrowsByBlocksAndRecyclesNodes)
{
    CLinkedList<int> list(64);
    for (int i = 0; i < 64; ++i)
        list.InsertAtTail(i);
    EXPECT_EQ(list.GetNodePool().CountBlocks(), 1u);
    EXPECT_EQ(list.GetNodePool().GetFreeNodes(), 0u);
    list.InsertAtTail(64);
    EXPECT_EQ(list.GetNodePool().CountBlocks(), 2u);
    EXPECT_EQ(list.CountObjects(), 65u);

    while (!list.IsEmpty())
        list.RemoveHead();
    EXPECT_EQ(list.GetNodePool().GetFreeNodes(), 128u);
    EXPECT_EQ(list.GetNodePool().GetAllocatedNodes(), 0u);

    // Freed nodes are used again before the pool grows.
    for (int i = 0; i < 100; ++i)
        list.InsertAtTail(i);
    EXPECT_EQ(list.GetNodePool().CountBlocks(), 2u);
    list.RemoveAll();
    list.Compact();
    EXPECT_EQ(list.GetNodePool().CountBlocks(), 0u);
    EXPECT_EQ(list.GetNodePool().GetFreeNodes(), 0u);
    list.InsertAtTail(1);
    EXPECT_EQ(list.GetHead(), 1);
}

TEST(CLinkedList, LinksStayConsistentThroughInsertsAndRemovals)
{
    CLinkedList<int> list(1);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_THROW(list.GetHead(), XBase);
    EXPECT_THROW(list.RemoveTail(), XBase);

    list.InsertAtTail(2);
    list.InsertAtHead(1);
    list.InsertAtTail(4);
    list.InsertBefore(list.FindIterator(4), 3);
    list.InsertBefore(list.GetEndIterator(), 5);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(list.GetNodePool().CountBlocks(), 5u);

    auto it = list.FindIterator(3);
    list.RemoveAt(it);
    EXPECT_EQ(*it, 4);
    EXPECT_EQ(list.RemoveTail(), 5);
    EXPECT_EQ(list.RemoveHead(), 1);
    EXPECT_EQ(Values(list), (std::vector<int>{2, 4}));
    EXPECT_EQ(list.GetTail(), 4);

    // Walking backwards from the tail reaches the head end, whose predecessor is null.
    auto* last = list.GetIterator(1).GetNode();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(static_cast<CLinkedList<int>::CNode*>(last->fPred)->fValue, 2);
    EXPECT_EQ(last->fPred->fPred->fPred, nullptr);

    unsigned long index = 0;
    EXPECT_TRUE(list.FindIndex(4, &index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(list.FindIndex(9, &index));
    EXPECT_EQ(index, 666u);
    EXPECT_TRUE(list.FindIterator(9) == list.GetEndIterator());
    EXPECT_THROW(list.GetAtIndex(2), XBase);
    list.RemoveAtIndex(0);
    list.RemoveAtIndex(0);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CLinkedList, HoldsValuesWithResources)
{
    CLinkedList<std::string> list(2);
    list.InsertAtTail(std::string(100, 'a'));
    list.InsertAtTail("b");
    EXPECT_EQ(list.RemoveHead(), std::string(100, 'a'));
    EXPECT_EQ(list.GetHead(), "b");
}
