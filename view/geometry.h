/*
 * geometry.h - where the page lies in the main window, the empty page, the
 * tests whether the pointer or an element is on the page, and the
 * coordinate read-outs. The page is shown at one pixel per PDF point.
 */
#ifndef PAGIMO_VIEW_GEOMETRY_H
#define PAGIMO_VIEW_GEOMETRY_H

#include <cstdint>

struct GElement;

extern const uint32_t pagesize[6][2];
extern uint32_t xstart, ystart, xend, yend;

void CreateEmptyPage(uint32_t format);
void PageOrigin(uint32_t screenw, uint32_t screenh, uint32_t format, int32_t *x, int32_t *y);
bool OnPage(uint32_t xstart, uint32_t xend, uint32_t ystart, uint32_t yend);
bool PointOnPage(int32_t x, int32_t y);
bool ElementOnPage(const GElement *element, uint32_t xstart, uint32_t xend, uint32_t ystart, uint32_t yend);
int32_t PixelToMM(int32_t d);
void SetCoordinates(int mode, int32_t ppx = 0, int32_t ppy = 0, int32_t px = 0, int32_t py = 0,
                    int32_t pdx = 0, int32_t pdy = 0, int32_t mdx = 0, int32_t mdy = 0);

#endif
