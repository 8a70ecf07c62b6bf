/*
 * fuzz_catalog.cpp - the input as the user's catalog file: read by the
 * program's catalog reader, made the catalog in use, and every message and
 * label looked up through it (an id outside the messages too), as the
 * windows do when they are built. Each text must be a terminated string,
 * and the memory pool may not grow from one input to the next.
 */
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/settings.h"
#include "fuzz/scratch.h"
#include "gui/localisation.h"
#include "platform/mempool.h"

static volatile size_t sink;

static void LookUpEverything(void)
{
    for (int32_t id = -1; id <= MSG_COUNT; id++) {
        const char *text = GetString(&localeinfo, id);
        sink = sink + (text ? std::strlen(text) : 0);
    }
    LocalizeChooser();
    LocalizeRadioButtons();
    LocalizeHints();
}

/* What the memory pool holds after an input: a catalog taken and given up
 * again leaves it as it was, or a long run ends in a false out-of-memory. */
static void CheckPoolKept(void)
{
    static size_t before = SIZE_MAX;
    size_t now = PoolBytesInUse(APMemPool);
    if (now > before) {
        std::fprintf(stderr, "fuzz_catalog: the pool grew from %zu to %zu bytes\n", before, now);
        std::abort();
    }
    before = now;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!FuzzWriteFile("pagimo.catalog", data, size))
        return 0;
    std::string path = FuzzScratch() + "/pagimo.catalog";
    localeinfo.li_Catalog = OpenCatalogFile(path.c_str());
    LookUpEverything();
    CloseLocalisation();
    CheckPoolKept();
    return 0;
}
