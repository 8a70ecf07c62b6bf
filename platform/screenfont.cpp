/*
 * screenfont.cpp - screen fonts on FreeType (see screenfont.h).
 *
 * Relies on the ".font"/".otag" pair that fontinstall.cpp writes, on the
 * assign FONTS: (assign.h), on charset.h for the characters of the 8-bit
 * texts and the UTF-8 of textboxes, and on the RastPort's glyph runs. One FreeType library serves the
 * process, and a face once loaded stays open, keyed by the file's host path
 * and identity, so that repainting a page parses no font file again, until
 * CloseScreenFonts gives them all back at shutdown.
 * Widths and the baseline are computed from font units at the request's
 * exact em, never from hinted advances, so that the screen agrees with the
 * PDF, which uses the same numbers.
 */
#include "platform/screenfont.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/rastport.h"
#include "platform/strutil.h"

/* The glyphs of 256 code points from `first` on, looked up together the
 * first time one of them is measured. */
struct GlyphPage {
    FT_UInt gid[256];  /* 0: the font lacks the character */
    FT_Fixed adv[256]; /* font units */
};

enum { GLYPH_PAGES = 0x110000 / 256 };

/* A loaded TrueType file with the advance of each 8-bit character, and
 * the glyphs of the Unicode characters measured so far (textboxes). */
struct FaceEntry {
    FT_Face face;
    std::string file; /* the host path it was read from */
    FT_Fixed adv[256]; /* font units */
    GlyphPage *pages[GLYPH_PAGES];
    std::map<FT_UInt, std::vector<uint32_t>> parts; /* composite glyphs' parts */
};

struct ScreenFont {
    FaceEntry *fe;
    double em; /* pixels per em */
};

enum { TAGFILE_MAX = 65536 }; /* larger files are not tag files */
static constexpr double DRAW_EM_MAX = 2048; /* pixels; larger only from damaged sizes */

static FT_Library ftlib;
static std::map<std::string, FaceEntry *> faces; /* failures are kept as null */

static bool ReadSizeFactor(const char *name, uint32_t *num, uint32_t *den);
static FaceEntry *CachedFace(const std::string &host);

/* ------------------------------------------------------------ opening */

/* Null when the description files are missing or damaged, the TrueType
 * file does not load, or the size is 0. */
ScreenFont *OpenScreenFont(const char *name, uint16_t ysize)
{
    if (!name || !*name || ysize == 0)
        return nullptr;
    char ttpath[256];
    uint32_t num, den;
    if (!ReadFontFile(name, ttpath, sizeof(ttpath)) || !ReadSizeFactor(name, &num, &den))
        return nullptr;
    FaceEntry *fe = CachedFace(HostPath(ttpath));
    if (!fe)
        return nullptr;
    return new ScreenFont{fe, double(ysize) * num / den};
}

void CloseScreenFont(ScreenFont *font)
{
    delete font;
}

/* "FONTS:<name>": the marker line, then the TrueType file's program path. */
bool ReadFontFile(const char *name, char *ttpath, size_t size)
{
    char path[512];
    if (std::snprintf(path, sizeof(path), "FONTS:%s", name) >= int(sizeof(path)))
        return false;
    FILE *f = OpenFile(path, "rb");
    if (!f)
        return false;
    char magic[64], line[512];
    bool ok = std::fgets(magic, sizeof(magic), f) && std::fgets(line, sizeof(line), f);
    std::fclose(f);
    if (!ok)
        return false;
    magic[std::strcspn(magic, "\r\n")] = '\0';
    line[std::strcspn(line, "\r\n")] = '\0';
    return !std::strcmp(magic, SCREENFONT_MAGIC) && line[0] && Strlcpy(ttpath, line, size) < size;
}

/* The OT_YSizeFactor of "FONTS:<name without .font>.otag". */
static bool ReadSizeFactor(const char *name, uint32_t *num, uint32_t *den)
{
    size_t len = std::strlen(name);
    if (len <= 5 || Stricmp(name + len - 5, ".font") != 0)
        return false;
    char path[512];
    if (std::snprintf(path, sizeof(path), "FONTS:%.*s.otag", int(len - 5), name) >= int(sizeof(path)))
        return false;
    FILE *f = OpenFile(path, "rb");
    if (!f)
        return false;
    static uint8_t buf[TAGFILE_MAX];
    size_t n = std::fread(buf, 1, sizeof(buf), f);
    std::fclose(f);
    uint32_t v;
    if (!TagListValue(buf, n, OT_YSizeFactor, &v))
        return false;
    *num = v >> 16;
    *den = v & 0xFFFF;
    return *num != 0 && *den != 0;
}

/* ------------------------------------------------------------ faces */

/* Whoever ends without the program's shutdown (the tests, a job that
 * exits early) still gives the faces back: the first start of FreeType
 * registers the closing with exit. */
static bool FreeTypeReady(void)
{
    static bool failed, registered;
    if (!ftlib && !failed && FT_Init_FreeType(&ftlib) != 0) {
        ftlib = nullptr;
        failed = true;
    }
    if (ftlib && !registered)
        registered = std::atexit(CloseScreenFonts) == 0;
    return ftlib != nullptr;
}

static FaceEntry *LoadFace(const std::string &host)
{
    FT_Face face;
    if (!FreeTypeReady() || FT_New_Face(ftlib, host.c_str(), 0, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    FaceEntry *fe = new FaceEntry();
    fe->face = face;
    fe->file = host;
    for (int c = 0; c < 256; c++) {
        FT_UInt gi = FT_Get_Char_Index(face, CharsetToUnicode((unsigned char)c));
        if (FT_Get_Advance(face, gi, FT_LOAD_NO_SCALE, &fe->adv[c]) != 0)
            fe->adv[c] = 0;
    }
    return fe;
}

/* The key holds the file's identity too, so a file replaced under the same
 * name is loaded afresh; the old face stays for fonts still open on it. */
static FaceEntry *CachedFace(const std::string &host)
{
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    std::string key = host + '|' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) +
                      ':' + std::to_string(st.st_size) + ':' + std::to_string(st.st_mtime);
    auto it = faces.find(key);
    if (it != faces.end())
        return it->second;
    return faces[key] = LoadFace(host);
}

/* The faces are shared by every screen font opened on them, so they can
 * only go when none is open any more: at shutdown. */
void CloseScreenFonts(void)
{
    for (auto &entry : faces) {
        if (entry.second) {
            FT_Done_Face(entry.second->face);
            for (GlyphPage *page : entry.second->pages)
                delete page;
            delete entry.second;
        }
    }
    faces.clear();
    if (ftlib)
        FT_Done_FreeType(ftlib);
    ftlib = nullptr;
}

/* ------------------------------------------------------------ metrics */

/* For the font installer; the face it loads is the one the screen will use. */
bool ReadTrueTypeMetrics(const char *ttpath, TrueTypeMetrics *m)
{
    FaceEntry *fe = ttpath ? CachedFace(HostPath(ttpath)) : nullptr;
    if (!fe)
        return false;
    m->unitsPerEm = fe->face->units_per_EM;
    m->ascender = fe->face->ascender;
    m->descender = fe->face->descender;
    m->blank = int32_t(fe->adv[' ']);
    return true;
}

static double Scale(const ScreenFont *font)
{
    return font->em / font->fe->face->units_per_EM;
}

uint32_t ScreenFontBaseline(const ScreenFont *font)
{
    if (!font || font->fe->face->ascender <= 0)
        return 0;
    return uint32_t(std::lround(font->fe->face->ascender * Scale(font)));
}

/* Rounded once for the whole text, so that a text is as wide as its parts
 * within a pixel. */
uint32_t ScreenFontTextLength(const ScreenFont *font, const char *text, size_t len)
{
    if (!font || !text)
        return 0;
    double units = 0;
    for (size_t i = 0; i < len; i++)
        units += double(font->fe->adv[(unsigned char)text[i]]);
    return uint32_t(std::lround(units * Scale(font)));
}

/* ------------------------------------------------------------ Unicode */

static const GlyphPage *PageOf(FaceEntry *fe, uint32_t cp)
{
    uint32_t first = cp & ~0xFFu;
    GlyphPage *&page = fe->pages[first >> 8];
    if (!page) {
        page = new GlyphPage;
        for (uint32_t i = 0; i < 256; i++) {
            page->gid[i] = FT_Get_Char_Index(fe->face, first + i);
            if (FT_Get_Advance(fe->face, page->gid[i], FT_LOAD_NO_SCALE, &page->adv[i]) != 0)
                page->adv[i] = 0;
        }
    }
    return page;
}

/* A character beyond Unicode is one the font lacks. */
static FT_UInt GlyphOf(const ScreenFont *font, uint32_t cp, FT_Fixed *adv)
{
    const GlyphPage *page = PageOf(font->fe, cp < 0x110000 ? cp : 0);
    uint32_t i = cp < 0x110000 ? cp & 0xFF : 0;
    if (adv)
        *adv = page->adv[i];
    return cp < 0x110000 ? page->gid[i] : 0;
}

/* The advance of a Unicode character in font units: a character the font
 * lacks is as wide as its missing-glyph box (glyph 0), which is drawn. */
double ScreenFontAdvance(const ScreenFont *font, uint32_t cp)
{
    FT_Fixed adv = 0;
    if (font)
        GlyphOf(font, cp, &adv);
    return double(adv);
}

bool ScreenFontHasGlyph(const ScreenFont *font, uint32_t cp)
{
    return font && GlyphOf(font, cp, nullptr) != 0;
}

/* A UTF-8 text, rounded once as ScreenFontTextLength rounds. */
uint32_t ScreenFontUtf8Length(const ScreenFont *font, const char *text, size_t len)
{
    if (!font || !text)
        return 0;
    double units = 0;
    for (size_t i = 0; i < len && text[i];)
        units += ScreenFontAdvance(font, Utf8At(text, &i));
    return uint32_t(std::lround(units * Scale(font)));
}

/* Every glyph a composite glyph is made of, however deep the nesting,
 * components before the glyphs they are made of; none for a simple glyph. */
static void CollectParts(FT_Face face, FT_UInt gid, int depth, std::vector<uint32_t> *parts)
{
    if (depth > 8 || FT_Load_Glyph(face, gid, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_COMPOSITE)
        return;
    std::vector<FT_Int> subs;
    for (FT_UInt i = 0; i < face->glyph->num_subglyphs; i++) {
        FT_Int index;
        FT_UInt flags;
        FT_Int a1, a2;
        FT_Matrix m;
        if (FT_Get_SubGlyph_Info(face->glyph, i, &index, &flags, &a1, &a2, &m) == 0)
            subs.push_back(index);
    }
    for (FT_Int sub : subs) {
        parts->push_back(uint32_t(sub));
        CollectParts(face, FT_UInt(sub), depth + 1, parts);
    }
}

/* The glyph the character `cp` draws and, after it, the glyphs it is
 * built from (see CollectParts); remembered per font file. */
const std::vector<uint32_t> &ScreenFontGlyphParts(const ScreenFont *font, uint32_t cp)
{
    static const std::vector<uint32_t> none;
    if (!font)
        return none;
    FT_UInt gid = GlyphOf(font, cp, nullptr);
    auto it = font->fe->parts.find(gid);
    if (it != font->fe->parts.end())
        return it->second;
    std::vector<uint32_t> parts = {gid};
    CollectParts(font->fe->face, gid, 0, &parts);
    return font->fe->parts[gid] = parts;
}

/* Pixels per font unit: a run of advances of `units` is
 * lround(units * scale) pixels wide. */
double ScreenFontUnitsScale(const ScreenFont *font)
{
    return font ? Scale(font) : 0.0;
}

/* ------------------------------------------------------------ drawing */

/* Glyph origins follow the same unhinted advances as the text length, so
 * a drawn text is exactly as wide as it was measured. A character the font
 * lacks draws its missing-glyph box. */
static void DrawCodes(const ScreenFont *font, RastPort *rp, int32_t x, int32_t baseline_y,
                      const std::vector<uint32_t> &codes)
{
    if (font->em > DRAW_EM_MAX || codes.empty())
        return;
    std::vector<uint32_t> glyphs;
    std::vector<double> offsets;
    double pen = 0;
    for (uint32_t cp : codes) {
        FT_Fixed adv;
        glyphs.push_back(GlyphOf(font, cp, &adv));
        offsets.push_back(pen * Scale(font));
        pen += double(adv);
    }
    DrawGlyphRun(rp, font->fe->file.c_str(), font->em, x, baseline_y, glyphs.data(), offsets.data(),
                 glyphs.size());
}

void ScreenFontDrawText(const ScreenFont *font, RastPort *rp, int32_t x, int32_t baseline_y,
                        const char *text, size_t len)
{
    if (!font || !rp || !text)
        return;
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < len; i++)
        codes.push_back(CharsetToUnicode((unsigned char)text[i]));
    DrawCodes(font, rp, x, baseline_y, codes);
}

void ScreenFontDrawUtf8(const ScreenFont *font, RastPort *rp, int32_t x, int32_t baseline_y,
                        const char *text, size_t len)
{
    if (!font || !rp || !text)
        return;
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < len && text[i];)
        codes.push_back(Utf8At(text, &i));
    DrawCodes(font, rp, x, baseline_y, codes);
}

/* ------------------------------------------------------------ tag lists */

static uint32_t Be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

/* The value of the first item with this tag; the walk ends at tag 0 or at
 * the end of the buffer, whichever comes first. */
bool TagListValue(const uint8_t *items, size_t size, uint32_t tag, uint32_t *value)
{
    for (size_t pos = 0; items && pos + 8 <= size; pos += 8) {
        uint32_t t = Be32(items + pos);
        if (t == 0)
            return false;
        if (t == tag) {
            *value = Be32(items + pos + 4);
            return true;
        }
    }
    return false;
}
