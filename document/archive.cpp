/*
 * archive.cpp - opening and saving projects.
 *
 * The archive and the element file are not written yet: Open and Save
 * answer "cancelled" (1 and 9), which the main loop treats as nothing done
 * for Save and as a fresh empty project for Open.
 */
#include "document/archive.h"

#include "core/settings.h"

uint32_t OpenProject(void)
{
    DebugPrint("-> OpenProject(): projects cannot be opened yet\n");
    return 1;
}

uint32_t SaveProject(bool state)
{
    DebugPrint("-> SaveProject(%d): projects cannot be saved yet\n", state);
    return 9;
}
