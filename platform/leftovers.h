/*
 * leftovers.h - the temporary files and folders the program writes beside
 * its results, held by their process while it lives, and the sweep that
 * removes those of processes that ended without removing them (a kill -9,
 * a crash, a power cut). Paths here are host paths.
 */
#ifndef PAGIMO_PLATFORM_LEFTOVERS_H
#define PAGIMO_PLATFORM_LEFTOVERS_H

#include <string>

enum LeftoverKind {
    LEFTOVER_JOB_AREA, /* "job-XXXXXX": the working area of a --pdf job, in T: */
    LEFTOVER_PDF,      /* ".pagimo-pdf-XXXXXX": a PDF being written, beside its target */
    LEFTOVER_ARCHIVE,  /* "NAME.pfz.new-XXXXXX": an archive being written, beside the project */
    LEFTOVER_FONT,     /* ".pagimo-font-XXXXXX": a font being sanitized, in the font cache */
};

/* Makes `path` (ending in "XXXXXX", replaced by the name made) a new file,
 * or a new folder, and holds it: the descriptor returned holds it until
 * ReleaseHeld, which comes after it has been renamed or removed. -1 with
 * errno when it cannot be made. */
int CreateHeld(std::string &path, bool folder);
void ReleaseHeld(int held);

/* Removes from `folder` the leftovers of that kind whose process has ended;
 * anything a running process holds, or that is not of that kind, stays. */
void SweepLeftovers(const std::string &folder, LeftoverKind kind);
/* The same for the folder that holds the file `host`. */
void SweepLeftoversBeside(const std::string &host, LeftoverKind kind);

#endif
