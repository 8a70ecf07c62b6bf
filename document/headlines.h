/*
 * headlines.h - the headline list (table of contents) and page links.
 */
#ifndef PAGIMO_DOCUMENT_HEADLINES_H
#define PAGIMO_DOCUMENT_HEADLINES_H

#include <cstdint>

bool HLManager(void);
uint32_t GetHLPageNo(uint32_t entryno);
void CheckPageLinks(uint32_t apage, bool del, bool correct);

#endif
