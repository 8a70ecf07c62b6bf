/*
 * pdftextbox.cpp - a textbox's lines in its PDF page (see pdftextbox.h).
 *
 * Relies on the textbox walk (text/textbox.h), which hands over the very
 * lines the page view draws, with the screen font's line pitch; only the
 * horizontal placement here uses the PDF font. The element drawer has
 * opened the text object and set the font; the lines, UTF-8, are set in
 * that font's Unicode face (pdffonts.h). The start of a box that continues
 * a chain is the `textpos` of the box before it, which the export lays out
 * for every chain before the pages are drawn; that layout keeps the lines,
 * which are set from there.
 *
 * A CID font's blank is a two-byte code, to which the PDF's word spacing
 * does not apply: where blanks widen (a justified line, or a font whose
 * PDF blank differs from the screen's), each word is placed on its own.
 * The characters the font lacks are noted by font, and the chains whose
 * text does not fit their boxes by the page of their last box, for the
 * export to say once it is written.
 *
 * Invariant: no object with a destructor lives in these frames; a libharu
 * error jumps from inside them back to the export, which then ends the
 * line iteration.
 */
#include "pdf/pdftextbox.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "document/pagelist.h"
#include "document/placeholders.h"
#include "document/records.h"
#include "gui/localisation.h"
#include "pdf/pdffonts.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/screenfont.h"
#include "text/textbox.h"

struct PdfBox {
    HPDF_Page page;
    HPDF_Font font;    /* the Unicode face; null for a built-in font */
    const char *fontname;
    bool looked;       /* `lacks` holds the ASCII characters the font lacks */
    bool lacks[128];
    bool lacking;      /* the font lacks a printable one of them */
    uint32_t seen[8];  /* characters beyond ASCII already looked at, */
    uint32_t nseen;    /* the latest in seen[nseen % 8] */
    float ssize;       /* the box's normal word spacing */
    int64_t left;      /* page-view pixels */
    uint32_t width;
    uint32_t align;
    uint32_t xstart, yend;
};

static uint32_t Blanks(const char *line)
{
    uint32_t n = 0;
    for (; *line; line++)
        n += *line == ' ';
    return n;
}

static_assert(TEXTBOX_MAX_GAP == HPDF_MAX_WORDSPACE, "the walk spreads a line only as far as libharu can");

/* The spacing that brings a justified line flush to the box's right edge,
 * within libharu's limits, which would end the export: a line that still
 * does not fit is set at the least spacing, and one the walk let through
 * although the PDF font's widths ask a hair more than the most (it
 * measured in the screen font) stops at the most, a little short of the
 * edge. A line without a blank cannot be stretched and keeps the spacing
 * in force. */
float BlockWordSpace(HPDF_Page page, const char *line, float width)
{
    uint32_t blanks = Blanks(line);
    float current = HPDF_Page_GetWordSpace(page);
    if (!blanks)
        return current;
    float bare = HPDF_Page_TextWidth(page, line) - current * float(blanks);
    float ws = (width - bare) / float(blanks);
    if (ws < PDF_MIN_WORDSPACE)
        return PDF_MIN_WORDSPACE;
    if (ws > float(TEXTBOX_MAX_GAP))
        return float(TEXTBOX_MAX_GAP);
    HPDF_Page_SetWordSpace(page, ws);
    /* rounding must not leave it a hair too wide */
    while (ws > PDF_MIN_WORDSPACE && HPDF_Page_TextWidth(page, line) > width) {
        ws = ws - 0.01f < PDF_MIN_WORDSPACE ? PDF_MIN_WORDSPACE : ws - 0.01f;
        HPDF_Page_SetWordSpace(page, ws);
    }
    return ws;
}

/* round half away from zero, then cut toward zero */
static int64_t Offset(const PdfBox *box, const char *line, double factor)
{
    double w = std::round(double(HPDF_Page_TextWidth(box->page, line)));
    return int64_t(std::trunc((double(box->width) - w) * factor));
}

/* ------------------------------------------------------------ glyphs */

/* The characters each font lacks, in the order they were met. */
static std::vector<std::pair<std::string, std::vector<uint32_t>>> lacking;

static void NoteLacking(const char *fontname, uint32_t cp)
{
    std::string name = fontname;
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".font") == 0)
        name.resize(name.size() - 5);
    auto font = std::find_if(lacking.begin(), lacking.end(), [&](const auto &f) { return f.first == name; });
    if (font == lacking.end())
        font = lacking.insert(lacking.end(), {name, {}});
    if (std::find(font->second.begin(), font->second.end(), cp) == font->second.end())
        font->second.push_back(cp);
}

/* The first byte of line[from, len) that is no printable ASCII character
 * (a blank to a tilde), or len; eight bytes at a time, as most lines hold
 * few other bytes or none. A word holds such a byte when a byte of it has
 * its top bit set, lies below a blank or is DEL. */
static size_t NextUnprintable(const char *line, size_t from, size_t len)
{
    const uint64_t ones = 0x0101010101010101ull, tops = ones * 0x80;
    for (; from + 8 <= len; from += 8) {
        uint64_t w, del;
        std::memcpy(&w, line + from, 8);
        del = w ^ (ones * 0x7F);
        if ((w & tops) || ((w - ones * 0x20) & ~w & tops) || ((del - ones) & ~del & tops))
            break;
    }
    while (from < len && line[from] >= 0x20 && line[from] < 0x7F)
        from++;
    return from;
}

/* The box's font has been asked about the character already. */
static bool Seen(PdfBox *box, uint32_t cp)
{
    for (uint32_t n = 0; n < 8 && n < box->nseen; n++)
        if (box->seen[n] == cp)
            return true;
    box->seen[box->nseen++ % 8] = cp;
    return false;
}

/* A character the font lacks prints as the missing-glyph box, as on
 * screen, and is noted; each one beyond ASCII takes every glyph it is
 * drawn with into the PDF. The ASCII characters are looked up once a box,
 * and a character beyond them is looked at once while it recurs. */
static void CheckGlyphs(PdfBox *box, const char *line)
{
    const ScreenFont *sf = TextboxFont();
    if (!sf)
        return;
    if (!box->looked)
        for (uint32_t c = 0; c < 128; c++)
            box->lacking |= (box->lacks[c] = !ScreenFontHasGlyph(sf, c)) && c >= 0x20 && c < 0x7F;
    box->looked = true;
    size_t len = std::strlen(line);
    for (size_t i = box->lacking ? 0 : NextUnprintable(line, 0, len); i < len;) {
        unsigned char c = (unsigned char)line[i];
        if (c < 0x80) {
            if (box->lacks[c])
                NoteLacking(box->fontname, c);
            i = box->lacking ? i + 1 : NextUnprintable(line, i + 1, len);
            continue;
        }
        uint32_t cp = Utf8At(line, &i);
        if (Seen(box, cp))
            continue;
        if (!ScreenFontHasGlyph(sf, cp))
            NoteLacking(box->fontname, cp);
        else if (box->font)
            EmbedGlyphs(box->font, ScreenFontGlyphParts(sf, cp));
    }
}

/* ------------------------------------------------------------ overflow */

/* A chain whose text does not fit its boxes, by the page of its last box,
 * for a record of a merge (-1 outside one). */
struct Overflow {
    long record;
    uint32_t page;
    std::string file;
    uint32_t left;
};
static std::vector<Overflow> overflows;

static uint32_t PageOf(const GElement *ge)
{
    uint32_t n = 1;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p), n++)
        for (Node *e = GetHead(&reinterpret_cast<PageNode *>(p)->page); e; e = GetSucc(e))
            if (e == &ge->node)
                return n;
    return 0;
}

/* `end`: where the box stopped. */
static void NoteOverflow(const GElement *ge, uint32_t end)
{
    uint32_t left = TextboxLeftOver(ge, end);
    if (left)
        overflows.push_back({MergedRecord(), PageOf(ge), FilePart(ge->edata.tbd.fn), left});
}

/* ------------------------------------------------------------ lines */

/* libharu writes each setting of the word spacing into the page: only a
 * change is set. */
static void WordSpace(HPDF_Page page, float ws)
{
    if (HPDF_Page_GetWordSpace(page) != ws)
        HPDF_Page_SetWordSpace(page, ws);
}

/* The line from (x, y), every blank `extra` points wider than the font's
 * own: word by word, each with its blank, unless no blank widens. */
static void SetWords(const PdfBox *box, float x, float y, char *line, float extra)
{
    WordSpace(box->page, 0.0f);
    if (std::fabs(extra) < 0.001f || !std::strchr(line, ' ')) {
        HPDF_Page_TextOut(box->page, x, y, line);
        return;
    }
    char *word = line;
    for (char *blank; (blank = std::strchr(word, ' ')) != nullptr; word = blank + 1) {
        char after = blank[1];
        blank[1] = '\0';
        HPDF_Page_TextOut(box->page, x, y, word);
        x += HPDF_Page_TextWidth(box->page, word) + extra;
        blank[1] = after;
    }
    if (*word)
        HPDF_Page_TextOut(box->page, x, y, word);
}

/* A built-in font sets the line in the 8-bit set, "?" for what it lacks. */
static void EightBit(char *line)
{
    static char narrow[TEXTBOX_LINE];
    CharsetFromUtf8(line, narrow, sizeof(narrow));
    std::strcpy(line, narrow);
}

/* A right, centred or justified line is measured with the box's normal
 * word spacing in force. */
static void SetPdfLine(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    PdfBox *box = static_cast<PdfBox *>(data);
    CheckGlyphs(box, line);
    if (!box->font)
        EightBit(line);
    if (box->align == 1 || box->align == 2 || (box->align == 3 && result == TBL_BROKEN))
        WordSpace(box->page, box->ssize);
    int64_t xoff = 0;
    float spacing = box->ssize;
    if (box->align == 1)
        xoff = Offset(box, line, 1.0);
    else if (box->align == 2)
        xoff = Offset(box, line, 0.5);
    else if (box->align == 3 && result == TBL_BROKEN)
        spacing = BlockWordSpace(box->page, line, float(box->width));
    float x = float(box->left + xoff - int64_t(box->xstart));
    float y = float(int64_t(box->yend) - int64_t(top) - int64_t(size));
    SetWords(box, x, y, line, spacing);
}

/* Sets the box's lines from where the box before it in its chain ends.
 * Always 1; nothing is written back into the project. */
int DrawOwnPDFTextboxElement(HPDF_Page page, GElement *element, HPDF_Font font, float ssize,
                             uint32_t xstart, uint32_t yend)
{
    uint32_t start = LaidOutTextboxStart(element);
    PdfBox box;
    box.page = page;
    box.font = GetharuUnicodeFont(font);
    if (box.font)
        HPDF_Page_SetFontAndSize(page, box.font, HPDF_Page_GetCurrentFontSize(page));
    box.fontname = element->edata.tbd.fontname;
    box.looked = box.lacking = false;
    box.nseen = 0;
    box.ssize = ssize;
    box.left = element->sx < element->ex ? element->sx : element->ex;
    box.width = element->sx > element->ex ? element->sx - element->ex : element->ex - element->sx;
    box.align = element->edata.tbd.align;
    box.xstart = xstart, box.yend = yend;
    NoteOverflow(element, WalkLaidOutTextbox(element, start, SetPdfLine, &box));
    return 1;
}

/* ------------------------------------------------------------ notes */

/* The catalog message `msg` with its "%s" filled in turn by `texts`. */
static std::string Filled(int msg, std::initializer_list<std::string> texts)
{
    std::string out;
    auto next = texts.begin();
    for (const char *p = GetString(&localeinfo, msg); *p; p++) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == '%')) {
            out += p[1] == '%' ? "%" : next != texts.end() ? *next++ : "";
            p++;
        } else {
            out += *p;
        }
    }
    return out;
}

std::vector<std::string> TakeTextboxNotes(void)
{
    std::vector<std::string> notes;
    for (const Overflow &o : overflows) {
        std::string page = std::to_string(o.page), left = std::to_string(o.left);
        notes.push_back(o.record < 0 ? Filled(MSG_TEXT_OVERFLOW, {page, o.file, left})
                                     : Filled(MSG_MERGE_OVERFLOW, {std::to_string(o.record + 1), page, o.file, left}));
    }
    overflows.clear();
    for (const auto &font : lacking)
        notes.push_back(Filled(MSG_MISSING_GLYPHS, {font.first, CodePointNames(font.second, 12)}));
    lacking.clear();
    return notes;
}
