/*
 * editor.cpp - the gadgets of the text editor window. The editor cannot be
 * opened yet, so none of its gadgets can send anything; the saved state
 * passes through unchanged.
 */
#include "text/editor.h"

int16_t CheckEditorGadgets(MsgPort *SPort, void *mstrip, uint32_t id, GElement *mnode,
                           uint32_t aktpage, uint32_t *aktmode, uint8_t *marked, int16_t saved)
{
    (void)SPort, (void)mstrip, (void)id, (void)mnode, (void)aktpage, (void)aktmode, (void)marked;
    return saved;
}
