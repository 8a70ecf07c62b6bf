/*
 * marks.h - the clipboard: copy and cut mark the selected elements of a
 * page in place; paste duplicates or moves them to the current page.
 */
#ifndef PAGIMO_DOCUMENT_MARKS_H
#define PAGIMO_DOCUMENT_MARKS_H

#include <cstdint>

enum { MBIT_NONE = 0, MBIT_COPY = 1, MBIT_CUT = 2 };

void SetMBitFlags(uint32_t aktpage, uint32_t marked, uint8_t oper);
bool ClipboardHolds(void);
uint8_t ProcessMBitFlags(uint32_t aktpage);
void MoveClipboardPage(uint32_t apage, bool del);

#endif
