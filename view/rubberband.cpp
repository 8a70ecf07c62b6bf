/*
 * rubberband.cpp - rubber bands and the elements they become.
 *
 * Outlines are drawn in complement mode, so drawing one twice restores the
 * pixels beneath; the memory (band_x, band_y) is the pointer end of the
 * outline shown, band_x = 0 meaning none is shown. Relies on the property
 * gadgets (properties.h) for the text, font and link of a new text-like
 * element and on drawing.h to draw it.
 */
#include "view/rubberband.h"

#include <algorithm>
#include <cstring>

#include "core/settings.h"
#include "document/headlines.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/rastport.h"
#include "platform/strutil.h"
#include "text/arexxtools.h"
#include "text/textbox.h"
#include "view/drawing.h"
#include "view/pictures.h"
#include "view/selection.h"

static uint32_t band_x, band_y;
static uint32_t text_w, text_h; /* size of the text being placed, fixed per drag */

void SetGlobalVariables(uint32_t x, uint32_t y)
{
    band_x = x;
    band_y = y;
}

/* ------------------------------------------------------------ outlines */

static void Box(RastPort *rp, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Move(rp, x1, y1);
    Draw(rp, x2, y1);
    Draw(rp, x2, y2);
    Draw(rp, x1, y2);
    Draw(rp, x1, y1);
}

/* The outline of an element of `type` from (sx, sy) to (ex, ey): a line
 * between them, a box for the framed kinds, and for text-like kinds the
 * text's box (w × h) standing on (ex, ey), where their text is anchored. */
static void Shape(RastPort *rp, uint32_t type, int32_t sx, int32_t sy, int32_t ex, int32_t ey, uint32_t w,
                  uint32_t h)
{
    if (type == ET_LINE) {
        Move(rp, sx, sy);
        Draw(rp, ex, ey);
    } else if (type == ET_RECT || type == ET_PICTURE || type == ET_TEXTBOX) {
        Box(rp, sx, sy, ex, ey);
    } else if (IsTextType(type)) {
        Box(rp, ex, ey, ex + int32_t(w), ey - int32_t(h));
    }
}

/* The outline of tool `mode` from the anchor towards the pointer. */
static void Outline(RastPort *rp, uint32_t mode, int32_t sx, int32_t sy, int32_t ax, int32_t ay)
{
    Shape(rp, mode, sx, sy, ax, ay, text_w, text_h);
}

bool DrawConstruct(int32_t sx, int32_t sy, int32_t ax, int32_t ay, uint32_t aktmode, bool draw)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return false;
    SetDrMd(rp, COMPLEMENT);
    SetAPen(rp, 2);
    if (IsTextType(aktmode) && band_x == 0)
        GetObjSize(aktmode, true, nullptr, &text_w, &text_h, nullptr);
    if (band_x != 0)
        Outline(rp, aktmode, sx, sy, int32_t(band_x), int32_t(band_y));
    SetAPen(rp, 1);
    if (!draw)
        return false;
    Outline(rp, aktmode, sx, sy, ax, ay);
    band_x = uint32_t(ax);
    band_y = uint32_t(ay);
    return true;
}

/* ------------------------------------------------------------ moves */

/* An element's own outline shifted by (dx, dy). */
static void MoveOutline(RastPort *rp, GElement *ge, int32_t dx, int32_t dy)
{
    uint32_t type = ge->node.ln_Type, w = 0, h = 0;
    if (IsTextType(type))
        GetObjSize(type, false, ge, &w, &h, nullptr);
    Shape(rp, type, int32_t(ge->sx) + dx, int32_t(ge->sy) + dy, int32_t(ge->ex) + dx, int32_t(ge->ey) + dy, w, h);
}

/* The element keeps the move's state: (ox, oy) where it began, (mx, my)
 * the pointer of the outline shown. */
void MoveConstruct(GElement *ge, int32_t ax, int32_t ay, bool startstop, bool draw)
{
    if (startstop) {
        ge->ox = ge->mx = uint32_t(ax);
        ge->oy = ge->my = uint32_t(ay);
        return;
    }
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (rp) {
        SetDrMd(rp, COMPLEMENT);
        SetAPen(rp, 2);
        MoveOutline(rp, ge, int32_t(ge->mx - ge->ox), int32_t(ge->my - ge->oy));
        SetAPen(rp, 1);
        if (draw)
            MoveOutline(rp, ge, ax - int32_t(ge->ox), ay - int32_t(ge->oy));
    }
    ge->mx = uint32_t(ax);
    ge->my = uint32_t(ay);
}

/* The release point is not used: what the user saw last is applied. An
 * element moved beyond the left or top edge wraps to a huge coordinate,
 * which the caller's page test rejects. */
void EndMoveConstruct(GElement *ge, int32_t ax, int32_t ay, uint32_t page, bool draw)
{
    (void)ax, (void)ay, (void)page;
    if (!draw) {
        MoveConstruct(ge, int32_t(ge->mx), int32_t(ge->my), false, false);
        return;
    }
    uint32_t dx = ge->mx - ge->ox, dy = ge->my - ge->oy;
    ge->sx += dx, ge->ex += dx;
    ge->sy += dy, ge->ey += dy;
}

/* ------------------------------------------------------------ new elements */

static void FillText(GElement *ge, uint32_t type)
{
    TextData &td = ge->edata.td;
    td.fontname[0] = '\0';
    GetTextData(type, td.fontname, &td.size, td.text, &td.level);
    if (type != ET_LINK)
        return;
    GadgetGetText(GID_LINKWEB, td.link, sizeof(td.link));
    int32_t page = GadgetNumber(GID_LINKPAGE);
    td.page = page > 0 ? uint32_t(page) : 1;
}

/* Text lines and links keep the text box's top-right corner in sx, sy, as
 * the element file has always stored them; fields keep the drag's points. */
static void PlaceText(GElement *ge, uint32_t sx, uint32_t sy, uint32_t ax, uint32_t ay)
{
    uint32_t type = ge->node.ln_Type;
    if (type == ET_TEXT || type == ET_LINK) {
        uint32_t w = 0, h = 0;
        GetObjSize(type, false, ge, &w, &h, nullptr);
        uint32_t x0 = sx ? sx : ax, y0 = sy ? sy : ay;
        ge->sx = x0 + w, ge->sy = y0 > h ? y0 - h : 0;
    } else {
        ge->sx = sx, ge->sy = sy;
    }
    ge->ex = ax, ge->ey = ay;
}

/* Draws the new text; one without any text is not made. */
static GElement *AddText(uint32_t page, GElement *ge)
{
    if (!DrawGraphicElements(ge, false, page))
        return nullptr;
    GElement *added = AddGObject(page, ge);
    if (added && ge->node.ln_Type == ET_TEXT && ge->edata.td.level != LEVEL_NONE)
        HLManager();
    return added;
}

static GElement *AddShape(uint32_t page, GElement *ge, uint32_t sx, uint32_t sy, uint32_t ax,
                          uint32_t ay)
{
    if (ge->node.ln_Type == ET_RECT) {
        ge->sx = sx < ax ? sx : ax, ge->ex = sx < ax ? ax : sx;
        ge->sy = sy < ay ? sy : ay, ge->ey = sy < ay ? ay : sy;
    } else {
        ge->sx = sx, ge->sy = sy, ge->ex = ax, ge->ey = ay;
    }
    return AddGObject(page, ge);
}

/* A drag of at least 8 pixels each way (and 8 on the screen, whatever the
 * zoom) gives the picture a box; a click or a smaller drag none. */
static bool DraggedBox(uint32_t w, uint32_t h)
{
    double least = std::max(8.0, ScreenPixels(8));
    return w >= least && h >= least;
}

/* The picture named in the picture path stands on the drag's top-left
 * corner, fitted into the dragged box with its proportions, or at its own
 * size after a click; without one the user is asked for a picture, and the
 * ARexx tool chosen runs on it with the dragged box, leaving the picture
 * at the size the tool made it. With a tool chosen the user is always
 * asked: the tool works on a copy of its own, never on the remembered
 * picture, which earlier elements show. Without a readable picture nothing
 * is made. */
static GElement *AddPicture(uint32_t page, GElement *ge, uint32_t sx, uint32_t sy, uint32_t ax,
                            uint32_t ay)
{
    ge->sx = sx < ax ? sx : ax;
    ge->sy = sy < ay ? sy : ay;
    ge->ex = sx < ax ? ax : sx;
    ge->ey = sy < ay ? ay : sy;
    uint32_t w = ge->ex - ge->sx, h = ge->ey - ge->sy;
    bool tool = ARexxToolChosen();
    char chosen[256];
    if (tool) {
        if (!SetPicture(chosen, ge))
            return nullptr;
        GadgetSetText(GID_PICTUREPATH, ge->edata.pd.fn);
    }
    if (!LoadPicture(ge, true))
        return nullptr;
    const PicData &pd = ge->edata.pd;
    bool boxed = !tool && DraggedBox(w, h);
    FitPicture(ge, ge->sx, ge->sy, boxed ? w : pd.width, boxed ? h : pd.height);
    GElement *added = AddGObject(page, ge);
    if (!added)
        FreePicResources(ge);
    return added;
}

/* The text file is the one the text path shows, or one the user chooses
 * now; the box takes the first free number of that file's chain, so it
 * continues the text of the boxes already placed, on any page. */
static GElement *AddTextbox(uint32_t page, GElement *ge, uint32_t sx, uint32_t sy, uint32_t ax,
                            uint32_t ay)
{
    TextboxData &tbd = ge->edata.tbd;
    GadgetGetText(GID_TEXTPATH, tbd.fn, sizeof(tbd.fn));
    if (!tbd.fn[0] && !SetTextboxFile(tbd.fn, true))
        return nullptr;
    GadgetSetText(GID_TEXTPATH, tbd.fn);
    int32_t align = GadgetNumber(GID_JUSTIFICATION);
    tbd.align = align >= 0 && align <= 3 ? uint32_t(align) : 0;
    char text[81];
    uint8_t level = 0;
    GetTextData(ET_TEXTBOX, tbd.fontname, &tbd.size, text, &level);
    int32_t nr = 0;
    while (nr >= -128 && FindFilename(ET_TEXTBOX, tbd.fn, nullptr, nr))
        nr--;
    if (nr < -128)
        return nullptr; /* the chain numbers are signed bytes */
    ge->node.ln_Pri = int8_t(nr);
    ge->sx = sx, ge->sy = sy, ge->ex = ax, ge->ey = ay;
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp || !DrawTextboxElement(rp, ge, JAM1, false, false))
        return nullptr;
    return AddGObject(page, ge);
}

GElement *EndDrawConstruct(uint32_t page, uint32_t sx, uint32_t sy, uint32_t ax, uint32_t ay,
                           uint32_t aktmode)
{
    DebugPrint("-> EndDrawConstruct(%u, %u, %u, %u, %u, %u)\n", page, sx, sy, ax, ay, aktmode);
    if (band_x != 0)
        DrawConstruct(int32_t(sx), int32_t(sy), int32_t(ax), int32_t(ay), aktmode, false);
    SetGlobalVariables(0, 0);
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(aktmode);
    ge.node.ln_Pri = int8_t(aktmode);
    ge.apen = 1;
    if (aktmode == ET_LINE || aktmode == ET_RECT)
        return AddShape(page, &ge, sx, sy, ax, ay);
    if (aktmode == ET_PICTURE)
        return AddPicture(page, &ge, sx, sy, ax, ay);
    if (aktmode == ET_TEXTBOX)
        return AddTextbox(page, &ge, sx, sy, ax, ay);
    if (!IsTextType(aktmode))
        return nullptr;
    FillText(&ge, aktmode);
    PlaceText(&ge, sx, sy, ax, ay);
    return AddText(page, &ge);
}
