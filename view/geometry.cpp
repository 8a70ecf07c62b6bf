/*
 * geometry.cpp - the page rectangle and the coordinate read-outs.
 *
 * The page is centred in the page area (PDArea) of the main window; the
 * rectangle (xstart, ystart)-(xend, yend) is recomputed every time the empty
 * page is painted and is what selection, drawing and the PDF export read.
 */
#include "view/geometry.h"

#include <cstdio>

#include "core/settings.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/rastport.h"

const uint32_t pagesize[6][2] = {
    {612, 792}, {792, 612}, {595, 842}, {842, 595}, {420, 595}, {595, 420},
};
uint32_t xstart, ystart, xend, yend;

/* ------------------------------------------------------------ the page */

/* Halved rounding down and kept to 16 bits, as the area's box is. */
static uint32_t Centre(int16_t edge, int16_t size, uint32_t extent)
{
    int32_t d = int32_t(size) - int32_t(extent);
    int32_t half = d >= 0 ? d / 2 : -((-d + 1) / 2);
    return uint32_t(int16_t(edge + half));
}

/* As Centre halves, for screens of any size a header may name. */
static int32_t HalfDown(int64_t d)
{
    return int32_t(d >= 0 ? d / 2 : -((-d + 1) / 2));
}

/* Where the page's top-left corner lies in the project window on a screen
 * of the given size. The page area's neighbours have fixed sizes, so the
 * area grows and shrinks with the window while its left and top edges stay
 * put; the window's size on that screen follows ProjectWindowSize. Without
 * a window the area is taken as the whole window. Both the screen a project
 * was saved on and this one are answered by this one rule, so their
 * difference is how far the page moved. */
void PageOrigin(uint32_t screenw, uint32_t screenh, uint32_t format, int32_t *x, int32_t *y)
{
    if (format > 5)
        format = 2;
    int16_t left, top, width, height;
    PageAreaBox(&left, &top, &width, &height);
    int winw, winh, neww, newh;
    PlatformWindowSize(WIN_PROJECT, &winw, &winh);
    ProjectWindowSize(screenw, screenh, &neww, &newh);
    *x = left + HalfDown(int64_t(width) + neww - winw - pagesize[format][0]);
    *y = top + HalfDown(int64_t(height) + newh - winh - pagesize[format][1]);
}

void CreateEmptyPage(uint32_t format)
{
    DebugPrint("-> CreateEmptyPage(%u)\n", format);
    PlatformWindowRefreshFrame(WIN_PROJECT);
    if (format > 5)
        format = 2;
    int16_t left, top, width, height;
    PageAreaBox(&left, &top, &width, &height);
    xstart = Centre(left, width, pagesize[format][0]);
    ystart = Centre(top, height, pagesize[format][1]);
    xend = uint32_t(int16_t(xstart + pagesize[format][0]));
    yend = uint32_t(int16_t(ystart + pagesize[format][1]));
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return;
    /* The whole area first, so a page of another format leaves no trace. */
    SetDrMd(rp, JAM1);
    SetAPen(rp, 0);
    RectFill(rp, left, top, left + width - 1, top + height - 1);
    SetAPen(rp, uint8_t(PCReg));
    RectFill(rp, xstart, ystart, xend, yend);
    SetAPen(rp, 0);
    Move(rp, xstart - 1, ystart - 1);
    Draw(rp, xstart - 1, yend + 1);
    Draw(rp, xend + 1, yend + 1);
    Draw(rp, xend + 1, ystart - 1);
    Draw(rp, xstart - 1, ystart - 1);
}

/* The boundary lines are off the page; a position left of or above the
 * window becomes a huge unsigned number and so is never on it. */
bool PointOnPage(int32_t x, int32_t y)
{
    uint32_t ux = uint32_t(int16_t(x)), uy = uint32_t(int16_t(y));
    return xstart < ux && ux < xend && ystart < uy && uy < yend;
}

bool OnPage(uint32_t xs, uint32_t xe, uint32_t ys, uint32_t ye)
{
    int32_t x, y;
    PlatformMousePos(WIN_PROJECT, &x, &y);
    uint32_t ux = uint32_t(int16_t(x)), uy = uint32_t(int16_t(y));
    return xs < ux && ux < xe && ys < uy && uy < ye;
}

bool ElementOnPage(const GElement *e, uint32_t xs, uint32_t xe, uint32_t ys, uint32_t ye)
{
    return xs < e->sx && e->sx < xe && ys < e->sy && e->sy < ye && xs < e->ex && e->ex < xe &&
           ys < e->ey && e->ey < ye;
}

/* ------------------------------------------------------------ read-outs */

/* Single precision for the division, double for the product, truncated. */
int32_t PixelToMM(int32_t d)
{
    float inches = float(d) / 72.0f;
    return int32_t(double(inches) * 25.4);
}

static void ShowMM(int id, int32_t mm)
{
    char text[24];
    std::snprintf(text, sizeof(text), "%ldmm", long(mm));
    GadgetSetText(id, text);
}

void SetCoordinates(int mode, int32_t ppx, int32_t ppy, int32_t px, int32_t py, int32_t pdx,
                    int32_t pdy, int32_t mdx, int32_t mdy)
{
    switch (mode) {
    case 0:
        GadgetSetNumber(GID_PIXEL_POS_X, ppx);
        GadgetSetNumber(GID_PIXEL_POS_Y, ppy);
        ShowMM(GID_POS_X, px);
        ShowMM(GID_POS_Y, py);
        break;
    case 1:
        GadgetSetNumber(GID_PDIFF_X, pdx);
        GadgetSetNumber(GID_PDIFF_Y, pdy);
        ShowMM(GID_MDIFF_X, mdx);
        ShowMM(GID_MDIFF_Y, mdy);
        break;
    case 2:
        GadgetSetNumber(GID_PDIFF_X, 0);
        GadgetSetNumber(GID_PDIFF_Y, 0);
        ShowMM(GID_MDIFF_X, 0);
        ShowMM(GID_MDIFF_Y, 0);
        break;
    default:
        break;
    }
}
