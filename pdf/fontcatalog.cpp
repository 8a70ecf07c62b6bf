/*
 * fontcatalog.cpp - the font catalogue and TrueType metrics (see
 * fontcatalog.h).
 *
 * Relies on the drawer "FONTS:_TrueType" and the "FONTS:<name>.font" and
 * ".otag" files (written at start-up by platform/fontinstall.cpp), on the
 * screen font service for baselines and screen widths, on AllocString and
 * APMemPool for the texts it keeps, and on the font chooser GID_FONTS of
 * the project window. Every number in a TrueType file is big-endian; every
 * read of one is bounded and checked, so a damaged file only goes unnamed.
 * The names are kept as facts about the files (filefacts.h).
 */
#include "pdf/fontcatalog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "gui/layouts.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/filefacts.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/utilities.h"

#define TT_DRAWER "FONTS:_TrueType"

enum { MAX_FONTS = 80, NAMEBUF = 256, TAGFILE_MAX = 65536 };
static const char FACT_NAME[] = "font-name"; /* of a TrueType file: its full name */

FontInfoRec FontInfo[81];
const char *nfont[81], *ifont[81], *bfont[81], *bifont[81];
const char *nfont_chooser[81], *ifont_chooser[81], *bfont_chooser[81], *bifont_chooser[81];
const char *fontconv[321][3];
uint32_t fontconv_count;

static const char **const namelists[4] = {nfont, ifont, bfont, bifont};
static const char **const labellists[4] = {nfont_chooser, ifont_chooser, bfont_chooser, bifont_chooser};

/* ------------------------------------------------------------ the lists */

const char *const *FontNames(int style)
{
    return style >= 0 && style <= 3 ? namelists[style] : nullptr;
}

const char *const *FontLabels(int style)
{
    return style >= 0 && style <= 3 ? labellists[style] : nullptr;
}

static int ListLength(const char *const *list)
{
    int n = 0;
    while (n < MAX_FONTS && list[n])
        n++;
    return n;
}

/* ------------------------------------------------------------ the scan */

static void ExamineEntry(const DirEntry &e, FontInfoRec &rec);

/* The texts of an earlier scan are left to the pool: a test may already
 * have deleted the pool they came from. */
static void ClearCatalogue(void)
{
    std::memset(FontInfo, 0, sizeof(FontInfo));
    for (int s = 0; s < 4; s++) {
        std::memset(namelists[s], 0, sizeof(nfont));
        std::memset(labellists[s], 0, sizeof(nfont_chooser));
    }
    std::memset(fontconv, 0, sizeof(fontconv));
    fontconv_count = 0;
    std::memset(fontlabels, 0, sizeof(fontlabels));
}

void LookforTTFonts(void)
{
    DebugPrint("-> LookforTTFonts()\n");
    ClearCatalogue();
    std::vector<DirEntry> entries;
    if (ListDirectory(TT_DRAWER, entries)) {
        for (size_t i = 0; i < entries.size() && i < MAX_FONTS; i++)
            ExamineEntry(entries[i], FontInfo[i]);
    }
    std::memcpy(fontlabels, nfont_chooser, sizeof(fontlabels));
    SaveFileFacts();
}


/* The name with the style words taken out, blanks left where they were. */
static void MakeLabel(const char *name, uint8_t style, char *label, size_t size)
{
    Strlcpy(label, name, size);
    if (style & 1) {
        ReplaceString(label, size, "Oblique", "", 1);
        ReplaceString(label, size, "Italic", "", 1);
    }
    if (style & 2)
        ReplaceString(label, size, "Bold", "", 1);
}

/* A font that cannot have its texts (no memory) is left out whole. */
static void AddFont(const char *path, const char *name, uint8_t style)
{
    char label[NAMEBUF];
    MakeLabel(name, style, label, sizeof(label));
    int n = ListLength(namelists[style]);
    if (n >= MAX_FONTS || fontconv_count >= 321)
        return;
    char *texts[4] = {AllocString(name, 0, 0), AllocString(label, 0, 0), AllocString(path, 0, 0),
                      AllocString("", 0, 0)};
    if (!texts[0] || !texts[1] || !texts[2] || !texts[3]) {
        for (char *t : texts)
            FreeString(t);
        return;
    }
    namelists[style][n] = texts[0];
    labellists[style][n] = texts[1];
    labellists[style][n + 1] = nullptr;
    fontconv[fontconv_count][0] = texts[2];
    fontconv[fontconv_count][1] = texts[0];
    fontconv[fontconv_count][2] = texts[3];
    fontconv_count++;
}

/* Every examined entry has its record; only a font with a system font of
 * the same name enters the lists. */
static void ExamineEntry(const DirEntry &e, FontInfoRec &rec)
{
    char path[NAMEBUF], name[NAMEBUF], fontfile[NAMEBUF + 16];
    /* A link counts as a file when it leads to one (FontFileName): the fonts
     * of the host come into the drawer as links. */
    if (std::snprintf(path, sizeof(path), TT_DRAWER "/%s", e.name.c_str()) >= int(sizeof(path)) ||
        (e.kind != FK_FILE && e.kind != FK_LINK))
        return;
    DebugPrint("LookforTTFonts: %s\n", path);
    if (!FontFileName(path, name))
        return;
    std::snprintf(fontfile, sizeof(fontfile), "FONTS:%s.otag", name);
    if (Strlcpy(rec.filename, fontfile, sizeof(rec.filename)) >= sizeof(rec.filename))
        rec.filename[0] = '\0'; /* a cut path would name another font */
    std::snprintf(fontfile, sizeof(fontfile), "FONTS:%s.font", name);
    if (!rec.filename[0] || !FileExists(fontfile))
        return;
    rec.style = GetFontStyle(name);
    AddFont(path, name, rec.style);
}

/* ------------------------------------------------------------ naming table */

static uint16_t Be16(const uint8_t *p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

static uint32_t Be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

static bool ReadBytes(FILE *f, uint8_t *buf, size_t n)
{
    return std::fread(buf, 1, n, f) == n;
}

static bool SeekTo(FILE *f, uint64_t offset)
{
    return offset <= 0x7FFFFFFF && std::fseek(f, long(offset), SEEK_SET) == 0;
}

/* The offset of the "name" table from the table directory. */
static bool FindNameTable(FILE *f, uint32_t *offset)
{
    uint8_t head[12], rec[16];
    if (!ReadBytes(f, head, sizeof(head)))
        return false;
    for (uint16_t i = 0, n = Be16(head + 4); i < n; i++) {
        if (!ReadBytes(f, rec, sizeof(rec)))
            return false;
        if (!Strnicmp(reinterpret_cast<const char *>(rec), "name", 4)) {
            *offset = Be32(rec + 8);
            return true;
        }
    }
    return false;
}

/* The full name (id 4) for the Windows platform in US English, any
 * encoding: its length and its position in the file. */
static bool FindFullName(FILE *f, uint32_t table, uint16_t *length, uint64_t *pos)
{
    uint8_t head[6], rec[12];
    if (!SeekTo(f, table) || !ReadBytes(f, head, sizeof(head)))
        return false;
    for (uint16_t i = 0, n = Be16(head + 2); i < n; i++) {
        if (!ReadBytes(f, rec, sizeof(rec)))
            return false;
        if (Be16(rec) == 3 && Be16(rec + 6) == 4 && Be16(rec + 4) == 0x409) {
            *length = Be16(rec + 8);
            *pos = uint64_t(table) + Be16(head + 4) + Be16(rec + 10);
            return true;
        }
    }
    return false;
}

/* Keeps the non-zero bytes of the name: for the UTF-16 text of Latin
 * letters these are the 8-bit characters. A record longer than the 256-byte
 * buffer is read up to the buffer's end. */
bool GetTTRealFontname(const char *filename, char *ttrname, size_t size)
{
    DebugPrint("-> GetTTRealFontname(%s)\n", filename ? filename : "(null)");
    if (!ttrname || size == 0)
        return false;
    ttrname[0] = '\0';
    FILE *f = filename ? OpenFile(filename, "rb") : nullptr;
    if (!f)
        return false;
    uint32_t table;
    uint16_t length;
    uint64_t pos;
    uint8_t buf[NAMEBUF];
    size_t n = 0;
    bool ok = FindNameTable(f, &table) && FindFullName(f, table, &length, &pos) && length / 2u < size;
    if (ok) {
        n = length < sizeof(buf) ? length : sizeof(buf);
        ok = SeekTo(f, pos) && ReadBytes(f, buf, n);
    }
    std::fclose(f);
    size_t out = 0;
    for (size_t i = 0; ok && i < n && out + 1 < size; i++)
        if (buf[i])
            ttrname[out++] = char(buf[i]);
    ttrname[out] = '\0';
    return out > 0;
}

/* The full name of the regular file `path` (links followed) as
 * GetTTRealFontname reads it into 255 bytes, known without reading the
 * file while it stands as it stood when it was read (filefacts.h): a
 * start-up names every font of the drawer, twice. A file without a name is
 * kept as such, with an empty name. */
bool FontFileName(const char *path, char name[256])
{
    std::string host = HostPath(path);
    FileStamp before, after;
    name[0] = '\0';
    if (!StampPath(host, &before))
        return false; /* a folder, or a pipe that would never end */
    if (const std::string *fact = FileFact(before, FACT_NAME)) {
        Strlcpy(name, fact->c_str(), 256);
        return !fact->empty();
    }
    bool named = GetTTRealFontname(path, name, 255);
    if (StampPath(host, &after) && SameStamp(before, after))
        KeepFileFact(before, FACT_NAME, named ? name : "");
    return named;
}

/* ------------------------------------------------------------ styles */

/* The words count inside longer words too: "Semibold" is bold. */
uint8_t GetFontStyle(const char *fontname)
{
    std::string lower(fontname ? fontname : "");
    for (char &c : lower)
        c = char(CharToLower((unsigned char)c));
    bool italic = lower.find("oblique") != std::string::npos || lower.find("italic") != std::string::npos;
    bool bold = lower.find("bold") != std::string::npos;
    return uint8_t((italic ? 1 : 0) | (bold ? 2 : 0));
}

/* ------------------------------------------------------------ metrics */

/* The request's name, also when its field has no terminator. */
static std::string RequestName(const TextAttr *ta)
{
    return std::string(ta->ta_Name, strnlen(ta->ta_Name, sizeof(ta->ta_Name)));
}

/* The divisor d of a tag file as read byte by byte: the byte two places
 * after the first byte of value 100 within the first 150 bytes, 109 when
 * there is no such byte, 0 when the file ends before d. */
static uint32_t TagFileDivisor(FILE *f)
{
    for (int i = 0; i < 150; i++) {
        int c = std::fgetc(f);
        if (c == EOF)
            break;
        if (c != 100)
            continue;
        if (std::fgetc(f) == EOF)
            return 0;
        c = std::fgetc(f);
        return c == EOF ? 0 : uint32_t(c);
    }
    return 109;
}

/* A factor of 100 / 0 gives no size at all; the plain pixel size is the
 * nearest sound answer, as for a font without a tag file. */
static double RealSize(const TextAttr *ta)
{
    std::string name = RequestName(ta);
    size_t len = name.size();
    if (len >= 5 && !Stricmp(name.c_str() + len - 5, ".font"))
        name.erase(len - 5);
    std::string path = "Fonts:" + name + ".otag";
    FILE *f = FileExists(path.c_str()) ? OpenFile(path.c_str(), "rb") : nullptr;
    if (!f)
        return ta->ta_YSize;
    uint32_t d = TagFileDivisor(f);
    std::fclose(f);
    return d ? ta->ta_YSize * (100.0 / d) - 0.5 : double(ta->ta_YSize);
}

bool GetFontData(const TextAttr *atext, uint32_t *base, double *rsize)
{
    DebugPrint("-> GetFontData(%s, %u)\n", RequestName(atext).c_str(), atext->ta_YSize);
    *base = 0;
    if (rsize)
        *rsize = RealSize(atext);
    std::string name = RequestName(atext);
    if (ScreenFont *sf = OpenScreenFont(name.c_str(), atext->ta_YSize)) {
        *base = ScreenFontBaseline(sf);
        CloseScreenFont(sf);
    }
    return *base != 0;
}

/* A request "X.font" finds the record of "FONTS:X.otag": the comparison
 * runs up to and including the dot. */
static const FontInfoRec *FindFontInfo(const std::string &name)
{
    if (name.size() <= 4)
        return nullptr;
    for (const FontInfoRec &rec : FontInfo)
        if (std::strlen(rec.filename) > 6 && !Strnicmp(rec.filename + 6, name.c_str(), name.size() - 4))
            return &rec;
    return nullptr;
}

/* The screen's width of one blank in whole pixels; 0 without a screen font. */
static int32_t ScreenBlank(const TextAttr *ta)
{
    ScreenFont *sf = OpenScreenFont(RequestName(ta).c_str(), ta->ta_YSize);
    if (!sf)
        return 0;
    int32_t width = int32_t(ScreenFontTextLength(sf, "          ", 10) / 10);
    CloseScreenFont(sf);
    return width;
}

/* Reads the whole tag file into the pool; null when it cannot. The values
 * of OT_Indirect items are offsets into this very buffer already, so the
 * walk needs no conversion, and it stops at the end tag or the buffer's end. */
static uint8_t *ReadTagFile(const char *path, size_t *size)
{
    FILE *f = OpenFile(path, "rb");
    if (!f)
        return nullptr;
    long len = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        len = std::ftell(f);
    uint8_t *buf = nullptr;
    if (len >= 0 && len <= TAGFILE_MAX && std::fseek(f, 0, SEEK_SET) == 0)
        buf = static_cast<uint8_t *>(AllocPooled(APMemPool, size_t(len)));
    if (buf && !ReadBytes(f, buf, size_t(len))) {
        FreePooled(APMemPool, buf, size_t(len));
        buf = nullptr;
    }
    std::fclose(f);
    *size = size_t(len);
    return buf;
}

/* The PDF size of a request and, in *ssize, the word spacing that widens
 * each blank from its screen width to the TrueType blank. Without a record
 * or a tag file the size is the pixel size and the spacing 0; a missing or
 * zero size factor gives the pixel size too. */
double GetTTFontSize(const TextAttr *ta, double *ssize)
{
    std::string name = RequestName(ta);
    DebugPrint("-> GetTTFontSize(%s, %u)\n", name.c_str(), ta->ta_YSize);
    *ssize = 0;
    double pixels = ta->ta_YSize;
    const FontInfoRec *rec = FindFontInfo(name);
    size_t size = 0;
    uint8_t *buf = rec ? ReadTagFile(rec->filename, &size) : nullptr;
    if (!buf)
        return pixels;
    uint32_t factor = 0, space = 2540;
    TagListValue(buf, size, OT_YSizeFactor, &factor);
    TagListValue(buf, size, OT_SpaceWidth, &space);
    FreePooled(APMemPool, buf, size);
    int32_t inspace = ScreenBlank(ta);
    int32_t ttspace = int32_t((space / 2540.0) * (pixels / 250.0) * 72.0);
    *ssize = double(ttspace - inspace);
    uint32_t num = factor >> 16, den = factor & 0xFFFF;
    return num && den ? pixels * num / den : pixels;
}

/* ------------------------------------------------------------ style switch */

/* Words of a face's name that say its weight or width rather than its
 * family; the style words themselves are already out of the labels. */
static bool IsFaceWord(const std::string &word)
{
    static const char *const words[] = {
        "thin", "hairline", "extralight", "ultralight", "light", "semilight", "demilight", "book",
        "regular", "normal", "roman", "medium", "semibold", "demibold", "extrabold", "ultrabold",
        "black", "heavy", "condensed", "semicondensed", "extracondensed", "ultracondensed",
        "narrow", "compressed", "expanded", "semiexpanded", "extraexpanded", "wide"};
    std::string lower;
    for (char c : word)
        lower += char(CharToLower((unsigned char)c));
    for (const char *w : words)
        if (lower == w)
            return true;
    return false;
}

/* Splits a chooser label into its family and the count of its weight and
 * width words: "DejaVu Sans  Condensed" is the family "DejaVu Sans" with
 * one such word. */
static std::string FamilyOf(const char *label, int *facewords)
{
    std::string family, word;
    *facewords = 0;
    for (const char *s = label;; s++) {
        if (*s && *s != ' ') {
            word += *s;
            continue;
        }
        if (!word.empty() && IsFaceWord(word))
            ++*facewords;
        else if (!word.empty())
            family += (family.empty() ? "" : " ") + word;
        word.clear();
        if (!*s)
            return family;
    }
}

/* The family's regular face in the list of a style: upright or italic as
 * the style says, with no weight or width word of its own (the plain
 * "DejaVu Sans Bold", never "DejaVu Sans Condensed Bold"); failing that,
 * the face of the family with the fewest such words. -1 when the style
 * holds no face of the family. */
static int RegularFace(uint32_t code, const std::string &family)
{
    int best = -1, fewest = 0;
    for (int i = 0; i < MAX_FONTS && labellists[code][i]; i++) {
        int words;
        if (FamilyOf(labellists[code][i], &words) != family)
            continue;
        if (best < 0 || words < fewest)
            best = i, fewest = words;
    }
    return best;
}

/* The old way for a face without a family in the new style: the font that
 * agrees longest with the one shown; the first of equal scores wins, index
 * 0 when none agrees. */
static int LongestAgreement(uint32_t code, const char *start)
{
    uint32_t best = 0;
    int winner = 0;
    for (int i = 0; i < MAX_FONTS; i++) {
        uint32_t score = IdenticalChar(namelists[code][i], start);
        if (score > best) {
            best = score;
            winner = i;
        }
    }
    return winner;
}

/* Keeps the chooser on the family shown: its regular face in the new
 * style, so that Bold and back gives "DejaVu Sans" again and not a light or
 * condensed face of it. */
void SetFontData(uint32_t oldcode, uint32_t code)
{
    DebugPrint("-> SetFontData(%u, %u)\n", oldcode, code);
    if (code > 3)
        return;
    int32_t index = GadgetNumber(GID_FONTS);
    const char *start = nullptr;
    int winner = -1;
    if (oldcode <= 3 && index >= 0 && index < MAX_FONTS && namelists[oldcode][index]) {
        int words;
        start = namelists[oldcode][index];
        winner = RegularFace(code, FamilyOf(labellists[oldcode][index], &words));
    }
    if (winner < 0)
        winner = LongestAgreement(code, start);
    GadgetSetLabels(GID_FONTS, labellists[code], ListLength(labellists[code]));
    GadgetSetNumber(GID_FONTS, winner);
}
