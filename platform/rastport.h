/*
 * rastport.h - drawing into a window: a pen-based surface with the drawing
 * modes JAM1 (draw with the pen) and COMPLEMENT (invert the pixels drawn, so
 * drawing the same figure twice restores the picture). Lines are one pixel
 * wide and never smoothed. Coordinates are window coordinates.
 */
#ifndef PAGIMO_PLATFORM_RASTPORT_H
#define PAGIMO_PLATFORM_RASTPORT_H

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

/* A picture of picture.h copied unscaled with its top-left corner at
 * (x, y), its alpha blended over what lies below. */
void DrawPicture(RastPort *rp, const void *picture, int32_t x, int32_t y);

#endif
