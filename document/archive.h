/*
 * archive.h - opening and saving projects (the ".pfz" archive with the
 * element file). Result 0 is success.
 */
#ifndef PAGIMO_DOCUMENT_ARCHIVE_H
#define PAGIMO_DOCUMENT_ARCHIVE_H

#include <cstdint>

uint32_t OpenProject(void);
uint32_t SaveProject(bool state);

#endif
