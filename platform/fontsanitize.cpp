/*
 * fontsanitize.cpp - the sanitized fonts and their cache (see
 * fontsanitize.h).
 *
 * ots-sanitize runs through the program's command runner (argument
 * vector, no shell, input and output on /dev/null, no other file of the
 * program open). It exits non-zero for a font it refuses. A run that
 * crashes, is killed or outlives SanitizeMillis counts as a refusal (an
 * overdue one is killed first), so neither a hostile font nor a broken
 * sanitizer can hang or end the program; a missing program is reported as
 * such, never taken as a pass. Refusals are not kept: such a font is
 * checked again at its next use.
 *
 * The sanitizer reads a copy of exactly the bytes whose digest names the
 * entry, so a font file changing meanwhile cannot put one file's result
 * under another's name. Its input and output are held files of the
 * leftover kind ".pagimo-font-" beside the entries (leftovers.h), which
 * the next miss sweeps when their process died. An entry is the
 * sanitizer's output sealed with its digest (sha256.h, ENTRY_MARK); the
 * seal lies after the font's last table, where no reader of the tables
 * looks.
 *
 * Invariant: folder[] is empty exactly when no private folder exists.
 */
#include "platform/fontsanitize.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/assign.h"
#include "platform/files.h"
#include "platform/leftovers.h"
#include "platform/process.h"
#include "platform/sha256.h"
#include "platform/strutil.h"

const char *const SANITIZER_PROGRAM = "ots-sanitize";
int SanitizeMillis = 10000;

static const char ENTRY_MARK[8] = {'P', 'a', 'g', 'i', 'm', 'o', 'F', '1'};
enum { FONT_LEAST = 12 };

static char folder[1024]; /* host path of the private folder */

/* ------------------------------------------------------------ the folders */

/* Each missing part of `host` made with mode 0700. */
static bool MakePrivateTree(const std::string &host)
{
    struct stat st;
    if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return access(host.c_str(), W_OK | X_OK) == 0;
    for (size_t i = 1; i <= host.size(); i++) {
        if (i < host.size() && host[i] != '/')
            continue;
        if (mkdir(host.substr(0, i).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(host.c_str(), W_OK | X_OK) == 0;
}

/* XDG_CACHE_HOME counts only as an absolute path; else the home's .cache. */
std::string FontCacheFolder(void)
{
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        struct passwd *pw = home && home[0] == '/' ? nullptr : getpwuid(getuid());
        if (!(home && home[0] == '/') && !(pw && pw->pw_dir && pw->pw_dir[0] == '/'))
            return std::string();
        base = std::string(home && home[0] == '/' ? home : pw->pw_dir) + "/.cache";
    }
    std::string cache = base + "/pagimo/fonts";
    return cache.size() < sizeof(folder) - 100 && MakePrivateTree(cache) ? cache : std::string();
}

/* `area` is a program path ("PGT:"); the folder is made inside it. */
bool FontCopiesOpen(const char *area)
{
    FontCopiesClose();
    std::string tmpl = HostPath(area);
    if (tmpl.empty())
        return false;
    if (tmpl.back() != '/')
        tmpl += '/';
    tmpl += "fonts-XXXXXX";
    if (tmpl.size() >= sizeof(folder) - 100 || !mkdtemp(tmpl.data()))
        return false;
    Strlcpy(folder, tmpl.c_str(), sizeof(folder));
    return true;
}

void FontCopiesClose(void)
{
    if (folder[0])
        DeleteAll(folder);
    folder[0] = '\0';
}

const char *FontCopiesFolder(void)
{
    return folder;
}

/* ------------------------------------------------------------ reading */

/* A whole regular file, in one piece: fonts are read on every export, and
 * in one read they cost a copy, not a growing buffer. */
static bool ReadHostFile(const std::string &path, std::string *data)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= READ_WHOLE_MAX;
    if (ok)
        data->resize(size_t(st.st_size));
    size_t got = 0;
    while (ok && got < data->size()) {
        ssize_t n = read(fd, &(*data)[got], data->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        got += ok ? size_t(n) : 0;
    }
    close(fd);
    return ok;
}

/* ------------------------------------------------------------ entries */

/* The font of a whole entry, when its seal vouches for it. */
static bool ReadEntry(const std::string &path, std::string *bytes)
{
    std::string entry;
    long long body = ReadHostFile(path, &entry) ? SealedSize(ENTRY_MARK, entry) : -1;
    if (body < FONT_LEAST)
        return false;
    entry.resize(size_t(body));
    *bytes = std::move(entry);
    return true;
}

/* A new held file in `dir` holding `data`; -1 when it cannot be written. */
static int HeldFile(const std::string &dir, const std::string &data, std::string *path)
{
    *path = dir + "/.pagimo-font-XXXXXX";
    int fd = CreateHeld(*path, false);
    if (fd >= 0 && !WriteAll(fd, data.data(), data.size())) {
        unlink(path->c_str());
        ReleaseHeld(fd);
        return -1;
    }
    return fd;
}

/* ------------------------------------------------------------ the sanitizer */

/* A path the sanitizer cannot mistake for an option. */
static std::string Argument(const std::string &path)
{
    return !path.empty() && path[0] == '-' ? "./" + path : path;
}

static SanitizeResult RunSanitizer(const std::string &in, const std::string &out)
{
    int rc = RunCommandFor({SANITIZER_PROGRAM, Argument(in), Argument(out)}, SanitizeMillis);
    if (rc == RUN_NOT_STARTED)
        return SANITIZE_NO_PROGRAM;
    return rc == 0 ? SANITIZED : SANITIZE_REFUSED;
}

/* The sanitizer's output for `source`, made in `dir`; with `entry` it is
 * kept there under that name. A refusal may leave an empty or partial file
 * behind, which goes. */
static SanitizeResult Sanitize(const std::string &source, const std::string &dir, const std::string &entry,
                               std::string *bytes)
{
    SweepLeftovers(dir, LEFTOVER_FONT);
    std::string in, out;
    int infd = HeldFile(dir, source, &in);
    int outfd = infd >= 0 ? HeldFile(dir, std::string(), &out) : -1;
    SanitizeResult r = outfd < 0 ? SANITIZE_NO_FOLDER : RunSanitizer(in, out);
    unlink(in.c_str());
    ReleaseHeld(infd);
    if (r == SANITIZED && (!ReadHostFile(out, bytes) || bytes->size() < FONT_LEAST))
        r = SANITIZE_REFUSED;
    if (r == SANITIZED && !entry.empty()) {
        uint8_t seal[SEAL_SIZE];
        Seal(ENTRY_MARK, bytes->data(), bytes->size(), seal);
        /* The sanitizer wrote through a name of its own: append at the end. */
        if (lseek(outfd, 0, SEEK_END) == off_t(bytes->size()) &&
            WriteAll(outfd, reinterpret_cast<const char *>(seal), SEAL_SIZE))
            std::rename(out.c_str(), entry.c_str()); /* a cache that takes nothing is no failure */
    }
    unlink(out.c_str()); /* gone after the rename, or not kept */
    ReleaseHeld(outfd);
    return r;
}

SanitizeResult SanitizeFont(const char *path, std::string *bytes)
{
    std::string source;
    if (!ReadHostFile(HostPath(path), &source))
        return SANITIZE_REFUSED; /* what cannot be read cannot be checked */
    std::string cache = FontCacheFolder();
    if (cache.empty())
        return folder[0] ? Sanitize(source, folder, std::string(), bytes) : SANITIZE_NO_FOLDER;
    std::string entry = cache + "/" + Sha256Hex(source.data(), source.size()) + ".ttf";
    if (ReadEntry(entry, bytes))
        return SANITIZED;
    return Sanitize(source, cache, entry, bytes);
}
