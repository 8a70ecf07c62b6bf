/*
 * selection.h - showing elements as selected: their handle circles and the
 * property gadgets that follow the selection.
 */
#ifndef PAGIMO_VIEW_SELECTION_H
#define PAGIMO_VIEW_SELECTION_H

#include <cstdint>

struct GElement;

void SetSelectMarks(uint32_t page, GElement *element, uint8_t set, uint32_t count);

#endif
