/*
 * pdftextbox.cpp - a textbox's lines in its PDF page (see pdftextbox.h).
 *
 * Relies on the textbox walk (text/textbox.h), which hands over the very
 * lines the page view draws, with the screen font's line pitch; only the
 * horizontal placement here uses the PDF font. The element drawer has
 * opened the text object and set the font. The start of a box that
 * continues a chain is the `textpos` of the box before it, which the export
 * lays out for every chain before the pages are drawn.
 *
 * Invariant: no object with a destructor lives in these frames; a libharu
 * error jumps from inside them back to the export, which then ends the
 * line iteration.
 */
#include "pdf/pdftextbox.h"

#include <cmath>
#include <cstring>

#include "document/pagelist.h"
#include "document/records.h"
#include "text/textbox.h"

struct PdfBox {
    HPDF_Page page;
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

static void SetPdfLine(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    const PdfBox *box = static_cast<const PdfBox *>(data);
    HPDF_Page_SetWordSpace(box->page, box->ssize);
    int64_t xoff = 0;
    if (box->align == 1)
        xoff = Offset(box, line, 1.0);
    else if (box->align == 2)
        xoff = Offset(box, line, 0.5);
    else if (box->align == 3 && result == TBL_BROKEN)
        HPDF_Page_SetWordSpace(box->page, BlockWordSpace(box->page, line, float(box->width)));
    float x = float(box->left + xoff - int64_t(box->xstart));
    float y = float(int64_t(box->yend) - int64_t(top) - int64_t(size));
    HPDF_Page_TextOut(box->page, x, y, line);
}

/* Sets the box's lines from where the box before it in its chain ends.
 * Always 1; nothing is written back into the project. */
int DrawOwnPDFTextboxElement(HPDF_Page page, GElement *element, HPDF_Font font, float ssize,
                             uint32_t xstart, uint32_t yend)
{
    (void)font;
    GElement *prev = nullptr;
    uint32_t start = 0;
    if (element->node.ln_Pri < 0 &&
        FindFilename(ET_TEXTBOX, element->edata.tbd.fn, &prev, element->node.ln_Pri + 1))
        start = prev->edata.tbd.textpos;
    PdfBox box;
    box.page = page;
    box.ssize = ssize;
    box.left = element->sx < element->ex ? element->sx : element->ex;
    box.width = element->sx > element->ex ? element->sx - element->ex : element->ex - element->sx;
    box.align = element->edata.tbd.align;
    box.xstart = xstart, box.yend = yend;
    WalkTextbox(element, start, SetPdfLine, &box);
    return 1;
}
