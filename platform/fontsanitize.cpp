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
 * A font file's digest, and that an entry's seal was found sound, are kept
 * as facts about those files (filefacts.h): while a font file stands as it
 * did, a later export reads neither it nor sums its entry, but takes the
 * entry its digest names; a file changed in place, or an entry changed by
 * hand, stands otherwise and is read and summed again.
 *
 * Invariant: folder[] is empty exactly when no private folder exists.
 */
#include "platform/fontsanitize.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/assign.h"
#include "platform/filefacts.h"
#include "platform/files.h"
#include "platform/leftovers.h"
#include "platform/process.h"
#include "platform/sha256.h"
#include "platform/strutil.h"

const char *const SANITIZER_PROGRAM = "ots-sanitize";
int SanitizeMillis = 10000;

static const char ENTRY_MARK[8] = {'P', 'a', 'g', 'i', 'm', 'o', 'F', '1'};
static const char FACT_DIGEST[] = "font-digest"; /* of a font file: the SHA-256 of its bytes */
static const char FACT_SEALED[] = "font-sealed"; /* of an entry: its seal was found sound */
enum { FONT_LEAST = 12 };

static char folder[1024]; /* host path of the private folder */

/* ------------------------------------------------------------ the folders */

std::string FontCacheFolder(void)
{
    std::string cache = CacheFolder("/fonts");
    return cache.size() < sizeof(folder) - 100 ? cache : std::string();
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
 * in one read they cost a copy, not a growing buffer. With `stamp`, the
 * file's stamp while it was read; its device is 0 when it changed meanwhile. */
static bool ReadHostFile(const std::string &path, std::string *data, FileStamp *stamp = nullptr)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    FileStamp before, after;
    bool ok = StampDescriptor(fd, &before) && before.size <= READ_WHOLE_MAX;
    if (ok)
        data->resize(size_t(before.size));
    size_t got = 0;
    while (ok && got < data->size()) {
        ssize_t n = read(fd, &(*data)[got], data->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        got += ok ? size_t(n) : 0;
    }
    if (ok && stamp) {
        *stamp = before;
        if (!StampDescriptor(fd, &after) || !SameStamp(before, after))
            stamp->dev = 0;
    }
    close(fd);
    return ok;
}

/* ------------------------------------------------------------ entries */

const char *FontData(const FontBytes &bytes)
{
    return bytes.mapped ? bytes.mapped : bytes.copy.data();
}

void FreeFontBytes(FontBytes *bytes)
{
    if (bytes->mapped)
        munmap(const_cast<char *>(bytes->mapped), bytes->length);
    bytes->copy.clear();
    bytes->mapped = nullptr;
    bytes->size = bytes->length = 0;
}

/* The font of a whole entry, mapped, when its seal vouches for it; an
 * entry whose seal was found sound while it stood as it stands now is
 * taken without summing it again, nor reading more of it than libharu
 * uses. */
static bool ReadEntry(const std::string &path, FontBytes *bytes)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    FileStamp stamp;
    bool whole = StampDescriptor(fd, &stamp) && stamp.size >= uint64_t(SEAL_SIZE) + FONT_LEAST && stamp.size <= READ_WHOLE_MAX;
    void *map = whole ? mmap(nullptr, size_t(stamp.size), PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    if (map == MAP_FAILED)
        return false;
    const char *entry = static_cast<const char *>(map);
    long long body = (long long)(stamp.size - SEAL_SIZE);
    bool known = FileFact(stamp, FACT_SEALED);
    if (!known && !std::memcmp(entry + body, ENTRY_MARK, sizeof(ENTRY_MARK)))
        body = SealedSize(ENTRY_MARK, entry, size_t(stamp.size));
    else if (!known)
        body = -1;
    if (body < FONT_LEAST) {
        munmap(map, size_t(stamp.size));
        return false;
    }
    if (!known)
        KeepFileFact(stamp, FACT_SEALED, "");
    *bytes = FontBytes{std::string(), entry, size_t(body), size_t(stamp.size)};
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
                               FontBytes *bytes)
{
    SweepLeftovers(dir, LEFTOVER_FONT);
    std::string in, out;
    int infd = HeldFile(dir, source, &in);
    int outfd = infd >= 0 ? HeldFile(dir, std::string(), &out) : -1;
    SanitizeResult r = outfd < 0 ? SANITIZE_NO_FOLDER : RunSanitizer(in, out);
    unlink(in.c_str());
    ReleaseHeld(infd);
    std::string &font = bytes->copy;
    if (r == SANITIZED && (!ReadHostFile(out, &font) || font.size() < FONT_LEAST))
        r = SANITIZE_REFUSED;
    bytes->size = r == SANITIZED ? font.size() : 0;
    if (r == SANITIZED && !entry.empty()) {
        uint8_t seal[SEAL_SIZE];
        Seal(ENTRY_MARK, font.data(), font.size(), seal);
        /* The sanitizer wrote through a name of its own: append at the end. */
        if (lseek(outfd, 0, SEEK_END) == off_t(font.size()) &&
            WriteAll(outfd, reinterpret_cast<const char *>(seal), SEAL_SIZE))
            std::rename(out.c_str(), entry.c_str()); /* a cache that takes nothing is no failure */
    }
    unlink(out.c_str()); /* gone after the rename, or not kept */
    ReleaseHeld(outfd);
    return r;
}

/* The entry of a font file whose digest is known from when it stood as it
 * stands now: the file itself need not be read. */
static bool ReadKnownEntry(const std::string &host, const std::string &cache, FontBytes *bytes)
{
    FileStamp stamp;
    const std::string *digest = StampPath(host, &stamp) ? FileFact(stamp, FACT_DIGEST) : nullptr;
    /* A digest names an entry of the cache, and nothing beside it. */
    return digest && digest->size() == 2 * SHA256_SIZE &&
           digest->find_first_not_of("0123456789abcdef") == std::string::npos &&
           ReadEntry(cache + "/" + *digest + ".ttf", bytes);
}

SanitizeResult SanitizeFont(const char *path, FontBytes *bytes)
{
    std::string host = HostPath(path), cache = FontCacheFolder();
    bool found = !cache.empty() && ReadKnownEntry(host, cache, bytes);
    if (found) {
        SaveFileFacts();
        return SANITIZED;
    }
    std::string source;
    FileStamp stamp;
    if (!ReadHostFile(host, &source, &stamp))
        return SANITIZE_REFUSED; /* what cannot be read cannot be checked */
    if (cache.empty())
        return folder[0] ? Sanitize(source, folder, std::string(), bytes) : SANITIZE_NO_FOLDER;
    std::string digest = Sha256Hex(source.data(), source.size()), entry = cache + "/" + digest + ".ttf";
    SanitizeResult r = ReadEntry(entry, bytes) ? SANITIZED : Sanitize(source, cache, entry, bytes);
    if (r == SANITIZED && stamp.dev)
        KeepFileFact(stamp, FACT_DIGEST, digest);
    SaveFileFacts();
    return r;
}
