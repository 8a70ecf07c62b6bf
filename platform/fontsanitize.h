/*
 * fontsanitize.h - TrueType files made safe for the PDF library. libharu
 * trusts a font file blindly, so no file reaches it as found: the OpenType
 * Sanitizer (the program ots-sanitize, the checker browsers run on web
 * fonts) rewrites it into a private folder, and only that copy is loaded.
 * The folder is made afresh for each use (mode 0700, inside a working area)
 * and removed as a whole, so a copy cannot change while it is being read.
 */
#ifndef PAGIMO_PLATFORM_FONTSANITIZE_H
#define PAGIMO_PLATFORM_FONTSANITIZE_H

#include <cstddef>

enum SanitizeResult {
    SANITIZED,            /* the copy is written */
    SANITIZE_REFUSED,     /* the sanitizer refused the file, crashed or ran too long */
    SANITIZE_NO_PROGRAM,  /* ots-sanitize could not be started */
    SANITIZE_NO_FOLDER,   /* the private folder could not be made */
};

extern const char *const SANITIZER_PROGRAM;
extern int SanitizeMillis; /* the longest one run of the sanitizer may take */

bool FontCopiesOpen(const char *area);
void FontCopiesClose(void);
const char *FontCopiesFolder(void);
SanitizeResult SanitizeFont(const char *path, char *copy, size_t size);

#endif
