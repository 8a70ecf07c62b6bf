/*
 * leftovers.cpp - temporary files and folders held by their process, and
 * the sweep of those whose process has ended (see leftovers.h).
 *
 * A process holds what it makes by an advisory lock (flock) on the file or
 * folder itself, taken through a descriptor it keeps open until the entry
 * has been renamed into place or removed. The sweep removes an entry only
 * when it can take that lock itself. This tells a live owner from a dead
 * one for certain: the kernel drops the lock when the owner's last
 * descriptor closes, which happens at its death however it dies (kill -9
 * included), and a running owner keeps it without fail. No process id is
 * involved, so a reused id can never make a dead owner look alive or a
 * live one dead, and a second job in the same folder holds its own entries
 * under its own locks. The descriptors are close-on-exec, so a program the
 * owner starts (the font checker) never keeps a dead owner's entry alive.
 *
 * Two races are closed by checking names against descriptors: an owner
 * takes its lock just after making the entry, so a sweep may remove it in
 * between; the owner then finds its name no longer names its entry and
 * makes another. The sweep, having taken a lock, removes the name only if
 * it still names the entry it locked. Only names of the kinds made here
 * are looked at; a file system without locks (where flock fails) has
 * nothing swept.
 *
 * An archive is written into a folder of its own ("NAME.pfz.new-XXXXXX/")
 * because libzip writes through a temporary file of its own that it renames
 * in place: a lock on a file would be lost with that rename, while the
 * folder's lock covers whatever libzip puts into it.
 */
#include "platform/leftovers.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/settings.h"
#include "platform/files.h"

/* ------------------------------------------------------------ names */

/* The six characters mkstemp, mkdtemp and libzip put for "XXXXXX". */
static bool TempChars(const char *s)
{
    for (int i = 0; i < 6; i++)
        if (!std::isalnum(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

static bool PrefixAndTemp(const char *name, const char *prefix)
{
    size_t n = std::strlen(prefix);
    return !std::strncmp(name, prefix, n) && std::strlen(name) == n + 6 && TempChars(name + n);
}

/* "NAME.pfz.new-XXXXXX", or libzip's own temporary file beside such a
 * name ("….new-XXXXXX.XXXXXX"), which earlier versions left there. */
static bool ArchiveName(const char *name)
{
    static const char middle[] = ".pfz.new-";
    const size_t m = sizeof(middle) - 1;
    size_t len = std::strlen(name);
    for (size_t tail : {size_t(0), size_t(7)}) {
        if (len < m + 6 + tail)
            continue;
        const char *at = name + len - tail - m - 6;
        if (!strncasecmp(at, middle, m) && TempChars(at + m) &&
            (!tail || (at[m + 6] == '.' && TempChars(at + m + 7))))
            return true;
    }
    return false;
}

static bool IsKind(const char *name, LeftoverKind kind)
{
    switch (kind) {
    case LEFTOVER_JOB_AREA: return PrefixAndTemp(name, "job-");
    case LEFTOVER_PDF: return PrefixAndTemp(name, ".pagimo-pdf-");
    case LEFTOVER_ARCHIVE: return ArchiveName(name);
    case LEFTOVER_FONT: return PrefixAndTemp(name, ".pagimo-font-");
    }
    return false;
}

/* ------------------------------------------------------------ holding */

/* Whether `path` still names the entry open as `fd`. */
static bool SameEntry(const std::string &path, int fd)
{
    struct stat named, held;
    return lstat(path.c_str(), &named) == 0 && fstat(fd, &held) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

int CreateHeld(std::string &path, bool folder)
{
    const std::string pattern = path;
    for (int tries = 0; tries < 100; tries++) {
        path = pattern;
        int fd = -1;
        if (!folder)
            fd = mkostemp(path.data(), O_CLOEXEC);
        else if (mkdtemp(path.data()) &&
                 (fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) < 0 && errno == ENOENT)
            continue; /* swept before it was opened */
        if (fd < 0)
            return -1;
        int rc;
        while ((rc = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (rc != 0 || SameEntry(path, fd))
            return fd; /* without locks on this file system nothing is swept here */
        close(fd); /* swept before it was held: another name */
    }
    errno = EAGAIN;
    return -1;
}

void ReleaseHeld(int held)
{
    if (held >= 0)
        close(held);
}

/* ------------------------------------------------------------ sweeping */

static int OpenToLock(const std::string &path)
{
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = open(path.c_str(), O_RDONLY | flags);
    if (fd < 0 && errno == EACCES)
        fd = open(path.c_str(), O_WRONLY | flags); /* a PDF given the permissions of a write-only target */
    return fd;
}

static void RemoveIfUnheld(const std::string &path)
{
    int fd = OpenToLock(path);
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 && SameEntry(path, fd)) {
        DebugPrint("   removing %s, left by a process that has ended\n", path.c_str());
        if (S_ISDIR(st.st_mode))
            DeleteAll(path.c_str());
        else
            unlink(path.c_str());
    }
    close(fd);
}

void SweepLeftovers(const std::string &folder, LeftoverKind kind)
{
    DIR *d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return;
    std::vector<std::string> found;
    while (struct dirent *e = readdir(d))
        if (IsKind(e->d_name, kind))
            found.push_back(e->d_name);
    closedir(d);
    for (const std::string &name : found)
        RemoveIfUnheld((folder.empty() ? std::string(".") : folder) + "/" + name);
}

void SweepLeftoversBeside(const std::string &host, LeftoverKind kind)
{
    size_t slash = host.rfind('/');
    SweepLeftovers(slash == std::string::npos ? std::string(".") : host.substr(0, slash ? slash : 1), kind);
}
