/*
 * fuzz_elementfile.cpp - the input as a project's element file
 * "PGT:PAG4/Elemente.pff", read by the program's reader twice (keeping the
 * saved screen size, then shifted to another screen), its lists freed after
 * each read. Besides crashes, a read that leaves blocks of the memory pool
 * behind after the lists are freed is a fault: the pool would grow with
 * every project opened.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "core/settings.h"
#include "document/elementfile.h"
#include "document/pagelist.h"
#include "fuzz/scratch.h"
#include "platform/mempool.h"

static void ReadAndFree(uint32_t screenw, uint32_t screenh)
{
    std::memset(&PDaten, 0, sizeof(PDaten));
    InitLists();
    ReadElementFile(ElementFileName, screenw, screenh);
    FreeLists(0);
    if (PoolBytesInUse(APMemPool) != 0) {
        std::fprintf(stderr, "fuzz_elementfile: %zu pooled bytes left after freeing the lists\n",
                     PoolBytesInUse(APMemPool));
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &dir = FuzzScratch();
    mkdir((dir + "/T/PAG4").c_str(), 0700);
    if (!FuzzWriteFile("T/PAG4/Elemente.pff", data, size))
        std::abort();
    ReadAndFree(0, 0);
    ReadAndFree(1024, 768);
    return 0;
}
