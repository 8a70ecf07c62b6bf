/*
 * filefacts.cpp - facts about files, kept while the files stay as they
 * were (see filefacts.h).
 *
 * A change to a file sets its change time to the file system's clock, and
 * that clock moves on in ticks of a few milliseconds at most: a file changed
 * in the same tick as it was read would show the same times as before. So a
 * fact is kept only about a file whose change time lay SETTLE_NS before the
 * moment its stamp was taken; any later change then shows a later time. A
 * change that keeps size and times, which only the system's clock or a
 * damaged disk can make, goes unseen.
 *
 * The table is a text file of one fact a line, "KIND DEV INO SIZE MTIME
 * CTIME FACT", the newest last, at most MOST_FACTS of them. It is written
 * as a held file of the font cache's kind beside it (leftovers.h) and
 * renamed into place. Each process reads it once (again when the cache's
 * place changes) and writes it when it learnt something.
 */
#include "platform/filefacts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/leftovers.h"

enum { MOST_FACTS = 1000, TABLE_MAX = 1 << 20 };
static const int64_t SETTLE_NS = 50000000; /* well above the coarsest clock tick of a file system */

struct Fact {
    std::string kind;
    FileStamp stamp;
    std::string fact;
};

static std::vector<Fact> facts;
static std::string facts_for; /* the environment the table was found by */
static std::string facts_file;
static bool learnt; /* facts were kept since the table was read */

/* ------------------------------------------------------------ stamps */

static int64_t Nanoseconds(const struct timespec &t)
{
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

static bool Stamp(const struct stat &st, FileStamp *s)
{
    if (!S_ISREG(st.st_mode))
        return false;
    *s = FileStamp{uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size), Nanoseconds(st.st_mtim),
                   Nanoseconds(st.st_ctim)};
    return true;
}

bool StampPath(const std::string &host, FileStamp *s)
{
    struct stat st;
    return stat(host.c_str(), &st) == 0 && Stamp(st, s);
}

bool StampDescriptor(int fd, FileStamp *s)
{
    struct stat st;
    return fstat(fd, &st) == 0 && Stamp(st, s);
}

bool SameStamp(const FileStamp &a, const FileStamp &b)
{
    return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime == b.mtime && a.ctime == b.ctime;
}

static bool Settled(const FileStamp &s)
{
    struct timespec now;
    return clock_gettime(CLOCK_REALTIME, &now) == 0 && s.ctime < Nanoseconds(now) - SETTLE_NS;
}

/* ------------------------------------------------------------ the folder */

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

std::string CacheFolder(const char *sub)
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
    std::string cache = base + "/pagimo" + sub;
    return MakePrivateTree(cache) ? cache : std::string();
}

/* ------------------------------------------------------------ the table */

static void ParseFacts(const std::string &text)
{
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break; /* a line cut short is no fact */
        std::string line = text.substr(at, end - at);
        at = end + 1;
        char kind[32];
        unsigned long long dev, ino, size;
        long long mtime, ctime;
        int used = 0;
        if (std::sscanf(line.c_str(), "%31s %llu %llu %llu %lld %lld %n", kind, &dev, &ino, &size, &mtime, &ctime,
                        &used) == 6 && used > 0)
            facts.push_back(Fact{kind, FileStamp{dev, ino, size, mtime, ctime}, line.substr(size_t(used))});
    }
}

/* The table of the cache the environment names, read at the first use. */
static void LoadFacts(void)
{
    const char *xdg = std::getenv("XDG_CACHE_HOME"), *home = std::getenv("HOME");
    std::string place = std::string(xdg ? xdg : "") + '\n' + (home ? home : "");
    if (place == facts_for)
        return;
    facts_for = place;
    facts.clear();
    learnt = false;
    std::string folder = CacheFolder();
    facts_file = folder.empty() ? std::string() : folder + "/files";
    int fd = facts_file.empty() ? -1 : open(facts_file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return;
    std::string text;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= TABLE_MAX) {
        text.resize(size_t(st.st_size));
        ssize_t n = read(fd, text.data(), text.size());
        text.resize(n > 0 ? size_t(n) : 0);
    }
    close(fd);
    ParseFacts(text);
}

const std::string *FileFact(const FileStamp &s, const char *kind)
{
    LoadFacts();
    for (const Fact &f : facts)
        if (SameStamp(f.stamp, s) && f.kind == kind)
            return &f.fact;
    return nullptr;
}

/* A file has one fact of each kind: what was known of it before goes. */
void KeepFileFact(const FileStamp &s, const char *kind, const std::string &fact)
{
    LoadFacts();
    if (facts_file.empty() || !Settled(s) || fact.find('\n') != std::string::npos || std::strchr(kind, ' '))
        return;
    for (size_t i = 0; i < facts.size(); i++)
        if (facts[i].kind == kind && facts[i].stamp.dev == s.dev && facts[i].stamp.ino == s.ino)
            facts.erase(facts.begin() + long(i--));
    facts.push_back(Fact{kind, s, fact});
    learnt = true;
}

void SaveFileFacts(void)
{
    if (!learnt || facts_file.empty())
        return;
    learnt = false;
    std::string text;
    char line[160];
    for (size_t i = facts.size() > MOST_FACTS ? facts.size() - MOST_FACTS : 0; i < facts.size(); i++) {
        const Fact &f = facts[i];
        std::snprintf(line, sizeof(line), "%s %llu %llu %llu %lld %lld ", f.kind.c_str(),
                      (unsigned long long)f.stamp.dev, (unsigned long long)f.stamp.ino,
                      (unsigned long long)f.stamp.size, (long long)f.stamp.mtime, (long long)f.stamp.ctime);
        text += line + f.fact + '\n';
    }
    std::string folder = facts_file.substr(0, facts_file.rfind('/'));
    SweepLeftovers(folder, LEFTOVER_FONT);
    std::string temp = folder + "/.pagimo-font-XXXXXX";
    int fd = CreateHeld(temp, false);
    if (fd < 0)
        return; /* a table that cannot be written only costs time */
    if (!WriteAll(fd, text.data(), text.size()) || std::rename(temp.c_str(), facts_file.c_str()) != 0)
        unlink(temp.c_str());
    ReleaseHeld(fd);
}
