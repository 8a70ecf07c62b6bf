/*
 * drawing.cpp - one element into the main window's RastPort (see
 * drawing.h).
 *
 * Relies on the screen fonts (screenfont.h) measuring with the same numbers
 * as the PDF, and on pictures.cpp for the decoded pictures. What is drawn
 * here matches what pdfdraw.cpp exports: lines end to end, rectangles as
 * outlines, texts with their baseline on `ey` starting at `ex`, pictures
 * scaled into their boxes.
 */
#include "view/drawing.h"

#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "document/properties.h"
#include "document/records.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/gui.h"
#include "platform/rastport.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/textbox.h"
#include "text/utilities.h"
#include "view/pictures.h"

/* The background pen: drawing with it removes a text again. */
enum { BACK_PEN = 0 };

/* ------------------------------------------------------------ elements */

static void Outline(RastPort *rp, const GElement *e)
{
    Move(rp, int32_t(e->sx), int32_t(e->sy));
    Draw(rp, int32_t(e->ex), int32_t(e->sy));
    Draw(rp, int32_t(e->ex), int32_t(e->ey));
    Draw(rp, int32_t(e->sx), int32_t(e->ey));
    Draw(rp, int32_t(e->sx), int32_t(e->sy));
}

bool DrawGraphicElements(GElement *element, bool del, uint32_t page)
{
    if (!element)
        return false;
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return false;
    uint8_t mode = del ? COMPLEMENT : JAM1;
    SetDrMd(rp, mode);
    SetAPen(rp, element->apen);
    Move(rp, int32_t(element->sx), int32_t(element->sy));
    switch (element->node.ln_Type) {
    case ET_LINE:
        Draw(rp, int32_t(element->ex), int32_t(element->ey));
        return true;
    case ET_RECT:
        Outline(rp, element);
        return true;
    case ET_TEXT:
    case ET_DATE:
    case ET_TIME:
    case ET_PAGENO:
    case ET_LINK:
        return DrawTextElement(rp, element, mode, del, false, page);
    case ET_PICTURE:
        return DrawPictureElement(rp, element, mode, del, false, page);
    case ET_TEXTBOX:
        return DrawTextboxElement(rp, element, mode, del, false);
    default:
        return true;
    }
}

/* ------------------------------------------------------------ texts */

/* The font of the element, or the first normal font after the user was
 * told; the replacement is written into the element so that the PDF uses
 * it too. Null only when no font at all can be opened. */
static ScreenFont *OpenElementFont(char *fontname, uint32_t size)
{
    if (ScreenFont *sf = OpenScreenFont(fontname, uint16_t(size)))
        return sf;
    const char *first = nfont[0];
    if (!first)
        return nullptr;
    char text[256];
    char missing[81];
    Strlcpy(missing, fontname, sizeof(missing));
    std::snprintf(text, sizeof(text), GetString(&localeinfo, MSG_REPLACE_FONT), missing, first);
    GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_FONT_NOT_FOUND), text,
                  GetString(&localeinfo, MSG_OKAY));
    std::snprintf(fontname, 81, "%s.font", first);
    return OpenScreenFont(fontname, uint16_t(size));
}

/* The text's baseline lies on `ey`: its top is the font's height above,
 * exactly where the PDF puts the same text. */
bool DrawTextElement(RastPort *rp, GElement *element, uint8_t dmode, bool del, bool newtext, uint32_t page)
{
    (void)newtext;
    TextData &td = element->edata.td;
    RefreshFieldText(element, page);
    ScreenFont *sf = OpenElementFont(td.fontname, td.size);
    SetDrMd(rp, dmode);
    SetAPen(rp, del ? uint8_t(BACK_PEN) : element->apen);
    size_t len = std::strlen(td.text);
    if (sf)
        ScreenFontDrawText(sf, rp, int32_t(element->ex), int32_t(element->ey), td.text, len);
    CloseScreenFont(sf);
    return len > 0;
}

/* ------------------------------------------------------------ textboxes */

struct ScreenBox {
    RastPort *rp;
    ScreenFont *sf;
    int32_t left;
    uint32_t width;
    uint32_t align;
};

/* Gaps are widened evenly and then narrowed from the left, a blank at a
 * time, until the line fits; a line too short to widen (fewer than six
 * characters) keeps its single blanks instead of losing them. Lines are
 * UTF-8: characters, not bytes, are counted. */
static size_t BlockLine(const ScreenBox *box, char *wide, size_t size)
{
    size_t len = std::strlen(wide), chars = 0;
    for (size_t i = 0; i < len; i++)
        chars += ((unsigned char)wide[i] & 0xC0) != 0x80;
    uint32_t n = uint32_t(chars / 3);
    if (n < 2)
        return len;
    CreateBlockLine(wide, size, n, false);
    for (uint32_t k = n - 1; k >= 2 && ScreenFontUtf8Length(box->sf, wide, std::strlen(wide)) > box->width;)
        if (!CreateBlockLine(wide, size, k, true))
            k--;
    return std::strlen(wide);
}

/* The line's baseline lies `size` below its slot's top, as in the PDF. */
static void SetScreenLine(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    const ScreenBox *box = static_cast<const ScreenBox *>(data);
    size_t len = std::strlen(line);
    int32_t w = int32_t(ScreenFontUtf8Length(box->sf, line, len)), x = box->left;
    if (box->align == 1)
        x = box->left + int32_t(box->width) - w;
    else if (box->align == 2)
        x = box->left + (int32_t(box->width) - w) / 2;
    if (box->align == 3 && result == TBL_BROKEN) {
        /* every blank may become up to 48: room for the widest result */
        static char wide[TEXTBOX_LINE * 49];
        Strlcpy(wide, line, sizeof(wide));
        len = BlockLine(box, wide, sizeof(wide));
        line = wide;
    }
    ScreenFontDrawUtf8(box->sf, box->rp, x, int32_t(top + size), line, len);
}

/* The last box of a chain whose text does not fit shows a small red
 * boxed "+" in its bottom-right corner, on paper of its own so that the
 * text below cannot hide it. The page view only: the PDF has no marker. */
static void OverflowMarker(RastPort *rp, const GElement *ge)
{
    enum { SIDE = 10, RED_PEN = 4 };
    int32_t right = int32_t(ge->sx > ge->ex ? ge->sx : ge->ex), bottom = int32_t(ge->sy > ge->ey ? ge->sy : ge->ey);
    int32_t left = right - SIDE, top = bottom - SIDE;
    SetDrMd(rp, JAM1);
    SetAPen(rp, uint8_t(PCReg));
    RectFill(rp, left, top, right, bottom);
    SetAPen(rp, RED_PEN);
    Move(rp, left, top);
    Draw(rp, right, top);
    Draw(rp, right, bottom);
    Draw(rp, left, bottom);
    Draw(rp, left, top);
    Move(rp, left + 2, top + SIDE / 2);
    Draw(rp, right - 2, top + SIDE / 2);
    Move(rp, left + SIDE / 2, top + 2);
    Draw(rp, left + SIDE / 2, bottom - 2);
}

/* The box flows its text from where the box before it in the chain ends,
 * and stores where the next one begins. */
bool DrawTextboxElement(RastPort *rp, GElement *element, uint8_t dmode, bool del, bool newtext)
{
    TextboxData &tbd = element->edata.tbd;
    if (!tbd.fn[0])
        GadgetGetText(GID_TEXTPATH, tbd.fn, sizeof(tbd.fn));
    uint32_t start = TextboxStart(element);
    if (newtext)
        return true;
    ScreenFont *sf = OpenElementFont(tbd.fontname, tbd.size);
    SetDrMd(rp, dmode);
    SetAPen(rp, del ? uint8_t(BACK_PEN) : element->apen);
    bool set = sf != nullptr;
    if (set) {
        uint32_t left = element->sx < element->ex ? element->sx : element->ex;
        ScreenBox box = {rp, sf, int32_t(left), element->sx > element->ex ? element->sx - element->ex : element->ex - element->sx, tbd.align};
        tbd.textpos = WalkTextbox(element, start, SetScreenLine, &box);
    }
    CloseScreenFont(sf);
    SetAPen(rp, 6);
    Outline(rp, element);
    if (set && !del && TextboxLeftOver(element, tbd.textpos))
        OverflowMarker(rp, element);
    return true;
}

/* ------------------------------------------------------------ pictures */

/* A picture that is missing or cannot be decoded shows as its stored box,
 * crossed, so that the user sees where it belongs and can replace it. */
static void CrossedFrame(RastPort *rp, const GElement *ge)
{
    Outline(rp, ge);
    Move(rp, int32_t(ge->sx), int32_t(ge->sy));
    Draw(rp, int32_t(ge->ex), int32_t(ge->ey));
    Move(rp, int32_t(ge->ex), int32_t(ge->sy));
    Draw(rp, int32_t(ge->sx), int32_t(ge->ey));
}

bool DrawPictureElement(RastPort *rp, GElement *ge, uint8_t dmode, bool del, bool newpic, uint32_t page)
{
    (void)page;
    PicData &pd = ge->edata.pd;
    if ((newpic || !pd.dsrc) && !LoadPicture(ge, newpic)) {
        if (newpic)
            return false;
        SetDrMd(rp, dmode);
        SetAPen(rp, ge->apen);
        CrossedFrame(rp, ge);
        return true;
    }
    /* A plain copy in either mode: the redraw of the page that follows
     * every removal covers a picture removed again. */
    (void)del;
    uint32_t left = ge->sx < ge->ex ? ge->sx : ge->ex, top = ge->sy < ge->ey ? ge->sy : ge->ey;
    uint32_t w = ge->sx < ge->ex ? ge->ex - ge->sx : ge->sx - ge->ex;
    uint32_t h = ge->sy < ge->ey ? ge->ey - ge->sy : ge->sy - ge->ey;
    DrawPicture(rp, pd.bitmap, int32_t(left), int32_t(top), int32_t(w), int32_t(h));
    return true;
}
