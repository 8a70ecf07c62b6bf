/*
 * fontsanitize.cpp - the private font copies (see fontsanitize.h).
 *
 * ots-sanitize runs through the program's command runner (argument
 * vector, no shell, input and output on /dev/null, no other file of the
 * program open). It exits non-zero for a font it refuses. A run that
 * crashes, is killed or outlives SanitizeMillis counts as a refusal (an
 * overdue one is killed first), so neither a hostile font nor a broken
 * sanitizer can hang or end the program; a missing program is reported as
 * such, never taken as a pass.
 *
 * Invariant: folder[] is empty exactly when no private folder exists.
 */
#include "platform/fontsanitize.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/assign.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/strutil.h"

const char *const SANITIZER_PROGRAM = "ots-sanitize";
int SanitizeMillis = 10000;

static char folder[1024];  /* host path of the private folder */
static unsigned copies;    /* copies made in it, for their names */

/* ------------------------------------------------------------ the folder */

/* `area` is a program path ("PGT:"); the folder is made inside it. */
bool FontCopiesOpen(const char *area)
{
    FontCopiesClose();
    std::string tmpl = HostPath(area);
    if (tmpl.empty())
        return false;
    if (tmpl.back() != '/')
        tmpl += '/';
    tmpl += "fonts-XXXXXX";
    if (tmpl.size() >= sizeof(folder) - 32 || !mkdtemp(tmpl.data()))
        return false;
    Strlcpy(folder, tmpl.c_str(), sizeof(folder));
    copies = 0;
    return true;
}

void FontCopiesClose(void)
{
    if (folder[0])
        DeleteAll(folder);
    folder[0] = '\0';
}

const char *FontCopiesFolder(void)
{
    return folder;
}

/* ------------------------------------------------------------ the sanitizer */

/* A path the sanitizer cannot mistake for an option. */
static std::string Argument(const std::string &path)
{
    return !path.empty() && path[0] == '-' ? "./" + path : path;
}

static SanitizeResult RunSanitizer(const std::string &in, const std::string &out)
{
    int rc = RunCommandFor({SANITIZER_PROGRAM, Argument(in), Argument(out)}, SanitizeMillis);
    if (rc == RUN_NOT_STARTED)
        return SANITIZE_NO_PROGRAM;
    return rc == 0 ? SANITIZED : SANITIZE_REFUSED;
}

/* Sanitizes the font file `path` (a program path) into a new copy in the
 * private folder and puts the copy's host path into `copy`. */
SanitizeResult SanitizeFont(const char *path, char *copy, size_t size)
{
    if (!folder[0])
        return SANITIZE_NO_FOLDER;
    char name[64];
    std::snprintf(name, sizeof(name), "/font-%u.ttf", ++copies);
    std::string out = std::string(folder) + name;
    if (out.size() >= size)
        return SANITIZE_NO_FOLDER;
    SanitizeResult r = RunSanitizer(HostPath(path), out);
    struct stat st;
    /* A refusal may leave an empty or partial file behind. */
    if (r == SANITIZED && (lstat(out.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 12))
        r = SANITIZE_REFUSED;
    if (r != SANITIZED) {
        unlink(out.c_str());
        return r;
    }
    Strlcpy(copy, out.c_str(), size);
    return SANITIZED;
}
