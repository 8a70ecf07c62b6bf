/*
 * pagelist.h - the operations through which the program creates, finds and
 * removes pages and elements, and the project's temporary folders.
 *
 * Page numbers count from 1 in list order; a page has no stored number.
 */
#ifndef PAGIMO_DOCUMENT_PAGELIST_H
#define PAGIMO_DOCUMENT_PAGELIST_H

#include <cstddef>
#include <cstdint>

#include "document/records.h"

void InitLists(void);
PageNode *AddPageList(PageNode *pnode);
PageNode *GetPageNode(uint32_t pageno);
GElement *AddGObject(uint32_t page, const GElement *newnode);
GElement *AddPageObject(PageNode *pn, const GElement *newnode);
GElement *GetObjListNode(uint32_t nodeno);
GElement *FindMarkedElement(uint32_t page, GElement *snode);
bool FindFilename(uint8_t typ, const char *fname, GElement **enode, int32_t nr);
void RemoveGObject(uint32_t page, GElement *node, bool delr, bool delf);
void RemovePageObject(PageNode *pn, GElement *node, bool delr, bool delf);
void RemovePageList(uint32_t pageno);
void FreeLists(int type);
bool SetPageElements(PageNode *pn, const GElement *recs, size_t n);
bool SetPageCount(uint32_t count);

bool IsTextType(uint32_t type);
void UnmarkPage(uint32_t pageno);
bool IsProjectFile(const char *fn);
void MatchFileNamesToProject(void);
bool CreateProjectStructure(void);
void RemoveProjectStructure(void);

#endif
