/*
 * geometry.cpp - the page rectangle and the coordinate read-outs.
 *
 * The page is centred in the page area (PDArea) of the main window, whose
 * box follows from the screen size alone (PageBoxFor): the window is built
 * to those measures, so the box is known without one. The rectangle
 * (xstart, ystart)-(xend, yend) is set again every time the empty page is
 * painted and is what selection, drawing and the PDF export read.
 */
#include "view/geometry.h"

#include <algorithm>
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

/* Halved rounding down, for areas smaller than the page as well. */
static int64_t HalfDown(int64_t d)
{
    return d >= 0 ? d / 2 : -((-d + 1) / 2);
}

/* The window is as wide as the screen and as high as the screen below its
 * title bar, but never smaller than the largest page needs; the page area
 * takes what the menu bar, the file row, the page tabs and the two columns
 * beside it leave, and the page lies in its middle. */
void PageBoxFor(uint32_t screenw, uint32_t screenh, uint32_t format, PageBox *box)
{
    if (format > 5)
        format = 2;
    const int64_t left = WINDOW_MARGIN + LEFT_COLUMN_WIDTH + WINDOW_SPACING;
    const int64_t top = MENU_BAR_HEIGHT + WINDOW_MARGIN + FILE_ROW_HEIGHT + WINDOW_SPACING + PAGE_TABS_HEIGHT +
                        WINDOW_SPACING;
    const int64_t right = WINDOW_SPACING + RIGHT_COLUMN_WIDTH + WINDOW_MARGIN, bottom = WINDOW_MARGIN;
    int64_t w = std::max<int64_t>(screenw, left + PAGE_AREA_LEAST + right);
    int64_t h = std::max<int64_t>(int64_t(screenh) - SCREEN_TITLE, top + PAGE_AREA_LEAST + bottom);
    box->winwidth = int32_t(w), box->winheight = int32_t(h);
    box->left = int32_t(left), box->top = int32_t(top);
    box->width = int32_t(w - left - right), box->height = int32_t(h - top - bottom);
    box->xstart = uint32_t(left + HalfDown(box->width - int64_t(pagesize[format][0])));
    box->ystart = uint32_t(top + HalfDown(box->height - int64_t(pagesize[format][1])));
    box->xend = box->xstart + pagesize[format][0];
    box->yend = box->ystart + pagesize[format][1];
}

/* The page rectangle (xstart, ystart)-(xend, yend) that drawing, selection
 * and the PDF read. */
void PlacePage(uint32_t screenw, uint32_t screenh, uint32_t format)
{
    PageBox box;
    PageBoxFor(screenw, screenh, format, &box);
    xstart = box.xstart, ystart = box.ystart, xend = box.xend, yend = box.yend;
}

/* Where the page's top-left corner lies on a screen of the given size:
 * between the screen a project was saved on and this one, the difference
 * is how far the page moved. */
void PageOrigin(uint32_t screenw, uint32_t screenh, uint32_t format, int32_t *x, int32_t *y)
{
    PageBox box;
    PageBoxFor(screenw, screenh, format, &box);
    *x = int32_t(box.xstart);
    *y = int32_t(box.ystart);
}

void CreateEmptyPage(uint32_t format)
{
    DebugPrint("-> CreateEmptyPage(%u)\n", format);
    PlatformWindowRefreshFrame(WIN_PROJECT);
    PageBox box;
    PageBoxFor(ScreenWidth, ScreenHeight, format, &box);
    xstart = box.xstart, ystart = box.ystart, xend = box.xend, yend = box.yend;
    PlatformShowPage(int32_t(xstart), int32_t(ystart), int32_t(xend), int32_t(yend));
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return;
    /* The whole area first, so a page of another format leaves no trace. */
    SetDrMd(rp, JAM1);
    SetAPen(rp, 0);
    RectFill(rp, box.left, box.top, box.left + box.width - 1, box.top + box.height - 1);
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
