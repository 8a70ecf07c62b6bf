/*
 * scratch.cpp - the fuzz harnesses' scratch directory (see scratch.h).
 * Relies on the assigns, the file layer and the memory pool, set up as the
 * unit tests do.
 */
#include "fuzz/scratch.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/mempool.h"

static std::string scratch;

/* ------------------------------------------------------------ setting up */

static void RemoveScratch(void)
{
    if (!scratch.empty())
        DeleteAll(scratch.c_str());
}

static void SetAssigns(void)
{
    mkdir((scratch + "/T").c_str(), 0700);
    mkdir((scratch + "/fonts").c_str(), 0700);
    setenv("PAGIMO_ASSIGN_T", (scratch + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fonts").c_str(), 1);
    setenv("PAGIMO_ASSIGN_TBIMAGES", (scratch + "/tbimages").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1);
    AssignInit();
    AssignPath("PGT:", "T:");
}

const std::string &FuzzScratch(void)
{
    if (!scratch.empty())
        return scratch;
    const char *base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pagimo-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        std::perror("pagimo-fuzz: scratch directory");
        std::abort();
    }
    scratch = tmpl;
    std::atexit(RemoveScratch);
    SetAssigns();
    Debug = 0;
    APMemPool = PoolCreate();
    return scratch;
}

/* ------------------------------------------------------------ the input */

bool FuzzWriteFile(const std::string &name, const uint8_t *data, size_t size)
{
    std::string path = FuzzScratch() + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
