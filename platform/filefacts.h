/*
 * filefacts.h - what the program found out about a file (the full name a
 * font file gives itself, the digest of its bytes), kept for as long as the
 * file stays as it was: the same file (device and inode), size,
 * modification and change times. Start-up and export then need not read
 * whole font files again to learn it.
 *
 * The facts live in a table the user's processes share,
 * `${XDG_CACHE_HOME:-~/.cache}/pagimo/files`, which a writer replaces whole
 * by renaming: processes running at once lose each other's facts at worst,
 * and find them out again. Paths here are host paths.
 */
#ifndef PAGIMO_PLATFORM_FILEFACTS_H
#define PAGIMO_PLATFORM_FILEFACTS_H

#include <cstdint>
#include <string>

/* How a file stands: which file it is and when it last changed. */
struct FileStamp {
    uint64_t dev, ino, size;
    int64_t mtime, ctime; /* nanoseconds */
};

/* The stamp of what `host` names, links followed; false when it is no
 * regular file. */
bool StampPath(const std::string &host, FileStamp *s);
bool StampDescriptor(int fd, FileStamp *s);
bool SameStamp(const FileStamp &a, const FileStamp &b);

/* The program's cache folder, with `sub` ("/fonts") a folder inside it,
 * made (mode 0700) when missing; empty when there can be none.
 * XDG_CACHE_HOME counts only as an absolute path. */
std::string CacheFolder(const char *sub = "");

/* The fact of that kind known about the file of that stamp; null when none. */
const std::string *FileFact(const FileStamp &s, const char *kind);
/* Keeps a fact about a file read while it had stamp `s`, until
 * SaveFileFacts writes the table; a file changed too lately to tell a later
 * change by its times is not kept. */
void KeepFileFact(const FileStamp &s, const char *kind, const std::string &fact);
void SaveFileFacts(void);

#endif
