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

/* `in` and `out`, when not -1, become the child's standard input and
 * output; its errors then go to /dev/null. */
static pid_t SpawnChild(const std::vector<std::string> &argv, int flags, int in = -1, int out = -1)
{
    if (argv.empty())
        return -1;
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (in >= 0)
        posix_spawn_file_actions_adddup2(&fa, in, 0);
    else
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&fa, out, 1);
    else if (!(flags & RUN_KEEP_OUTPUT))
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    if (!(flags & RUN_KEEP_OUTPUT))
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
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

/* ------------------------------------------------------------ a child spoken to */

/* Both pipe ends the program keeps are close-on-exec, so no later child
 * inherits them and the partner sees the end of its input when the program
 * closes its end or dies. */
bool PipeChildStart(PipeChild *c, const std::vector<std::string> &argv)
{
    ReapBackground();
    int to[2], from[2];
    if (pipe2(to, O_CLOEXEC) != 0)
        return false;
    if (pipe2(from, O_CLOEXEC) != 0) {
        close(to[0]), close(to[1]);
        return false;
    }
    c->pid = SpawnChild(argv, 0, to[0], from[1]);
    close(to[0]), close(from[1]);
    if (c->pid < 0) {
        close(to[1]), close(from[0]);
        c->in = c->out = -1;
        return false;
    }
    c->in = to[1], c->out = from[0];
    c->pending.clear();
    return true;
}

bool PipeChildWrite(PipeChild *c, const std::string &text)
{
    size_t done = 0;
    while (c->in >= 0 && done < text.size()) {
        ssize_t n = write(c->in, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return c->in >= 0;
}

/* One line without its line end: 1, or 0 at the end of the output, or -1
 * when none came within the time. */
int PipeChildReadLine(PipeChild *c, std::string *line, long long millis)
{
    long long deadline = NowMillis() + millis;
    for (;;) {
        size_t nl = c->pending.find('\n');
        if (nl != std::string::npos) {
            *line = c->pending.substr(0, nl);
            c->pending.erase(0, nl + 1);
            return 1;
        }
        long long left = deadline - NowMillis();
        if (c->out < 0 || left <= 0)
            return c->out < 0 ? 0 : -1;
        struct pollfd p = {c->out, POLLIN, 0};
        int r = poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return -1;
        char buf[4096];
        ssize_t n = read(c->out, buf, sizeof(buf));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        c->pending.append(buf, size_t(n));
    }
}

/* Closing its input asks the child to end; one that does not within the
 * time is killed. Either way it is reaped. */
void PipeChildStop(PipeChild *c, long long millis)
{
    if (c->in >= 0)
        close(c->in);
    if (c->out >= 0)
        close(c->out);
    c->in = c->out = -1;
    if (c->pid <= 0)
        return;
    long long deadline = NowMillis() + millis;
    int status;
    while (waitpid(c->pid, &status, WNOHANG) == 0) {
        if (NowMillis() >= deadline) {
            kill(c->pid, SIGKILL);
            WaitChild(c->pid);
            break;
        }
        struct timespec ts = {0, 5000000};
        nanosleep(&ts, nullptr);
    }
    c->pid = -1;
}
