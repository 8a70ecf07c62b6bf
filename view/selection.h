/*
 * selection.h - which element lies under the pointer, what a lasso takes,
 * and showing elements as selected: their handle circles and the property
 * gadgets that follow the selection. Coordinates are window pixels; the
 * pointer's tolerances are screen pixels, whatever the page view's zoom.
 */
#ifndef PAGIMO_VIEW_SELECTION_H
#define PAGIMO_VIEW_SELECTION_H

#include <cstdint>

struct GElement;

void SetSelectMarks(uint32_t page, GElement *element, uint8_t set, uint32_t count);
void ShowSelectMarks(uint32_t page);
bool LineSelected(const GElement *element, uint32_t x, uint32_t y);
bool BoxSelected(const GElement *element, uint32_t x, uint32_t y, uint32_t xstart, uint32_t ystart);
GElement *GetElementAtPos(uint32_t page, uint32_t x, uint32_t y, uint32_t xstart, uint32_t ystart);
int8_t MarkerSelected(const GElement *element, uint32_t x, uint32_t y);
double ScreenPixels(double pixels);
uint32_t LassoSelect(uint32_t page, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2);

#endif
