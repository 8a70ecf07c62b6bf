/*
 * headlines.h - the headline list (table of contents) and page links.
 */
#ifndef PAGIMO_DOCUMENT_HEADLINES_H
#define PAGIMO_DOCUMENT_HEADLINES_H

#include <cstdint>

struct GElement;

bool HLManager(void);
uint32_t GetHLPageNo(uint32_t entryno);
/* The row (from 1) of the element in the headline list as last built;
 * 0 when the list does not show it. */
uint32_t HeadlineRow(const GElement *ge);
void CheckPageLinks(uint32_t apage, bool del, bool correct);

#endif
