/*
 * rastport.h - drawing into a window: a pen-based surface with the drawing
 * modes JAM1 (draw with the pen) and COMPLEMENT (invert the pixels drawn, so
 * drawing the same figure twice restores the picture). Lines are one pixel
 * wide and never smoothed. Coordinates are window coordinates.
 */
#ifndef PAGIMO_PLATFORM_RASTPORT_H
#define PAGIMO_PLATFORM_RASTPORT_H

#include <cstddef>
#include <cstdint>

enum { JAM1 = 0, COMPLEMENT = 2 };

struct RastPort;

RastPort *WindowRastPort(int win);
void SetAPen(RastPort *rp, uint8_t pen);
void SetDrMd(RastPort *rp, uint8_t mode);
void Move(RastPort *rp, int32_t x, int32_t y);
void Draw(RastPort *rp, int32_t x, int32_t y);
void RectFill(RastPort *rp, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void DrawEllipse(RastPort *rp, int32_t cx, int32_t cy, int32_t rx, int32_t ry);
void WritePixel(RastPort *rp, int32_t x, int32_t y);
void RefreshArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
uint32_t ReadPixelRGB(RastPort *rp, int32_t x, int32_t y);
uint32_t PenRGB(uint8_t pen);

/* A picture of picture.h drawn into the box (x, y, width, height),
 * scaled smoothly, its alpha blended over what lies below; a width or
 * height of 0 takes the picture's own. */
void DrawPicture(RastPort *rp, const void *picture, int32_t x, int32_t y, int32_t width = 0, int32_t height = 0);

/* A text: glyphs of the TrueType file `file` (a host path) at `em` pixels
 * per em, each at its offset in pixels from x along the baseline; the page
 * view draws their outlines at every zoom. */
void DrawGlyphRun(RastPort *rp, const char *file, double em, int32_t x, int32_t baseline, const uint32_t *glyphs,
                  const double *offsets, size_t count);

/* A selection handle at (x, y): drawn above the page at the same size on
 * the screen at every zoom, or taken away again. */
void DrawHandle(RastPort *rp, int32_t x, int32_t y, bool on);

#endif
