/*
 * drawing.h - drawing one element into the page view at one pixel per
 * point: lines, rectangle outlines, texts (with date, time and page-number
 * fields filled in at drawing) and pictures at their own pixel size.
 * Textboxes are drawn by the textbox view, not here.
 */
#ifndef PAGIMO_VIEW_DRAWING_H
#define PAGIMO_VIEW_DRAWING_H

#include <cstdint>

struct GElement;
struct RastPort;

bool DrawGraphicElements(GElement *element, bool del, uint32_t page);
bool DrawTextElement(RastPort *rp, GElement *element, uint8_t dmode, bool del, bool newtext, uint32_t page);
bool DrawTextboxElement(RastPort *rp, GElement *element, uint8_t dmode, bool del, bool newtext);
bool DrawPictureElement(RastPort *rp, GElement *ge, uint8_t dmode, bool del, bool newpic, uint32_t page);

#endif
