/*
 * ttfcheck.h - whether a TrueType file looks whole enough to offer: every
 * table inside the file, and the tables a PDF writer walks (hmtx, loca,
 * glyf, cmap) consistent with the glyph count. The font list uses it to
 * leave out fonts that could be shown but never embedded. It is a cheap
 * first look, not a guard: the PDF export hands libharu only copies made
 * by the font sanitizer (fontsanitize.h), which also refuses what this
 * check passes.
 */
#ifndef PAGIMO_PLATFORM_TTFCHECK_H
#define PAGIMO_PLATFORM_TTFCHECK_H

bool TrueTypeUsable(const char *path);

#endif
