/*
 * archive.h - opening and saving projects: the ".pfz" archive (".ptz" opens
 * as an untitled template) holding the working area "PGT:PAG4" with its
 * element file. Results: 0 success; open 1 cancelled or no project in the
 * file, 2 damaged or refused, 9 not a project; save 1 failed, 9 cancelled.
 */
#ifndef PAGIMO_DOCUMENT_ARCHIVE_H
#define PAGIMO_DOCUMENT_ARCHIVE_H

#include <cstdint>

uint32_t OpenProject(void);
uint32_t OpenProjectPath(const char *chosen);
uint32_t SaveProject(bool state);
const char *ProjectName(void);
const char *ProjectFile(void);
void SetProjectName(const char *name);

#endif
