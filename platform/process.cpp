/*
 * process.cpp - child processes (see process.h).
 *
 * The child's standard input is /dev/null; its output goes there too unless
 * RUN_KEEP_OUTPUT is given. With RUN_WAIT the call returns the exit code (128
 * plus the signal number for a killed child); otherwise 0 once it started.
 * RUN_NOT_STARTED (-1) means the program could not be started. The child
 * starts with none of the program's other files open, no signal blocked
 * and SIGPIPE at its default, whatever the program does with them.
 * RunCommandFor waits at most a given time: an overdue child is killed,
 * reaped, and reported as RUN_TIMED_OUT. RUN_LOST: the child could not be
 * waited for.
 */
#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

/* Children started without waiting; reaped at the next start so that none
 * lingers as a zombie. */
static std::vector<pid_t> background;

static void ReapBackground(void)
{
    for (size_t i = 0; i < background.size();) {
        if (waitpid(background[i], nullptr, WNOHANG) != 0)
            background.erase(background.begin() + i);
        else
            i++;
    }
}

static int ExitCode(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return RUN_LOST;
}

static int WaitChild(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return RUN_LOST;
    return ExitCode(status);
}

/* ------------------------------------------------------------ starting */

static pid_t SpawnChild(const std::vector<std::string> &argv, int flags)
{
    if (argv.empty())
        return -1;
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (!(flags & RUN_KEEP_OUTPUT)) {
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    }
    /* It needs none of the program's files (open fonts, the PDF, pipes). */
    posix_spawn_file_actions_addclosefrom_np(&fa, 3);
    /* The program ignores SIGPIPE for itself (IgnoreBrokenPipes); an
     * ignored signal would stay ignored across exec. */
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
    int rc = posix_spawnp(&pid, args[0], &fa, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

int RunCommand(const std::vector<std::string> &argv, int flags)
{
    ReapBackground();
    pid_t pid = SpawnChild(argv, flags);
    if (pid < 0)
        return RUN_NOT_STARTED;
    if (!(flags & RUN_WAIT)) {
        background.push_back(pid);
        return 0;
    }
    return WaitChild(pid);
}

/* ------------------------------------------------------------ waiting with a limit */

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

int RunCommandFor(const std::vector<std::string> &argv, long long millis)
{
    ReapBackground();
    pid_t pid = SpawnChild(argv, 0);
    if (pid < 0)
        return RUN_NOT_STARTED;
    long long deadline = NowMillis() + millis;
    long pause_ns = 100000;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return ExitCode(status);
        if (r < 0 && errno != EINTR)
            return RUN_LOST;
        long long left = deadline - NowMillis();
        if (left <= 0) {
            kill(pid, SIGKILL);
            WaitChild(pid);
            return RUN_TIMED_OUT;
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
