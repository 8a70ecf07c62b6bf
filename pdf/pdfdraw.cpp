/*
 * pdfdraw.cpp - one element into its PDF page: lines, rectangles, texts
 * with their outline entries and link annotations, and pictures in their
 * boxes. Page-view pixels become points by a translation and a flip
 * of the vertical axis.
 *
 * Invariant: no object with a destructor lives in these frames; a libharu
 * error jumps from inside them back to the export.
 */
#include "pdf/pdfdraw.h"

#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "document/headlines.h"
#include "document/pagelist.h"
#include "document/placeholders.h"
#include "document/properties.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "pdf/pdffonts.h"
#include "pdf/pdfpicture.h"
#include "pdf/pdftextbox.h"
#include "platform/strutil.h"
#include "text/textbox.h"
#include "text/utilities.h"

HPDF_Outline headlines[11];

/* PDF sizes and word spacings already worked out in this export: the font
 * metrics of a name and size never change while the program runs. */
enum { SIZE_CACHE = 64 };
struct SizeEntry {
    char name[86];
    uint16_t ysize;
    double size, ssize;
};
static SizeEntry size_cache[SIZE_CACHE];
static int size_cached;

/* The real sizes of the textboxes' fonts, which their leading follows,
 * kept alike: each box would read its font's description files again. */
static SizeEntry real_cache[SIZE_CACHE];
static int real_cached;

void ResetPdfSizes(void)
{
    size_cached = real_cached = 0;
}

static double FontSize(const TextAttr *ta, double *ssize)
{
    for (int i = 0; i < size_cached; i++)
        if (size_cache[i].ysize == ta->ta_YSize && !std::strcmp(size_cache[i].name, ta->ta_Name)) {
            *ssize = size_cache[i].ssize;
            return size_cache[i].size;
        }
    double size = GetTTFontSize(ta, ssize);
    if (size_cached < SIZE_CACHE) {
        SizeEntry &e = size_cache[size_cached++];
        Strlcpy(e.name, ta->ta_Name, sizeof(e.name));
        e.ysize = ta->ta_YSize, e.size = size, e.ssize = *ssize;
    }
    return size;
}

float ConvertX(uint32_t value, uint32_t start, uint32_t end)
{
    (void)end;
    return float(int64_t(value) - int64_t(start));
}

float ConvertY(uint32_t value, uint32_t start, uint32_t end)
{
    (void)start;
    return float(int64_t(end) - int64_t(value));
}

/* ------------------------------------------------------------ figures */

static void DrawLine(HPDF_Page p, const GElement *ge, uint32_t xs, uint32_t ye)
{
    HPDF_Page_MoveTo(p, ConvertX(ge->sx, xs, 0), ConvertY(ge->sy, 0, ye));
    HPDF_Page_LineTo(p, ConvertX(ge->ex, xs, 0), ConvertY(ge->ey, 0, ye));
    HPDF_Page_Stroke(p);
}

static void DrawRect(HPDF_Page p, const GElement *ge, uint32_t xs, uint32_t ye)
{
    uint32_t left = ge->sx < ge->ex ? ge->sx : ge->ex, bottom = ge->sy > ge->ey ? ge->sy : ge->ey;
    float w = float(ge->sx > ge->ex ? ge->sx - ge->ex : ge->ex - ge->sx);
    float h = float(ge->sy > ge->ey ? ge->sy - ge->ey : ge->ey - ge->sy);
    HPDF_Page_Rectangle(p, ConvertX(left, xs, 0), ConvertY(bottom, 0, ye), w, h);
    HPDF_Page_Stroke(p);
}

/* In the element's box, as the page view shows it; a box without area
 * (a record that never had one) takes the picture's own size from its
 * top-left corner, as the page view gives it when it loads the picture. */
static void DrawPicture(HPDF_Doc pdf, HPDF_Page p, const GElement *ge, uint32_t xs, uint32_t ye)
{
    HPDF_Image img = PdfPictureImage(pdf, ge->edata.pd.fn);
    if (!img)
        return;
    float w = float(ge->ex - ge->sx), h = float(ge->ey - ge->sy);
    if (ge->ex <= ge->sx || ge->ey <= ge->sy)
        w = float(HPDF_Image_GetWidth(img)), h = float(HPDF_Image_GetHeight(img));
    HPDF_Page_DrawImage(p, img, ConvertX(ge->sx, xs, 0), ConvertY(ge->sy, 0, ye) - h, w, h);
}

/* ------------------------------------------------------------ texts */

static void MakeRequest(TextAttr *ta, const char *fontname, uint32_t size)
{
    Strlcpy(ta->ta_Name, fontname, sizeof(ta->ta_Name));
    ta->ta_YSize = uint16_t(size);
}

/* The font name without its ".font". */
static void WorkName(char *work, const char *fontname)
{
    Strlcpy(work, fontname, 81);
    size_t len = std::strlen(work);
    work[len >= 5 ? len - 5 : 0] = '\0';
}

/* The element's font at its PDF size on the page; *ta is its screen font
 * request, *intern tells an embedded TrueType font (non-zero) from a
 * built-in one, *ssize the word spacing that matches the screen. */
static HPDF_Font SetElementFont(HPDF_Doc pdf, HPDF_Page p, const char *fontname, uint32_t size, TextAttr *ta,
                                float *intern, double *ssize)
{
    char work[81];
    WorkName(work, fontname);
    HPDF_Font font = GetharuFontHandler(pdf, work, intern);
    MakeRequest(ta, fontname, size);
    HPDF_Page_SetFontAndSize(p, font, float(FontSize(ta, ssize)));
    return font;
}

/* Headline level L (level code L + 1) hangs below the latest entry of level
 * L - 1; level 1 below the outline root, when there is one. */
static void AddOutline(HPDF_Doc pdf, HPDF_Page p, const GElement *ge)
{
    const TextData &td = ge->edata.td;
    HPDF_Outline entry = HPDF_CreateOutline(pdf, headlines[td.level - 2], ElementText(ge),
                                            HPDF_GetEncoder(pdf, "CP1252"));
    headlines[td.level - 1] = entry;
    HPDF_Destination dest = HPDF_Page_CreateDestination(p);
    HPDF_Destination_SetXYZ(dest, 0, HPDF_Page_GetHeight(p), 1.0f);
    HPDF_Outline_SetDestination(entry, dest);
}

/* A page link to a page that does not exist gets no annotation. */
static void AddLink(GElement *ge, HPDF_Page *page, uint32_t pno, uint32_t xs, uint32_t ye)
{
    uint32_t w, h;
    GetObjSize(ET_LINK, false, ge, &w, &h, nullptr);
    HPDF_Rect r;
    r.left = ConvertX(ge->ex, xs, 0);
    r.bottom = ConvertY(ge->ey, 0, ye);
    /* A filled text has its own width, which the page view never measured. */
    r.right = r.left + (Merging() ? HPDF_Page_TextWidth(page[pno], ElementText(ge)) : float(w));
    r.top = r.bottom + float(h);
    const TextData &td = ge->edata.td;
    HPDF_Annotation annot = nullptr;
    if (ElementLink(ge)[0]) {
        annot = HPDF_Page_CreateURILinkAnnot(page[pno], r, ElementLink(ge));
    } else if (td.page >= 1 && td.page < PDF_MAXPAGES && td.page <= PDaten.count && page[td.page]) {
        HPDF_Destination dest = HPDF_Page_CreateDestination(page[td.page]);
        annot = HPDF_Page_CreateLinkAnnot(page[pno], r, dest);
    }
    if (annot)
        HPDF_LinkAnnot_SetBorderStyle(annot, 0, 0, 0);
}

static void DrawText(HPDF_Doc pdf, HPDF_Page *page, uint32_t pno, GElement *ge, uint32_t xs, uint32_t ye)
{
    HPDF_Page p = page[pno];
    TextData &td = ge->edata.td;
    RefreshFieldText(ge, pno);
    if (ge->node.ln_Type == ET_TEXT && td.level > LEVEL_NO_HEADLINE && td.level <= LEVEL_LAST &&
        HeadlineRow(ge))
        AddOutline(pdf, p, ge);
    TextAttr ta;
    float intern;
    double ssize = 0;
    SetElementFont(pdf, p, td.fontname, td.size, &ta, &intern, &ssize);
    HPDF_Page_SetWordSpace(p, float(ssize));
    HPDF_Page_BeginText(p);
    HPDF_Page_TextOut(p, ConvertX(ge->ex, xs, 0), ConvertY(ge->ey, 0, ye), ElementText(ge));
    if (ge->node.ln_Type == ET_LINK)
        AddLink(ge, page, pno, xs, ye);
    HPDF_Page_EndText(p);
}

/* ------------------------------------------------------------ textboxes */

static double BoxRealSize(const TextAttr *ta)
{
    for (int i = 0; i < real_cached; i++)
        if (real_cache[i].ysize == ta->ta_YSize && !std::strcmp(real_cache[i].name, ta->ta_Name))
            return real_cache[i].size;
    uint32_t base = 0;
    double size = ta->ta_YSize;
    GetFontData(ta, &base, &size);
    if (real_cached < SIZE_CACHE) {
        SizeEntry &e = real_cache[real_cached++];
        Strlcpy(e.name, ta->ta_Name, sizeof(e.name));
        e.ysize = ta->ta_YSize, e.size = size, e.ssize = 0.0;
    }
    return size;
}

/* The leading follows the font's real size: a little less for a built-in
 * font, a little more for an embedded TrueType one. */
static void DrawTextbox(HPDF_Doc pdf, HPDF_Page p, GElement *ge, uint32_t xs, uint32_t ye)
{
    TextboxData &tbd = ge->edata.tbd;
    /* A box whose text is gone would print empty: the export says so, as
     * it does for a missing picture. */
    if (!TextboxFileReadable(tbd.fn)) {
        errinfo = tbd.fn;
        error_handler(HPDF_FILE_OPEN_ERROR, 0, nullptr);
    }
    TextAttr ta;
    float intern;
    double ssize = 0;
    HPDF_Font font = SetElementFont(pdf, p, tbd.fontname, tbd.size, &ta, &intern, &ssize);
    double ysize = BoxRealSize(&ta);
    HPDF_Page_BeginText(p);
    HPDF_Page_SetTextLeading(p, float(intern == 0.0f ? ysize - 0.4 : ysize + 0.2));
    DrawOwnPDFTextboxElement(p, ge, font, float(ssize), xs, ye);
    HPDF_Page_EndText(p);
}

/* ------------------------------------------------------------ elements */

void DrawElement(uint32_t pno, HPDF_Doc pdf, HPDF_Page *page, GElement *ge, uint32_t xstart,
                 uint32_t ystart, uint32_t xend, uint32_t yend)
{
    (void)ystart;
    (void)xend;
    HPDF_Page p = page[pno];
    switch (ge->node.ln_Type) {
    case ET_LINE: DrawLine(p, ge, xstart, yend); break;
    case ET_RECT: DrawRect(p, ge, xstart, yend); break;
    case ET_PICTURE: DrawPicture(pdf, p, ge, xstart, yend); break;
    case ET_TEXT:
    case ET_DATE:
    case ET_TIME:
    case ET_PAGENO:
    case ET_LINK:
        DrawText(pdf, page, pno, ge, xstart, yend);
        break;
    case ET_TEXTBOX: DrawTextbox(pdf, p, ge, xstart, yend); break;
    default:
        break;
    }
}
