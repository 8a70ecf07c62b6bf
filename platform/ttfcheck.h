/*
 * ttfcheck.h - whether a TrueType file is whole enough to embed: every table
 * inside the file, and the tables a PDF writer walks (hmtx, loca, glyf,
 * cmap) consistent with the glyph count. Files that fail are never handed
 * to the PDF library, which trusts them blindly.
 */
#ifndef PAGIMO_PLATFORM_TTFCHECK_H
#define PAGIMO_PLATFORM_TTFCHECK_H

bool TrueTypeUsable(const char *path);

#endif
