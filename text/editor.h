/*
 * editor.h - the text editor window of textboxes.
 */
#ifndef PAGIMO_TEXT_EDITOR_H
#define PAGIMO_TEXT_EDITOR_H

#include <cstdint>

struct GElement;
struct MsgPort;

int16_t CheckEditorGadgets(MsgPort *SPort, void *mstrip, uint32_t id, GElement *mnode,
                           uint32_t aktpage, uint32_t *aktmode, uint8_t *marked, int16_t saved);

#endif
