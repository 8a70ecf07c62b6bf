/*
 * editing.h - the commands that change the contents of the project: page
 * insert and remove, deleting the selection, and the commands whose work
 * lies with the page view.
 */
#ifndef PAGIMO_CORE_EDITING_H
#define PAGIMO_CORE_EDITING_H

#include <cstdint>

struct LoopState;

void InsertPage(LoopState *ls);
void RemovePage(LoopState *ls);
void DeleteSelection(LoopState *ls);
void EditCommand(LoopState *ls, uint32_t id);

#endif
