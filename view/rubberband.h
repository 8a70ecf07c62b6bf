/*
 * rubberband.h - the outline that follows the pointer while a new element
 * is dragged out, the element made from it on release, and the outlines
 * of elements being moved.
 */
#ifndef PAGIMO_VIEW_RUBBERBAND_H
#define PAGIMO_VIEW_RUBBERBAND_H

#include <cstdint>

struct GElement;

void SetGlobalVariables(uint32_t x, uint32_t y);
bool DrawConstruct(int32_t sx, int32_t sy, int32_t ax, int32_t ay, uint32_t aktmode, bool draw);
GElement *EndDrawConstruct(uint32_t page, uint32_t sx, uint32_t sy, uint32_t ax, uint32_t ay,
                           uint32_t aktmode);
void MoveConstruct(GElement *ge, int32_t ax, int32_t ay, bool startstop, bool draw);
void EndMoveConstruct(GElement *ge, int32_t ax, int32_t ay, uint32_t page, bool draw);

#endif
