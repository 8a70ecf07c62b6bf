/*
 * selection.cpp - hit testing, the lasso and selection marks. A selected
 * element shows handles, which the page view draws above the page at one
 * size on the screen. With one element selected the property gadgets show
 * its kind.
 *
 * Relies on properties.h to measure texts: an element's extent is its
 * stored corners for lines, rectangles, textboxes and pictures, its
 * measured text otherwise. The page view's zoom (PlatformZoom) scales the
 * pointer's tolerances, so that they stay the same on the screen.
 */
#include "view/selection.h"

#include <cmath>

#include "core/settings.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/rastport.h"

/* ------------------------------------------------------------ extents */

struct Extent {
    int32_t left, top, right, bottom;
};

static int32_t Min(uint32_t a, uint32_t b) { return int32_t(a < b ? a : b); }
static int32_t Max(uint32_t a, uint32_t b) { return int32_t(a < b ? b : a); }

static Extent ElementExtent(const GElement *e)
{
    uint8_t t = e->node.ln_Type;
    uint32_t w = 0, h = 0;
    if (IsTextType(t)) {
        GetObjSize(t, false, const_cast<GElement *>(e), &w, &h, nullptr);
        return {int32_t(e->ex), int32_t(e->ey) - int32_t(h), int32_t(e->ex + w), int32_t(e->ey)};
    }
    return {Min(e->sx, e->ex), Min(e->sy, e->ey), Max(e->sx, e->ex), Max(e->sy, e->ey)};
}

/* ------------------------------------------------------------ hit testing */

/* `pixels` of the screen in window pixels at the zoom shown, at least
 * one: zoomed in, the pointer must come closer on the page. */
double ScreenPixels(double pixels)
{
    double zoom = PlatformZoom(), t = zoom > 0 ? pixels / zoom : pixels;
    return t < 1 ? 1 : t;
}

static bool Near(uint32_t a, uint32_t b)
{
    double d = double(int32_t(a - b));
    return std::fabs(d) <= ScreenPixels(6);
}

/* Between the ends, 7 pixels inside them, in either drawing order: a line
 * drawn downwards is hit only inside its ends, one drawn upwards up to 7
 * pixels beyond them. */
static bool Between(uint32_t v, uint32_t s, uint32_t e)
{
    double t = ScreenPixels(7), dv = v, ds = s, de = e;
    return (ds + t < dv && dv < de - t) || (de - t < dv && dv < ds + t);
}

bool LineSelected(const GElement *e, uint32_t x, uint32_t y)
{
    if (Near(e->sx, x))
        return Between(y, e->sy, e->ey);
    if (Near(e->sy, y))
        return Between(x, e->sx, e->ex);
    if (x < uint32_t(Min(e->sx, e->ex)) || x > uint32_t(Max(e->sx, e->ex)))
        return false;
    /* sx != ex here: x lies between them and is not near sx. */
    double slope = (double(e->sy) - double(e->ey)) / (double(e->sx) - double(e->ex));
    int32_t at = int32_t(double(e->ey) + slope * (double(x) - double(e->ex)));
    return std::fabs(double(at - int32_t(y))) <= ScreenPixels(6);
}

bool BoxSelected(const GElement *e, uint32_t x, uint32_t y, uint32_t xstart, uint32_t ystart)
{
    (void)xstart, (void)ystart;
    Extent r = ElementExtent(e);
    int32_t px = int32_t(x), py = int32_t(y);
    return r.left <= px && px <= r.right && r.top <= py && py <= r.bottom;
}

/* Only a rectangle's edges hit, not its inside. */
static bool RectSelected(const GElement *e, uint32_t x, uint32_t y)
{
    GElement edge = *e;
    const uint32_t edges[4][4] = {{e->sx, e->sy, e->ex, e->sy}, {e->ex, e->sy, e->ex, e->ey},
                                  {e->sx, e->ey, e->ex, e->ey}, {e->sx, e->sy, e->sx, e->ey}};
    for (const auto &c : edges) {
        edge.sx = c[0], edge.sy = c[1], edge.ex = c[2], edge.ey = c[3];
        if (LineSelected(&edge, x, y))
            return true;
    }
    return false;
}

/* The first element hit in list order, which is the order of priority. */
GElement *GetElementAtPos(uint32_t page, uint32_t x, uint32_t y, uint32_t xstart, uint32_t ystart)
{
    PageNode *pn = GetPageNode(page);
    if (!pn)
        return nullptr;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        GElement *e = reinterpret_cast<GElement *>(n);
        uint8_t t = e->node.ln_Type;
        bool hit = t == ET_RECT ? RectSelected(e, x, y)
                 : t == ET_LINE ? LineSelected(e, x, y)
                 : (t >= ET_TEXT && t <= ET_LINK) ? BoxSelected(e, x, y, xstart, ystart)
                 : false;
        if (hit)
            return e;
    }
    return nullptr;
}

/* Lines, rectangles, textboxes and pictures are reshaped by their two
 * corners; texts have a handle only to show them selected. */
int8_t MarkerSelected(const GElement *e, uint32_t x, uint32_t y)
{
    uint8_t t = e->node.ln_Type;
    if (IsTextType(t))
        return -1;
    if (Near(e->sx, x) && Near(e->sy, y))
        return 1;
    if (Near(e->ex, x) && Near(e->ey, y))
        return 2;
    return 0;
}

/* ------------------------------------------------------------ the lasso */

/* Dragged upwards the lasso takes what it touches, dragged downwards only
 * what it encloses; a flat lasso takes nothing. */
uint32_t LassoSelect(uint32_t page, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
{
    PageNode *pn = GetPageNode(page);
    if (!pn || y1 == y2)
        return 0;
    bool upwards = y1 > y2;
    Extent l = {Min(x1, x2), Min(y1, y2), Max(x1, x2), Max(y1, y2)};
    auto inside = [&l](int32_t x, int32_t y) { return l.left < x && x < l.right && l.top < y && y < l.bottom; };
    uint32_t count = 0;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        GElement *e = reinterpret_cast<GElement *>(n);
        uint8_t t = e->node.ln_Type;
        if (t <= GID_CURSOR || t > ET_LINK)
            continue;
        Extent r = ElementExtent(e);
        bool a = inside(r.left, r.top), b = inside(r.right, r.bottom);
        if (upwards ? (a || b) : (a && b))
            SetSelectMarks(page, e, e->marked ? 0 : 1, ++count);
    }
    DebugPrint("-> LassoSelect(%u) toggled %u\n", page, count);
    return count;
}

/* ------------------------------------------------------------ marks */

static void DrawHandles(GElement *e, uint8_t set)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return;
    uint8_t t = e->node.ln_Type;
    if (t == ET_LINE || t == ET_TEXTBOX || t == ET_RECT || t == ET_PICTURE) {
        DrawHandle(rp, int32_t(e->ex), int32_t(e->ey), set != 0);
        DrawHandle(rp, int32_t(e->sx), int32_t(e->sy), set != 0);
    } else if (IsTextType(t)) {
        DrawHandle(rp, int32_t(e->ex), int32_t(e->ey), set != 0);
    }
}

/* Any box of a chain loads or edits the chain's one text file. */
static void ShowProperties(GElement *e, bool on)
{
    SetGUIElements(e->node.ln_Type, on, true);
}

void SetSelectMarks(uint32_t page, GElement *element, uint8_t set, uint32_t count)
{
    if (!element)
        return;
    element->marked = set;
    DrawHandles(element, set);
    if (element->node.ln_Type == ET_TEXT && count == 1)
        GadgetSetDisabled(GID_HEADLINE_LEVEL, !set);
    if (count != 1) {
        SetGUIElements(0, false, true);
        return;
    }
    GElement *first = FindMarkedElement(page, nullptr);
    if (first == element) {
        ShowProperties(element, set != 0);
    } else if (first) {
        if (first->node.ln_Type == ET_TEXT)
            GadgetSetDisabled(GID_HEADLINE_LEVEL, false);
        ShowProperties(first, true);
    } else {
        SetGUIElements(0, false, true);
    }
}

/* After a repaint: the circles of every selected element again. */
void ShowSelectMarks(uint32_t page)
{
    PageNode *pn = GetPageNode(page);
    if (!pn)
        return;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        GElement *e = reinterpret_cast<GElement *>(n);
        if (e->marked)
            DrawHandles(e, 1);
    }
}
