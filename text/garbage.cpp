/*
 * garbage.cpp - the garbage collection of imported files: every plain file
 * in "PGT:PAG4/Texte" that no textbox names, and every one in
 * "PGT:PAG4/Bilder" that no picture names, is deleted. Names compare
 * exactly, as Linux names files: "A.txt" is not kept by a box of "a.txt".
 * A folder that cannot be listed is skipped.
 */
#include "text/garbage.h"

#include <cstdio>
#include <vector>

#include "core/settings.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "platform/files.h"

static uint32_t CollectFolder(const char *folder, uint8_t type)
{
    std::vector<DirEntry> entries;
    if (!ListDirectory(folder, entries))
        return 0;
    uint32_t count = 0;
    for (const DirEntry &e : entries) {
        if (e.kind != FK_FILE)
            continue;
        char path[512];
        std::snprintf(path, sizeof(path), "%s/%s", folder, e.name.c_str());
        if (FindFilename(type, path, nullptr, 127))
            continue;
        if (HistoryDeleteFile(path)) {
            DebugPrint("   removed %s\n", path);
            count++;
        }
    }
    return count;
}

uint32_t GarbageCollection(void)
{
    DebugPrint("-> GarbageCollection()\n");
    return CollectFolder("PGT:PAG4/Texte", ET_TEXTBOX) + CollectFolder("PGT:PAG4/Bilder", ET_PICTURE);
}
