/*
 * strutil.cpp - bounded copy and case-blind comparison (see strutil.h).
 */
#include "platform/strutil.h"

#include <cstring>

#include "platform/charset.h"

/* Copies at most size - 1 characters and always terminates (size > 0);
 * returns the length of src, so a result >= size means it was cut. */
size_t Strlcpy(char *dst, const char *src, size_t size)
{
    size_t len = std::strlen(src);
    if (size) {
        size_t n = len < size - 1 ? len : size - 1;
        std::memcpy(dst, src, n);
        dst[n] = '\0';
    }
    return len;
}

int Strnicmp(const char *a, const char *b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        int ca = CharToLower((unsigned char)a[i]), cb = CharToLower((unsigned char)b[i]);
        if (ca != cb || !ca)
            return ca - cb;
    }
    return 0;
}

int Stricmp(const char *a, const char *b)
{
    return Strnicmp(a, b, size_t(-1));
}
