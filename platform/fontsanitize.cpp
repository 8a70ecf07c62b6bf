/*
 * fontsanitize.cpp - the private font copies (see fontsanitize.h).
 *
 * ots-sanitize is started with an argument vector, never through a shell,
 * its input and output on /dev/null and no other file of the program open. It exits non-zero for a font it
 * refuses. A run that crashes, is killed or outlives SanitizeMillis counts
 * as a refusal (an overdue one is killed first), so neither a hostile font
 * nor a broken sanitizer can hang or end the program; a missing program is
 * reported as such, never taken as a pass.
 *
 * Invariant: folder[] is empty exactly when no private folder exists.
 */
#include "platform/fontsanitize.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/assign.h"
#include "platform/files.h"
#include "platform/strutil.h"

extern char **environ;

const char *const SANITIZER_PROGRAM = "ots-sanitize";
int SanitizeMillis = 10000;

static char folder[1024];  /* host path of the private folder */
static unsigned copies;    /* copies made in it, for their names */

/* ------------------------------------------------------------ the folder */

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
    if (tmpl.size() >= sizeof(folder) - 32 || !mkdtemp(tmpl.data()))
        return false;
    Strlcpy(folder, tmpl.c_str(), sizeof(folder));
    copies = 0;
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

/* ------------------------------------------------------------ the sanitizer */

static long long NowMillis(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

/* Blocks until the child ends or the time is up; false when the time is up
 * or no pidfd can be had, and the caller then looks for itself. */
static bool AwaitExit(pid_t pid, long long millis)
{
    int fd = int(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0)
        return false;
    struct pollfd p = {fd, POLLIN, 0};
    int r;
    while ((r = poll(&p, 1, int(millis > 0 ? millis : 0))) < 0 && errno == EINTR) {
    }
    close(fd);
    return r > 0;
}

/* Waits for the child at most SanitizeMillis; true when it exited with 0. */
static bool WaitSanitizer(pid_t pid)
{
    long long deadline = NowMillis() + SanitizeMillis;
    long pause_ns = 100000;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR)
            return false;
        long long left = deadline - NowMillis();
        if (left <= 0) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        if (AwaitExit(pid, left))
            continue;
        /* Without a pidfd, look again soon: a run takes some milliseconds. */
        struct timespec ts = {0, pause_ns};
        nanosleep(&ts, nullptr);
        if (pause_ns < 1000000)
            pause_ns *= 2;
    }
}

/* A path the sanitizer cannot mistake for an option. */
static std::string Argument(const std::string &path)
{
    return !path.empty() && path[0] == '-' ? "./" + path : path;
}

static SanitizeResult RunSanitizer(const std::string &in, const std::string &out)
{
    std::string a = Argument(in), b = Argument(out);
    char *argv[] = {const_cast<char *>(SANITIZER_PROGRAM), a.data(), b.data(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    /* It needs none of the program's files (open fonts, the PDF, pipes). */
    posix_spawn_file_actions_addclosefrom_np(&fa, 3);
    /* The child starts with no signal blocked and SIGPIPE at its default,
     * whatever the program blocks or ignores. */
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &pipe);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    int rc = posix_spawnp(&pid, SANITIZER_PROGRAM, &fa, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return SANITIZE_NO_PROGRAM;
    return WaitSanitizer(pid) ? SANITIZED : SANITIZE_REFUSED;
}

/* Sanitizes the font file `path` (a program path) into a new copy in the
 * private folder and puts the copy's host path into `copy`. */
SanitizeResult SanitizeFont(const char *path, char *copy, size_t size)
{
    if (!folder[0])
        return SANITIZE_NO_FOLDER;
    char name[64];
    std::snprintf(name, sizeof(name), "/font-%u.ttf", ++copies);
    std::string out = std::string(folder) + name;
    if (out.size() >= size)
        return SANITIZE_NO_FOLDER;
    SanitizeResult r = RunSanitizer(HostPath(path), out);
    struct stat st;
    /* A refusal may leave an empty or partial file behind. */
    if (r == SANITIZED && (lstat(out.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 12))
        r = SANITIZE_REFUSED;
    if (r != SANITIZED) {
        unlink(out.c_str());
        return r;
    }
    Strlcpy(copy, out.c_str(), size);
    return SANITIZED;
}
