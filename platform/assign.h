/*
 * assign.h - paths in the program's own form ("PGT:PAG4/Bilder/a.png") and
 * their host directories.
 *
 * The program and its stored files keep paths with a volume or assign name
 * before ":". They become host paths only here, at the file-system boundary.
 * Known assigns: "T:" (per-user temporary directory), "PGT:" (the working
 * area, set at start-up), "FONTS:", "tbimages:" (the toolbar image set) and
 * "PROGDIR:" (the program's directory). A name without a volume is a host
 * path, relative to the current directory unless it starts with "/".
 * Assign names compare without regard to case.
 */
#ifndef PAGIMO_PLATFORM_ASSIGN_H
#define PAGIMO_PLATFORM_ASSIGN_H

#include <cstddef>
#include <string>

bool AssignInit(void);
bool AssignPath(const char *name, const char *target);
bool AssignExists(const char *name);
std::string HostPath(const char *path);
std::string ProgramDirectory(void);

bool AddPart(char *dir, const char *file, size_t size);
const char *FilePart(const char *path);

#endif
