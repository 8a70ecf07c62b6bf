/*
 * utilities.cpp - string and file helpers (see utilities.h).
 *
 * Relies on APMemPool for pooled strings and on the user's locale (from the
 * environment) for the month names of date texts. Texts are 8-bit strings in
 * the program's character set (platform/charset.h).
 */
#include "text/utilities.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <string>
#include <strings.h>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/mempool.h"
#include "platform/strutil.h"

uint8_t bufferidx;

/* ------------------------------------------------------------ files */

/* An empty name or one ending in "/" names nothing, without asking the
 * file system. Directories exist as well as files. */
bool FileExists(const char *file)
{
    DebugPrint("-> FileExists(%s)\n", file ? file : "(null)");
    if (!file || !*file || file[std::strlen(file) - 1] == '/')
        return false;
    return PathExists(file);
}

static bool NameTaken(const char *path, const char *name)
{
    char work[512];
    Strlcpy(work, path, sizeof(work));
    if (!AddPart(work, name, sizeof(work)))
        return true;
    return FileExists(work);
}

/* Imported files keep their name when it is free in `path`, else get
 * "stem-001.ext", "stem-002.ext", ... The counter is 16 bits wide; when every
 * value is taken the search ends with 0 and an empty `nfn` instead of going
 * round for ever. A name without a dot gets the number at its end. */
int CreateFreeFilename(const char *path, const char *fn, char *nfn)
{
    DebugPrint("-> CreateFreeFilename(%s, %s)\n", path, fn);
    if (!NameTaken(path, fn)) {
        Strlcpy(nfn, fn, 256);
        return 1;
    }
    std::string stem(fn), ext;
    size_t dot = stem.rfind('.');
    if (dot != std::string::npos) {
        ext = stem.substr(dot + 1);
        stem.erase(dot);
    }
    uint16_t n = 1;
    for (uint32_t tries = 0; tries < 65536; tries++, n++) {
        if (dot != std::string::npos)
            std::snprintf(nfn, 256, "%s-%03d.%s", stem.c_str(), n, ext.c_str());
        else
            std::snprintf(nfn, 256, "%s-%03d", stem.c_str(), n);
        if (!NameTaken(path, nfn))
            return 1;
    }
    nfn[0] = '\0';
    return 0;
}

/* ------------------------------------------------------------ strings */

/* A pooled copy of `string`, with " <index>" behind it when index is not 0.
 * A given size that is too small cuts the text; it never overflows. */
char *AllocString(const char *string, long index, size_t size)
{
    char suffix[24] = "";
    if (index != 0)
        std::snprintf(suffix, sizeof(suffix), " %ld", index);
    if (size == 0)
        size = std::strlen(string) + std::strlen(suffix) + 2;
    char *s = static_cast<char *>(AllocPooled(APMemPool, size));
    if (!s)
        return nullptr;
    std::snprintf(s, size, "%s%s", string, suffix);
    return s;
}

void FreeString(char *string)
{
    if (string)
        FreePooled(APMemPool, string, std::strlen(string) + 1);
}

/* ------------------------------------------------------------ dates */

uint32_t putcharfunc(Hook *hook, void *loc, uint32_t c)
{
    (void)loc;
    static_cast<char *>(hook->h_Data)[bufferidx++] = char(c);
    return 0;
}

/* The user's locale from the environment, made once; "C" when the
 * environment names one that is not installed. */
static locale_t UserLocale(void)
{
    static locale_t loc = nullptr;
    if (!loc)
        loc = newlocale(LC_ALL_MASK, "", nullptr);
    if (!loc)
        loc = newlocale(LC_ALL_MASK, "C", nullptr);
    return loc;
}

static void FormatLocal(const char *tmpl, char *out, size_t size)
{
    std::time_t now = std::time(nullptr);
    std::tm tm;
    localtime_r(&now, &tm);
    char raw[256];
    locale_t loc = UserLocale();
    if (!strftime_l(raw, sizeof(raw), tmpl, &tm, loc))
        raw[0] = '\0';
    if (!strcasecmp(nl_langinfo_l(CODESET, loc), "UTF-8"))
        CharsetFromUtf8(raw, out, size);
    else
        Strlcpy(out, raw, size);
}

/* Date texts show the locale's abbreviated month name ("06-Dec-2026"); time
 * texts and the project stamps use numbers only. At most size - 1 characters
 * reach `text`. */
void ActualDate(uint32_t id, char *text, size_t size)
{
    DebugPrint("-> ActualDate(%u)\n", id);
    const char *tmpl = id == DATE_TEXT    ? "%d-%b-%Y"
                       : id == TIME_TEXT  ? "%H:%M"
                       : id == DATE_STAMP ? "%d %m %Y %H %M"
                                          : nullptr;
    if (!tmpl || size == 0)
        return;
    char formatted[256];
    FormatLocal(tmpl, formatted, sizeof(formatted));
    Hook hook = {text};
    bufferidx = 0;
    for (const char *p = formatted; *p && bufferidx + 1u < size && bufferidx < 255; p++)
        putcharfunc(&hook, nullptr, (unsigned char)*p);
    putcharfunc(&hook, nullptr, 0);
}

/* ------------------------------------------------------------ comparing */

/* How far two names agree after their first character; the first characters
 * are never compared. An empty str2 scores 0 rather than read beyond it. */
uint32_t IdenticalChar(const char *str1, const char *str2)
{
    if (!str1 || !str2 || !*str2)
        return 0;
    uint32_t i = 0;
    while (str1[i] && str1[i + 1] == str2[i + 1])
        i++;
    return i;
}

bool InString(const char *sstr, const char *istr)
{
    size_t len = std::strlen(sstr), ilen = std::strlen(istr);
    if (len < ilen)
        return false;
    for (size_t pos = 0; pos + ilen <= len; pos++)
        if (!Strnicmp(sstr + pos, istr, ilen))
            return true;
    return false;
}

/* Appends up to n characters to out[0..cap-1], keeping room for the end. */
static void Append(char *out, size_t &olen, size_t cap, const char *s, size_t n)
{
    size_t room = cap - 1 - olen;
    if (n > room)
        n = room;
    std::memcpy(out + olen, s, n);
    olen += n;
}

/* Replaces the first (otf != 0) or every occurrence of rstr, ignoring case.
 * Inserted text is never scanned again. The result is cut to what both the
 * 2048-byte work buffer and the caller's ssize bytes can hold; an empty
 * search text changes nothing. */
void ReplaceString(char *sstr, size_t ssize, const char *rstr, const char *nstr, int otf)
{
    size_t len = std::strlen(sstr), flen = std::strlen(rstr), nlen = std::strlen(nstr);
    if (flen == 0 || len < flen || ssize == 0)
        return;
    char work[2048];
    size_t olen = 0;
    bool replaced = false;
    for (size_t pos = 0; pos < len;) {
        if ((!otf || !replaced) && pos + flen <= len && !Strnicmp(sstr + pos, rstr, flen)) {
            Append(work, olen, sizeof(work), nstr, nlen);
            pos += flen;
            replaced = true;
        } else {
            Append(work, olen, sizeof(work), sstr + pos, 1);
            pos++;
        }
    }
    work[olen] = '\0';
    Strlcpy(sstr, work, ssize);
}
