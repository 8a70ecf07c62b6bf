/*
 * fuzz_archive.cpp - the input as a ".pfz" project archive, unpacked into
 * the working area "PGT:PAG4" as opening a project does and its element
 * file read. The archive lies in the scratch directory and "PGT:" points
 * into it; after each input every file the unpacking made must lie inside
 * "PGT:PAG4" (anything elsewhere is a fault), and the working area is
 * emptied for the next input.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/settings.h"
#include "document/elementfile.h"
#include "document/pagelist.h"
#include "fuzz/scratch.h"
#include "platform/files.h"
#include "platform/mempool.h"
#include "platform/ziparchive.h"

namespace fs = std::filesystem;

/* ------------------------------------------------------------ the scratch */

/* Only the archive, "T" with "PAG4" in it, and "fonts" may exist. */
static void CheckNothingOutside(const std::string &dir)
{
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec)) {
        std::string name = e.path().filename();
        bool known = name == "in.pfz" || name == "fonts" || name == "T";
        if (!known) {
            std::fprintf(stderr, "fuzz_archive: %s written outside the working area\n", name.c_str());
            std::abort();
        }
    }
    for (const auto &e : fs::directory_iterator(dir + "/T", ec)) {
        if (e.path().filename() != "PAG4") {
            std::fprintf(stderr, "fuzz_archive: T:%s written outside PAG4\n", e.path().filename().c_str());
            std::abort();
        }
    }
    if (!fs::is_empty(dir + "/fonts", ec)) {
        std::fprintf(stderr, "fuzz_archive: a file was written into FONTS:\n");
        std::abort();
    }
}

/* ------------------------------------------------------------ one input */

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &dir = FuzzScratch();
    /* Keeps a single input from filling the disk; real projects are far
     * smaller than this. */
    UnzipLimit = 64ull << 20;
    if (!FuzzWriteFile("in.pfz", data, size))
        std::abort();
    std::memset(&PDaten, 0, sizeof(PDaten));
    InitLists();
    DeleteAll("PGT:PAG4");
    std::string error;
    if (UnzipArchive((dir + "/in.pfz").c_str(), "PGT:", "PAG4", error) == UNZIP_OK)
        ReadElementFile(ElementFileName, 1920, 1200);
    FreeLists(0);
    CheckNothingOutside(dir);
    DeleteAll("PGT:PAG4");
    return 0;
}
