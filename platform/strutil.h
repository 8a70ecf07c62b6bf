/*
 * strutil.h - bounded copies and case-blind comparison of the program's
 * 8-bit texts (accented letters compare as their other case too).
 */
#ifndef PAGIMO_PLATFORM_STRUTIL_H
#define PAGIMO_PLATFORM_STRUTIL_H

#include <cstddef>

size_t Strlcpy(char *dst, const char *src, size_t size);
int Stricmp(const char *a, const char *b);
int Strnicmp(const char *a, const char *b, size_t n);

#endif
