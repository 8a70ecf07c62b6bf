/*
 * garbage.h - removing imported files that no element uses any more.
 */
#ifndef PAGIMO_TEXT_GARBAGE_H
#define PAGIMO_TEXT_GARBAGE_H

#include <cstdint>

uint32_t GarbageCollection(void);

#endif
