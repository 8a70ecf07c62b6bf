/*
 * mempool.cpp - the memory pool (see mempool.h).
 *
 * Small blocks (up to POOL_SMALL_MAX bytes) are cut from puddles of
 * POOL_PUDDLE bytes and kept on a free list per 16-byte size class once given
 * back, so many equal records (pages, elements, list nodes) reuse each other's
 * memory. Larger blocks come from the heap one by one and are chained so the
 * pool can free them at deletion. Every block carries a header that records
 * its size, so a block given back with a wrong size cannot corrupt the pool.
 */
#include "platform/mempool.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

enum {
    POOL_ALIGN = 16,
    POOL_SMALL_MAX = 1024,
    POOL_CLASSES = POOL_SMALL_MAX / POOL_ALIGN,
    POOL_PUDDLE = 32 * 1024,
};

static const uint64_t POOL_MAGIC_USED = 0x50414749'4d4f5553ull;
static const uint64_t POOL_MAGIC_FREE = 0x50414749'4d4f4652ull;

struct BlockHeader {
    BlockHeader *next; /* free list (small) or chain of large blocks */
    BlockHeader *prev; /* chain of large blocks only */
    size_t size;       /* rounded payload size */
    uint64_t magic;
};
static_assert(sizeof(BlockHeader) % POOL_ALIGN == 0, "header keeps alignment");

struct Puddle {
    Puddle *next;
    size_t used;
    alignas(POOL_ALIGN) unsigned char bytes[POOL_PUDDLE];
};

struct APPool {
    Puddle *puddles;
    BlockHeader *freelist[POOL_CLASSES];
    BlockHeader *large;
    size_t inuse;
    size_t limit;
};

static bool pool_fail_next_create = false;

/* ------------------------------------------------------------ pool */

void PoolFailNextCreate(bool fail)
{
    pool_fail_next_create = fail;
}

APPool *PoolCreate(void)
{
    if (pool_fail_next_create) {
        pool_fail_next_create = false;
        return nullptr;
    }
    APPool *pool = static_cast<APPool *>(std::calloc(1, sizeof(APPool)));
    return pool;
}

void PoolDelete(APPool *pool)
{
    if (!pool)
        return;
    while (pool->puddles) {
        Puddle *next = pool->puddles->next;
        std::free(pool->puddles);
        pool->puddles = next;
    }
    while (pool->large) {
        BlockHeader *next = pool->large->next;
        std::free(pool->large);
        pool->large = next;
    }
    std::free(pool);
}

void PoolSetLimit(APPool *pool, size_t bytes)
{
    pool->limit = bytes;
}

size_t PoolBytesInUse(const APPool *pool)
{
    return pool->inuse;
}

/* ------------------------------------------------------------ blocks */

static size_t RoundSize(size_t size)
{
    return (size + POOL_ALIGN - 1) & ~size_t(POOL_ALIGN - 1);
}

static BlockHeader *CutFromPuddle(APPool *pool, size_t size)
{
    size_t need = sizeof(BlockHeader) + size;
    Puddle *p = pool->puddles;
    if (!p || p->used + need > POOL_PUDDLE) {
        p = static_cast<Puddle *>(std::malloc(sizeof(Puddle)));
        if (!p)
            return nullptr;
        p->next = pool->puddles;
        p->used = 0;
        pool->puddles = p;
    }
    BlockHeader *h = reinterpret_cast<BlockHeader *>(p->bytes + p->used);
    p->used += need;
    return h;
}

static BlockHeader *AllocSmall(APPool *pool, size_t size)
{
    size_t cls = size / POOL_ALIGN - 1;
    BlockHeader *h = pool->freelist[cls];
    if (h) {
        pool->freelist[cls] = h->next;
        return h;
    }
    return CutFromPuddle(pool, size);
}

static BlockHeader *AllocLarge(APPool *pool, size_t size)
{
    BlockHeader *h = static_cast<BlockHeader *>(std::malloc(sizeof(BlockHeader) + size));
    if (!h)
        return nullptr;
    h->prev = nullptr;
    h->next = pool->large;
    if (pool->large)
        pool->large->prev = h;
    pool->large = h;
    return h;
}

void *AllocPooled(APPool *pool, size_t size)
{
    if (!pool)
        return nullptr;
    size_t rsize = RoundSize(size ? size : 1);
    if (pool->limit && pool->inuse + rsize > pool->limit)
        return nullptr;
    BlockHeader *h = rsize <= POOL_SMALL_MAX ? AllocSmall(pool, rsize) : AllocLarge(pool, rsize);
    if (!h)
        return nullptr;
    h->size = rsize;
    h->magic = POOL_MAGIC_USED;
    pool->inuse += rsize;
    void *mem = h + 1;
    std::memset(mem, 0, rsize);
    return mem;
}

/* The size argument is only a cross-check: the header knows the truth. A
 * block that is not ours in use (given back twice, or foreign) is ignored. */
void FreePooled(APPool *pool, void *mem, size_t size)
{
    (void)size;
    if (!pool || !mem)
        return;
    BlockHeader *h = static_cast<BlockHeader *>(mem) - 1;
    if (h->magic != POOL_MAGIC_USED)
        return;
    h->magic = POOL_MAGIC_FREE;
    pool->inuse -= h->size;
    if (h->size <= POOL_SMALL_MAX) {
        size_t cls = h->size / POOL_ALIGN - 1;
        h->next = pool->freelist[cls];
        pool->freelist[cls] = h;
        return;
    }
    if (h->prev)
        h->prev->next = h->next;
    else
        pool->large = h->next;
    if (h->next)
        h->next->prev = h->prev;
    std::free(h);
}
