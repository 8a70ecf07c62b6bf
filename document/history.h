/*
 * history.h - the undo history of the open project: the steps between the
 * states it took after each change, taken back and done again whole, and
 * the imported files those steps created, replaced or deleted.
 *
 * The main loop calls HistoryCheckpoint after every command; the history
 * finds by itself what the command changed. Commands that change files of
 * the project in place or delete them go through HistoryKeepFile and
 * HistoryDeleteFile, so that an undo finds the old versions again.
 */
#ifndef PAGIMO_DOCUMENT_HISTORY_H
#define PAGIMO_DOCUMENT_HISTORY_H

#include <cstddef>
#include <cstdint>

/* Steps kept at least, and the memory beyond which older steps go. */
enum { HISTORY_MIN_STEPS = 200 };
static const size_t HISTORY_MAX_BYTES = size_t(64) << 20;

void HistoryReset(void);
void HistoryEnd(void);
bool HistoryCheckpoint(int name, uint32_t page);
void HistoryAbsorb(void);

/* After an undo or redo: the page to show (1-based) and how many of its
 * elements the step touched; those are selected. */
struct HistoryShown {
    uint32_t page;
    uint32_t touched;
};
bool HistoryUndo(HistoryShown *shown);
bool HistoryRedo(HistoryShown *shown);
int HistoryUndoName(void);
int HistoryRedoName(void);
size_t HistorySteps(void);
size_t HistoryDone(void);
size_t HistoryBytes(void);

void HistoryMarkSaved(void);
bool HistoryAtSaved(void);

bool HistoryDeleteFile(const char *path);
void HistoryKeepFile(const char *path);

#endif
