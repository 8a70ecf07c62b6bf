/*
 * elementfile.h - the element file "Elemente.pff": a 14-byte identifier,
 * the 2048-byte project header, then per page a 508-byte page record and
 * its 532-byte element records. Integers are big-endian; text fields are
 * fixed, NUL-terminated arrays. Records are written and read field by
 * field at their fixed offsets, never copied from memory.
 */
#ifndef PAGIMO_DOCUMENT_ELEMENTFILE_H
#define PAGIMO_DOCUMENT_ELEMENTFILE_H

#include <cstdint>
#include <cstdio>

#include "document/records.h"

enum {
    EF_IDSIZE = 14,
    EF_HEADERSIZE = 2048,
    EF_PAGESIZE = 508,
    EF_ELEMENTSIZE = 532,
};

extern const char ElementFileId[];    /* "Mivra190706 V2" */
extern const char ElementFileName[];  /* "PGT:PAG4/Elemente.pff" */

void PackHeader(const ProjectData *pd, uint8_t *buf);
void UnpackHeader(const uint8_t *buf, ProjectData *pd);
void PackPage(const PageNode *pn, uint8_t *buf);
uint32_t UnpackPage(const uint8_t *buf, PageNode *pn);
void PackElement(const GElement *ge, uint8_t *buf);
void UnpackElement(const uint8_t *buf, GElement *ge);

bool WriteElementFile(const char *path);

/* Reading: what the identifier says and how the file was read. */
enum { EF_OK = 0, EF_NOFILE = 1, EF_DAMAGED = 2, EF_NOTPROJECT = 9 };
struct ReadResult {
    uint32_t code;
    bool version1;
    char reason[160];
};
/* Elements move with the page: by how far the page's place in the project
 * window on this screen (screenw x screenh) lies from its place on the
 * screen the header names (PageOrigin), plus -175 in x for version 1. A
 * screen width of 0 keeps the saved screen size: nothing is shifted. */
ReadResult ReadElementFile(const char *path, uint32_t screenw, uint32_t screenh);

#endif
