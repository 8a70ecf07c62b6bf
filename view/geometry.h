/*
 * geometry.h - where the page lies in the main window, the empty page, the
 * tests whether the pointer or an element is on the page, and the
 * coordinate read-outs. The page is shown at one pixel per PDF point.
 *
 * Where the page lies is one function of the screen size and the page
 * format (PageBoxFor): the project window builds itself from the measures
 * below, and the PDF job, which opens no window, asks the same function.
 */
#ifndef PAGIMO_VIEW_GEOMETRY_H
#define PAGIMO_VIEW_GEOMETRY_H

#include <cstdint>

struct GElement;

extern const uint32_t pagesize[6][2];
extern uint32_t xstart, ystart, xend, yend;

/* The project window's fixed measures in pixels. Margins and spacing are
 * those of every window the platform lays out. */
enum {
    SCREEN_TITLE = 30,       /* the screen's title bar above the window */
    WINDOW_MARGIN = 4,
    WINDOW_SPACING = 4,
    MENU_BAR_HEIGHT = 19,
    FILE_ROW_HEIGHT = 31,    /* the row of file buttons and choosers */
    PAGE_TABS_HEIGHT = 26,
    LEFT_COLUMN_WIDTH = 300, /* the tools and properties */
    RIGHT_COLUMN_WIDTH = 360, /* the object list, outline and PDF settings */
    PAGE_AREA_LEAST = 844,   /* the largest page (842 points) and its frame */
};

/* The project window on a screen: its size, the page area's box and the
 * page's rectangle in it, in window coordinates. */
struct PageBox {
    int32_t winwidth, winheight;
    int32_t left, top, width, height;
    uint32_t xstart, ystart, xend, yend;
};

void PageBoxFor(uint32_t screenw, uint32_t screenh, uint32_t format, PageBox *box);
void PlacePage(uint32_t screenw, uint32_t screenh, uint32_t format);
void CreateEmptyPage(uint32_t format);
void PageOrigin(uint32_t screenw, uint32_t screenh, uint32_t format, int32_t *x, int32_t *y);
bool OnPage(uint32_t xstart, uint32_t xend, uint32_t ystart, uint32_t yend);
bool PointOnPage(int32_t x, int32_t y);
bool ElementOnPage(const GElement *element, uint32_t xstart, uint32_t xend, uint32_t ystart, uint32_t yend);
int32_t PixelToMM(int32_t d);
void SetCoordinates(int mode, int32_t ppx = 0, int32_t ppy = 0, int32_t px = 0, int32_t py = 0,
                    int32_t pdx = 0, int32_t pdy = 0, int32_t mdx = 0, int32_t mdy = 0);

#endif
