/*
 * drawing.cpp - one element into the main window's RastPort (see
 * drawing.h).
 *
 * Relies on the screen fonts (screenfont.h) measuring with the same numbers
 * as the PDF, and on pictures.cpp for the decoded pictures. What is drawn
 * here matches what pdfdraw.cpp exports: lines end to end, rectangles as
 * outlines, texts with their baseline on `ey` starting at `ex`, pictures
 * unscaled from (`sx`, `sy`).
 */
#include "view/drawing.h"

#include <cstdio>
#include <cstring>

#include "document/properties.h"
#include "document/records.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/rastport.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
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
    default:
        return true; /* textboxes are drawn by the textbox view */
    }
}

/* ------------------------------------------------------------ texts */

/* The font of the element, or the first normal font after the user was
 * told; the replacement is written into the element so that the PDF uses
 * it too. Null only when no font at all can be opened. */
static ScreenFont *OpenElementFont(TextData &td)
{
    if (ScreenFont *sf = OpenScreenFont(td.fontname, uint16_t(td.size)))
        return sf;
    const char *first = nfont[0];
    if (!first)
        return nullptr;
    char text[256];
    char missing[81];
    Strlcpy(missing, td.fontname, sizeof(missing));
    std::snprintf(text, sizeof(text), GetString(&localeinfo, MSG_REPLACE_FONT), missing, first);
    GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_FONT_NOT_FOUND), text,
                  GetString(&localeinfo, MSG_OKAY));
    std::snprintf(td.fontname, sizeof(td.fontname), "%s.font", first);
    return OpenScreenFont(td.fontname, uint16_t(td.size));
}

/* The text's baseline lies on `ey`: its top is the font's height above,
 * exactly where the PDF puts the same text. */
bool DrawTextElement(RastPort *rp, GElement *element, uint8_t dmode, bool del, bool newtext, uint32_t page)
{
    (void)newtext;
    TextData &td = element->edata.td;
    RefreshFieldText(element, page);
    ScreenFont *sf = OpenElementFont(td);
    SetDrMd(rp, dmode);
    SetAPen(rp, del ? uint8_t(BACK_PEN) : element->apen);
    size_t len = std::strlen(td.text);
    if (sf)
        ScreenFontDrawText(sf, rp, int32_t(element->ex), int32_t(element->ey), td.text, len);
    CloseScreenFont(sf);
    return len > 0;
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
    DrawPicture(rp, pd.bitmap, int32_t(ge->sx), int32_t(ge->sy));
    return true;
}
