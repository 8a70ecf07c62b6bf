/*
 * fuzz_catalog.cpp - the input as the user's catalog file: read by the
 * program's catalog reader, made the catalog in use, and every message and
 * label looked up through it (an id outside the messages too), as the
 * windows do when they are built. Each text must be a terminated string.
 */
#include <cstdint>
#include <cstring>

#include "fuzz/scratch.h"
#include "gui/localisation.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!FuzzWriteFile("pagimo.catalog", data, size))
        return 0;
    std::string path = FuzzScratch() + "/pagimo.catalog";
    localeinfo.li_Catalog = OpenCatalogFile(path.c_str());
    LookUpEverything();
    CloseLocalisation();
    return 0;
}
