/*
 * mempool.h - the program's memory pool: blocks handed out and given back,
 * and everything still out freed at once when the pool is deleted.
 *
 * Blocks are cleared to zero when handed out. A pool can be given a limit on
 * the bytes it hands out, so that tests can drive the program's
 * "out of memory" paths; the program itself never sets one.
 */
#ifndef PAGIMO_PLATFORM_MEMPOOL_H
#define PAGIMO_PLATFORM_MEMPOOL_H

#include <cstddef>

struct APPool;

APPool *PoolCreate(void);
void PoolDelete(APPool *pool);
void *AllocPooled(APPool *pool, size_t size);
void FreePooled(APPool *pool, void *mem, size_t size);

void PoolSetLimit(APPool *pool, size_t bytes);   /* 0: no limit */
size_t PoolBytesInUse(const APPool *pool);
void PoolFailNextCreate(bool fail);              /* tests only */

#endif
