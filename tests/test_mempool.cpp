/*
 * test_mempool.cpp - the memory pool: reuse, clearing, large blocks, the
 * test limit and blocks given back twice.
 */
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "platform/mempool.h"

TEST(MemPool, BlocksAreClearedAndReused)
{
    APPool *pool = PoolCreate();
    ASSERT_NE(pool, nullptr);
    char *a = static_cast<char *>(AllocPooled(pool, 532));
    std::memset(a, 0x5A, 532);
    FreePooled(pool, a, 532);
    char *b = static_cast<char *>(AllocPooled(pool, 530));
    EXPECT_EQ(a, b) << "a block of the same class comes back";
    for (int i = 0; i < 530; i++)
        ASSERT_EQ(b[i], 0) << "handed out cleared, at byte " << i;
    EXPECT_EQ(PoolBytesInUse(pool), 544u);
    PoolDelete(pool);
}

TEST(MemPool, ManySmallAndLargeBlocksStayDistinct)
{
    APPool *pool = PoolCreate();
    std::set<void *> seen;
    for (int i = 0; i < 2000; i++) {
        void *p = AllocPooled(pool, 1 + (i * 37) % 3000);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        EXPECT_TRUE(seen.insert(p).second);
    }
    void *big = AllocPooled(pool, 1 << 20);
    ASSERT_NE(big, nullptr);
    std::memset(big, 1, 1 << 20);
    FreePooled(pool, big, 1 << 20);
    PoolDelete(pool); /* everything still out goes with the pool */
}

TEST(MemPool, LimitRefusesAndGivingBackMakesRoom)
{
    APPool *pool = PoolCreate();
    PoolSetLimit(pool, 1024);
    void *a = AllocPooled(pool, 600);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(AllocPooled(pool, 600), nullptr);
    FreePooled(pool, a, 600);
    FreePooled(pool, a, 600); /* a second give-back is ignored */
    EXPECT_EQ(PoolBytesInUse(pool), 0u);
    EXPECT_NE(AllocPooled(pool, 600), nullptr);
    EXPECT_EQ(AllocPooled(nullptr, 8), nullptr);
    PoolDelete(pool);
}

TEST(MemPool, CreationCanBeMadeToFail)
{
    PoolFailNextCreate(true);
    EXPECT_EQ(PoolCreate(), nullptr);
    APPool *pool = PoolCreate();
    EXPECT_NE(pool, nullptr);
    PoolDelete(pool);
}
