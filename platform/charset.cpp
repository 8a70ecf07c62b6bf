/*
 * charset.cpp - Windows-1252 and UTF-8 (see charset.h).
 *
 * The five codes Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90,
 * 0x9D) map to the control characters of the same number, so every byte
 * survives a round trip. Characters without a code become "?".
 */
#include "platform/charset.h"

#include <cstdio>

static const uint16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

/* ------------------------------------------------------------ single chars */

uint32_t CharsetToUnicode(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return cp1252_high[c - 0x80];
    return c;
}

/* -1 when the character has no code in the set. */
int CharsetFromUnicode(uint32_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return int(u);
    for (int i = 0; i < 32; i++)
        if (cp1252_high[i] == u)
            return 0x80 + i;
    return -1;
}

/* Lower case of the letters of the set, accented ones included, as the
 * program's case-blind comparisons need. */
unsigned char CharToLower(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

/* ------------------------------------------------------------ strings */

void PutUtf8(std::string &out, uint32_t u)
{
    if (u < 0x80) {
        out += char(u);
    } else if (u < 0x800) {
        out += char(0xC0 | (u >> 6));
        out += char(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += char(0xE0 | (u >> 12));
        out += char(0x80 | ((u >> 6) & 0x3F));
        out += char(0x80 | (u & 0x3F));
    } else {
        out += char(0xF0 | (u >> 18));
        out += char(0x80 | ((u >> 12) & 0x3F));
        out += char(0x80 | ((u >> 6) & 0x3F));
        out += char(0x80 | (u & 0x3F));
    }
}

std::string CharsetToUtf8(const char *text)
{
    std::string out;
    for (const unsigned char *p = (const unsigned char *)text; p && *p; p++)
        PutUtf8(out, CharsetToUnicode(*p));
    return out;
}

/* Decodes one UTF-8 sequence; a malformed byte stands for itself (as
 * Latin-1) so that text from a file in the wrong encoding is not lost. */
static uint32_t NextUtf8(const unsigned char *&p)
{
    unsigned char c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c < 0x80 || extra == 0)
        return c;
    uint32_t u = c & (0x3F >> extra);
    for (int i = 0; i < extra; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return c;
        u = (u << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return u;
}

/* Writes at most size - 1 characters and a terminator; returns the length. */
size_t CharsetFromUtf8(const char *utf8, char *out, size_t size)
{
    if (!size)
        return 0;
    size_t n = 0;
    const unsigned char *p = (const unsigned char *)utf8;
    while (p && *p && n + 1 < size) {
        int c = CharsetFromUnicode(NextUtf8(p));
        out[n++] = char(c < 0 ? '?' : c);
    }
    out[n] = '\0';
    return n;
}

/* ------------------------------------------------------------ UTF-8 texts */

/* The code point at *pos, strictly decoded: a byte that starts no complete
 * sequence, an overlong form or a surrogate is not valid and stands for
 * itself. *pos moves past what was taken. */
uint32_t Utf8Next(const std::string &s, size_t *pos, bool *valid)
{
    unsigned char c = (unsigned char)s[*pos];
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    *valid = extra >= 0 && *pos + size_t(extra) < s.size();
    uint32_t u = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
    for (int i = 1; *valid && i <= extra; i++) {
        unsigned char k = (unsigned char)s[*pos + size_t(i)];
        *valid = (k & 0xC0) == 0x80;
        u = (u << 6) | (k & 0x3F);
    }
    static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (*valid && extra > 0)
        *valid = u >= least[extra] && u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
    *pos += *valid ? size_t(extra) + 1 : 1;
    return *valid ? u : c;
}

bool IsUtf8(const std::string &s)
{
    bool valid = true;
    for (size_t pos = 0; pos < s.size() && valid;)
        Utf8Next(s, &pos, &valid);
    return valid;
}

/* A text file's bytes as UTF-8: as they are when they are UTF-8, otherwise
 * taken as the program's 8-bit set. */
std::string TextFileToUtf8(const std::string &bytes)
{
    if (IsUtf8(bytes))
        return bytes;
    std::string out;
    for (unsigned char c : bytes)
        PutUtf8(out, CharsetToUnicode(c));
    return out;
}

/* The code point at *pos of a NUL-terminated text, read as NextUtf8
 * reads it (a byte that starts no sequence stands for itself), so that a
 * loop over a text moves on by at least one byte and never passes its
 * end. */
uint32_t Utf8At(const char *text, size_t *pos)
{
    const unsigned char *p = (const unsigned char *)text + *pos;
    uint32_t u = NextUtf8(p);
    *pos = size_t(p - (const unsigned char *)text);
    return u;
}

/* Characters named by code point ("U+02A4, U+2192"), for messages in the
 * 8-bit set, which cannot show them and where some would look like
 * others: the first `most`, then an ellipsis. */
std::string CodePointNames(const std::vector<uint32_t> &codes, size_t most)
{
    std::string list;
    for (size_t i = 0; i < codes.size() && i < most; i++) {
        char code[16];
        std::snprintf(code, sizeof(code), "%sU+%04X", i ? ", " : "", unsigned(codes[i]));
        list += code;
    }
    return codes.size() > most ? list + ", \x85" : list;
}
