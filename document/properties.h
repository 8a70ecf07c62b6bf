/*
 * properties.h - the bridge between the property gadgets of the main window
 * and the element records: reading the gadgets into an element, showing an
 * element in the gadgets, measuring elements, and the object list.
 */
#ifndef PAGIMO_DOCUMENT_PROPERTIES_H
#define PAGIMO_DOCUMENT_PROPERTIES_H

#include <cstdint>

struct GElement;

extern uint32_t ObjWidth, ObjHeight; /* the last size measured */

void GetTextData(uint32_t aktmode, char *fontname, uint32_t *size, char *text, uint8_t *level);
void SetObjData(GElement *elem, char *fn);
int GetObjSize(uint32_t type, bool calc, GElement *gnode, uint32_t *width, uint32_t *height,
               const char *textline);
void CreatePageElementList(uint32_t aktpage);
void ChangeNodeData(GElement *mnode);
void RefreshFieldText(GElement *ge, uint32_t pageno);

#endif
