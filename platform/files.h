/*
 * files.h - the file operations of the program, on program paths (see
 * assign.h). They stand in for the shell's copy, delete, makedir and list.
 */
#ifndef PAGIMO_PLATFORM_FILES_H
#define PAGIMO_PLATFORM_FILES_H

#include <cstdio>
#include <string>
#include <vector>

enum FileKind { FK_NONE, FK_FILE, FK_DIR, FK_LINK, FK_OTHER };

struct DirEntry {
    std::string name;
    FileKind kind;
    long long size;
};

FileKind FileKindOf(const char *path);
bool PathExists(const char *path);
bool IsDirectory(const char *path);

/* A file operation that failed for a reason of the system: the file it
 * concerns (a host path) and errno; `err` 0 for no such reason. */
struct FileFault {
    std::string file;
    int err = 0;
};
/* Whether errno `err` says there is no room left: the disk, or the
 * user's share of it, is full. */
bool DiskFull(int err);

FILE *OpenFile(const char *path, const char *mode);
bool WriteAll(int fd, const char *buf, size_t n);
bool CopyFile(const char *from, const char *to, FileFault *fault = nullptr);
bool DeleteFile(const char *path);
bool DeleteAll(const char *path);
bool CreateDirTree(const char *path);
bool ListDirectory(const char *path, std::vector<DirEntry> &entries);
/* The permissions of a file written anew to replace `host` (a host path):
 * those of the file it replaces, or the usual ones of the user's new files. */
unsigned ReplacementMode(const std::string &host);
bool WriteFileReplacing(const char *path, const std::string &data, FileFault *fault = nullptr);
/* Texts and tables larger than this are refused rather than read. */
enum { READ_WHOLE_MAX = 64 << 20 };
bool ReadWholeFile(const char *path, std::string *data);

#endif
