/*
 * fontsanitize.h - TrueType files made safe for the PDF library. libharu
 * trusts a font file blindly, so no file reaches it as found: the OpenType
 * Sanitizer (the program ots-sanitize, the checker browsers run on web
 * fonts) rewrites it, and only what it wrote is handed on, as bytes.
 *
 * What the sanitizer writes is kept in a cache the user's processes share,
 * `${XDG_CACHE_HOME:-~/.cache}/pagimo/fonts`, named by the SHA-256 of the
 * font file's contents: each font file is sanitized once, ever, and a file
 * changed in place has another name. Entries are written beside their name
 * and renamed into place, so jobs and windows running at once only ever
 * see whole entries; each carries the digest of its own bytes, and one
 * that no longer matches (changed by hand, cut short) is made again. A
 * font file that has not changed since its digest was taken is not read
 * again (filefacts.h).
 * Where no cache can be kept, the sanitizer writes into a private folder
 * (mode 0700, inside a working area) that is removed as a whole.
 */
#ifndef PAGIMO_PLATFORM_FONTSANITIZE_H
#define PAGIMO_PLATFORM_FONTSANITIZE_H

#include <cstddef>
#include <string>

enum SanitizeResult {
    SANITIZED,            /* the sanitized bytes are there */
    SANITIZE_REFUSED,     /* the sanitizer refused the file, crashed or ran too long */
    SANITIZE_NO_PROGRAM,  /* ots-sanitize could not be started */
    SANITIZE_NO_FOLDER,   /* neither the cache nor a private folder could be made */
};

extern const char *const SANITIZER_PROGRAM;
extern int SanitizeMillis; /* the longest one run of the sanitizer may take */

/* The cache's host path, made when missing; empty when it cannot be. */
std::string FontCacheFolder(void);
bool FontCopiesOpen(const char *area);
void FontCopiesClose(void);
const char *FontCopiesFolder(void);
/* The sanitized bytes of a font: the cache's entry mapped into memory,
 * which its pages are read into only as they are used, or a copy. An
 * entry is never changed in place, only replaced by renaming: one cut
 * short by hand while it is mapped would end the program. */
struct FontBytes {
    std::string copy;   /* the bytes, when they are not mapped */
    const char *mapped; /* the entry mapped, or null */
    size_t size;        /* of the font, without the entry's seal */
    size_t length;      /* of the mapping */
};
const char *FontData(const FontBytes &bytes);
void FreeFontBytes(FontBytes *bytes);
/* The sanitized bytes of the font file `path` (a program path), in
 * `bytes`, which are free. */
SanitizeResult SanitizeFont(const char *path, FontBytes *bytes);

#endif
