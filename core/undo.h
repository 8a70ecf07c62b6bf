/*
 * undo.h - the Undo and Redo commands: which change a message makes, the
 * step it becomes in the history, and the window after a step is taken
 * back or done again.
 */
#ifndef PAGIMO_CORE_UNDO_H
#define PAGIMO_CORE_UNDO_H

#include <cstdint>

struct LoopState;

/* What a message is to the history, decided before it is handled. */
enum { UNDO_NO_STEP = 0, UNDO_SKIP = -1 };

int UndoStepName(const LoopState *ls, uint32_t cls, uint32_t id);
void UndoAfterCommand(LoopState *ls, int name);
void UndoCommand(LoopState *ls, bool redo, void *mstrip);
void ShowUndoItems(void *mstrip);

#endif
