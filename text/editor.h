/*
 * editor.h - the text editor window of textboxes: opening it on a text
 * file, saving, checking the spelling of what it holds, and leaving it.
 */
#ifndef PAGIMO_TEXT_EDITOR_H
#define PAGIMO_TEXT_EDITOR_H

#include <cstdint>

struct GElement;
struct MsgPort;

enum { EDIT_OPEN = 1, EDIT_SAVE = 3 };

bool EditTextboxFile(uint8_t marked, GElement *mnode, MsgPort *SPort, void *mstrip, int mode,
                     uint32_t aktpage);
int16_t CheckEditorGadgets(MsgPort *SPort, void *mstrip, uint32_t id, GElement *mnode,
                           uint32_t aktpage, uint32_t *aktmode, uint8_t *marked, int16_t saved);

#endif
