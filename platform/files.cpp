/*
 * files.cpp - file operations on program paths (see files.h).
 *
 * Every name goes through HostPath. Links are never followed when deleting,
 * so removing the working area can never reach outside it.
 */
#include "platform/files.h"
#include "platform/assign.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

/* ------------------------------------------------------------ queries */

static FileKind KindOfStat(const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        return FK_FILE;
    if (S_ISDIR(st.st_mode))
        return FK_DIR;
    if (S_ISLNK(st.st_mode))
        return FK_LINK;
    return FK_OTHER;
}

/* The kind of the entry itself: a link reports FK_LINK. */
FileKind FileKindOf(const char *path)
{
    struct stat st;
    if (lstat(HostPath(path).c_str(), &st) != 0)
        return FK_NONE;
    return KindOfStat(st);
}

/* Existence follows links, as opening the name would. */
bool PathExists(const char *path)
{
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0;
}

bool IsDirectory(const char *path)
{
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/* ------------------------------------------------------------ files */

FILE *OpenFile(const char *path, const char *mode)
{
    return std::fopen(HostPath(path).c_str(), mode);
}

bool DiskFull(int err)
{
    return err == ENOSPC || err == EDQUOT;
}

static void SetFault(FileFault *fault, const std::string &file, int err)
{
    if (fault)
        *fault = FileFault{file, err};
}

/* The whole buffer, or false with errno (a disk that fills up part way
 * first takes what fits, then refuses the rest). */
bool WriteAll(int fd, const char *buf, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, buf, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return false;
        if (w == 0) {
            errno = ENOSPC;
            return false;
        }
        buf += w;
        n -= size_t(w);
    }
    return true;
}

/* False with errno, and `writing` telling whether writing failed. */
static bool CopyFd(int in, int out, bool *writing)
{
    char buf[65536];
    for (;;) {
        ssize_t n = read(in, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        *writing = n > 0;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(out, buf, size_t(n)))
            return false;
    }
}

/* Overwrites the target, as the shell's copy does. A failed copy removes the
 * partial target rather than leave a truncated file behind; `fault` names
 * the file that failed, and why. */
bool CopyFile(const char *from, const char *to, FileFault *fault)
{
    std::string src = HostPath(from), dst = HostPath(to);
    /* Only a regular file is copied: a FIFO would block the program and a
     * device would never end. */
    int in = open(src.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        SetFault(fault, src, errno);
        return false;
    }
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetFault(fault, src, 0);
        close(in);
        return false;
    }
    fcntl(in, F_SETFL, fcntl(in, F_GETFL) & ~O_NONBLOCK);
    int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        SetFault(fault, dst, errno);
        close(in);
        return false;
    }
    bool writing = false;
    bool ok = CopyFd(in, out, &writing);
    if (!ok)
        SetFault(fault, writing ? dst : src, errno);
    close(in);
    if (close(out) != 0 && ok) {
        SetFault(fault, dst, errno);
        ok = false;
    }
    if (!ok)
        unlink(dst.c_str());
    return ok;
}

bool DeleteFile(const char *path)
{
    return unlink(HostPath(path).c_str()) == 0;
}

static int RemoveEntry(const char *p, const struct stat *, int flag, struct FTW *)
{
    if (flag == FTW_DP)
        rmdir(p);
    else
        unlink(p);
    return 0;
}

/* Removes a file or a whole tree; links are removed, never followed. */
bool DeleteAll(const char *path)
{
    std::string host = HostPath(path);
    struct stat st;
    if (lstat(host.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return unlink(host.c_str()) == 0;
    nftw(host.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return lstat(host.c_str(), &st) != 0;
}

/* ------------------------------------------------------------ directories */

bool CreateDirTree(const char *path)
{
    std::string host = HostPath(path);
    if (host.empty())
        return false;
    for (size_t i = 1; i <= host.size(); i++) {
        if (i < host.size() && host[i] != '/')
            continue;
        std::string part = host.substr(0, i);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/* Entries in name order, without "." and "..". */
bool ListDirectory(const char *path, std::vector<DirEntry> &entries)
{
    std::string host = HostPath(path);
    DIR *d = opendir(host.c_str());
    if (!d)
        return false;
    entries.clear();
    while (struct dirent *e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        struct stat st;
        std::string full = host + "/" + e->d_name;
        if (lstat(full.c_str(), &st) != 0)
            continue;
        entries.push_back(DirEntry{e->d_name, KindOfStat(st), (long long)st.st_size});
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry &a, const DirEntry &b) { return a.name < b.name; });
    return true;
}

/* ------------------------------------------------------------ replacing */

unsigned ReplacementMode(const std::string &host)
{
    struct stat st;
    if (stat(host.c_str(), &st) == 0)
        return st.st_mode & 07777;
    mode_t mask = umask(0); /* reading the mask means setting it */
    umask(mask);
    return 0666 & ~mask;
}

/* The new contents go into a file of their own beside the old one, which
 * the rename replaces in one step: a failed write (a full disk) leaves the
 * old file as it was, and `fault` names it with the reason. */
bool WriteFileReplacing(const char *path, const std::string &data, FileFault *fault)
{
    std::string host = HostPath(path);
    std::string temp = host + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        SetFault(fault, host, errno);
        return false;
    }
    bool ok = fchmod(fd, mode_t(ReplacementMode(host))) == 0 && WriteAll(fd, data.data(), data.size()) &&
              fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), host.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        SetFault(fault, host, err);
        unlink(temp.c_str());
    }
    return ok;
}

/* The whole of a regular file of at most READ_WHOLE_MAX bytes, or false.
 * A name from a project may point anywhere: a FIFO would block the open
 * and a device would never end, so neither is read. */
bool ReadWholeFile(const char *path, std::string *data)
{
    int fd = open(HostPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= READ_WHOLE_MAX;
    data->clear();
    if (ok) /* grown once: a file of megabytes is not copied on every doubling */
        data->reserve(size_t(st.st_size));
    char buf[65536];
    while (ok) {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0 && data->size() + size_t(n) <= READ_WHOLE_MAX;
        if (n <= 0)
            break;
        data->append(buf, size_t(n));
    }
    close(fd);
    return ok;
}
