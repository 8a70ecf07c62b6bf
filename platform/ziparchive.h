/*
 * ziparchive.h - project archives: a directory packed into a ZIP archive
 * with its entries under one top folder, as Info-ZIP's "zip -r" lays them
 * out, and such an archive unpacked again. Paths are program paths.
 */
#ifndef PAGIMO_PLATFORM_ZIPARCHIVE_H
#define PAGIMO_PLATFORM_ZIPARCHIVE_H

#include <cstdint>
#include <string>

struct FileFault;

enum { UNZIP_OK = 0, UNZIP_UNREADABLE = 1, UNZIP_REFUSED = 2 };

/* Largest amount an archive may unpack to, in all. */
extern uint64_t UnzipLimit;

/* A failure is said in `error`; one for a reason of the system (a full
 * disk, say) also in `fault`, naming the file it befell. */
bool ZipDirectory(const char *parent, const char *top, const char *archive, std::string &error,
                  FileFault *fault = nullptr);
int UnzipArchive(const char *archive, const char *parent, const char *top, std::string &error,
                 FileFault *fault = nullptr);

#endif
