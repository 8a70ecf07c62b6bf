/*
 * editing.h - the commands that change the contents of the project: page
 * insert and remove, deleting, the clipboard, moving and nudging the
 * selection and changing the properties of the selected element.
 */
#ifndef PAGIMO_CORE_EDITING_H
#define PAGIMO_CORE_EDITING_H

#include <cstdint>

struct LoopState;

void InsertPage(LoopState *ls);
void RemovePage(LoopState *ls);
void DeleteSelection(LoopState *ls);
void EditCommand(LoopState *ls, uint32_t id);
void ShowSelection(LoopState *ls);
void StartMove(LoopState *ls, int32_t x, int32_t y);
void FollowMove(LoopState *ls, int32_t x, int32_t y);
void AbandonMove(LoopState *ls);
void EndMove(LoopState *ls, int32_t x, int32_t y);
void NudgeSelection(LoopState *ls, int32_t dx, int32_t dy);

#endif
